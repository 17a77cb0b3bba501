// Writing the metrics file: the whole text goes to a temporary file in the
// same directory, which is then renamed over the metrics file, so that the
// node exporter reads either the previous file or the new one, never half
// of one (replaceFile, common/filewrite.h).
//
// The temporary file has a fixed name per metrics file, so that a poller
// killed between the two steps leaves at most one stale file, which the
// next write replaces.  It is removed and created afresh (O_EXCL, never
// through a symbolic link) at every write.  The file is not synced: it is
// rewritten at least once a minute, and after a crash of the machine the
// next write replaces whatever the crash left.
#include <cerrno>
#include <cstring>

#include "filewrite.h"
#include "metrics.h"
#include "poller.h"

namespace {

constexpr mode_t metricsFileMode = 0644;  // the exporter runs as another user
const char* const tempSuffix = ".tmp";

}  // namespace

std::string metricsTempPath(const std::string& path) {
    std::size_t slash = path.rfind('/');
    std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(0, nameAt) + "." + path.substr(nameAt) + tempSuffix;
}

bool writeMetricsFile(const std::string& path, const std::string& text, std::string& reason) {
    reason.clear();
    if (path.empty()) {
        reason = std::strerror(ENOENT);
        return false;
    }
    ReplaceRules rules;
    rules.mode = metricsFileMode;
    rules.umasked = false;
    rules.onlyRegular = true;
    rules.tempPath = metricsTempPath(path);
    return replaceFile(path, text, rules, reason);
}
