// Looking up the table of configuration keys.
#include "confkeys.h"

bool isConfKey(ConfFileKind file, std::string_view name) {
    for (const ConfKey& key : confKeys)
        if (key.file == file && name == key.name) return true;
    return false;
}
