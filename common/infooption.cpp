// The --help and --version first argument.
#include "infooption.h"

#include <cstring>

InfoOption infoOption(int argc, char** argv) {
    if (argc < 2 || argv[1] == nullptr) return InfoOption::none;
    if (std::strcmp(argv[1], "--help") == 0) return InfoOption::help;
    if (std::strcmp(argv[1], "--version") == 0) return InfoOption::version;
    return InfoOption::none;
}
