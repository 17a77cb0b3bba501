// Opening the files the poller appends to.  A report or a log is always a
// regular file: a symbolic link as the last component, a FIFO, a device or
// a directory at its path is refused like a file that cannot be opened, so
// that the poller never blocks on such a path and never writes through it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "poller.h"

namespace {
constexpr mode_t newFileMode = 0666;  // as fopen creates files, less the umask
}  // namespace

int openAppendFd(const std::string& path) {
    int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                  newFileMode);
    if (fd < 0) return -1;
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        int error = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

std::FILE* openAppendStream(const std::string& path) {
    int fd = openAppendFd(path);
    if (fd < 0) return nullptr;
    std::FILE* stream = fdopen(fd, "a");
    if (stream == nullptr) close(fd);
    return stream;
}
