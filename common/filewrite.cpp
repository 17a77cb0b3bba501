// The write loop and the replacement of a file through a temporary file.
#include "filewrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// Whether path may be replaced: absent, or a regular file when the rules
// ask for one.
bool targetAcceptable(const std::string& path, const ReplaceRules& rules, std::string& reason) {
    if (!rules.onlyRegular) return true;
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

// Creates the temporary file, its name in temp; -1 with errno set.
int createTemp(const std::string& path, const ReplaceRules& rules, std::string& temp) {
    if (rules.tempPath.empty()) {
        temp = path + ".XXXXXX";
        return mkostemp(temp.data(), O_CLOEXEC);
    }
    temp = rules.tempPath;
    if (unlink(temp.c_str()) != 0 && errno != ENOENT) return -1;
    return open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                rules.mode);
}

mode_t modeOf(const ReplaceRules& rules) {
    if (!rules.umasked) return rules.mode;
    mode_t mask = umask(0);
    umask(mask);
    return rules.mode & ~mask;
}

}  // namespace

bool writeAll(int fd, std::string_view text, std::size_t& written) {
    written = 0;
    while (written < text.size()) {
        ssize_t count = write(fd, text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            if (count == 0) errno = ENOSPC;
            return false;
        }
        written += static_cast<std::size_t>(count);
    }
    return true;
}

bool writeAll(int fd, std::string_view text) {
    std::size_t written = 0;
    return writeAll(fd, text, written);
}

bool replaceFile(const std::string& path, std::string_view text, const ReplaceRules& rules,
                 std::string& reason) {
    reason.clear();
    if (!targetAcceptable(path, rules, reason)) return false;
    std::string temp;
    int fd = createTemp(path, rules, temp);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    // The mode is set explicitly: a created file takes the umask off it.
    bool ok = fchmod(fd, modeOf(rules)) == 0 && writeAll(fd, text);
    int error = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        reason = std::strerror(error);
    }
    return ok;
}
