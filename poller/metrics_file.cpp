// Writing the metrics file: the whole text goes to a temporary file in the
// same directory, which is then renamed over the metrics file, so that the
// node exporter reads either the previous file or the new one, never half
// of one.
//
// The temporary file has a fixed name per metrics file, so that a poller
// killed between the two steps leaves at most one stale file, which the
// next write replaces.  It is removed and created afresh (O_EXCL, never
// through a symbolic link) at every write.  The file is not synced: it is
// rewritten at least once a minute, and after a crash of the machine the
// next write replaces whatever the crash left.
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "metrics.h"
#include "poller.h"

namespace {

constexpr mode_t metricsFileMode = 0644;  // the exporter runs as another user
const char* const tempSuffix = ".tmp";
const char* const notRegularReason = "not a regular file";

// The metrics path may be absent or a regular file; anything else (a
// symbolic link, a FIFO, a directory, a device) is refused.
bool targetAcceptable(const std::string& path, std::string& reason) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) {
        if (errno == ENOENT) return true;
        reason = std::strerror(errno);
        return false;
    }
    if (S_ISREG(status.st_mode)) return true;
    reason = notRegularReason;
    return false;
}

// Creates the temporary file and writes the text into it.
bool writeTemp(const std::string& temp, const std::string& text, std::string& reason) {
    if (unlink(temp.c_str()) != 0 && errno != ENOENT) {
        reason = std::strerror(errno);
        return false;
    }
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                  metricsFileMode);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    struct stat status {};
    bool ok = fstat(fd, &status) == 0;
    if (ok && !S_ISREG(status.st_mode)) {
        reason = notRegularReason;
        ok = false;
    }
    // Created files take the umask off their mode; the exporter must read it.
    std::size_t written = 0;
    ok = ok && fchmod(fd, metricsFileMode) == 0 && writeAll(fd, text, written);
    if (!ok && reason.empty()) reason = std::strerror(errno);
    if (close(fd) != 0 && ok) {
        reason = std::strerror(errno);
        ok = false;
    }
    return ok;
}

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
    if (!targetAcceptable(path, reason)) return false;
    std::string temp = metricsTempPath(path);
    bool ok = writeTemp(temp, text, reason) && rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        if (reason.empty()) reason = std::strerror(errno);
        unlink(temp.c_str());
    }
    return ok;
}
