// Opening the pseudo-terminal pair (master non-blocking, slave raw and kept
// open), and the symbolic link to the slave, replaced and removed safely.
#include "pcsim_pty.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr const char* tempLinkInfix = ".pcsim-tmp.";

void reportSystemError(const char* what, const std::string& subject) {
    std::fprintf(stderr, "pcsim: %s %s: %s\n", what, subject.c_str(), std::strerror(errno));
}

bool makeNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    return flags != -1 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) != -1;
}

bool makeCloseOnExec(int fd) {
    const int flags = fcntl(fd, F_GETFD);
    return flags != -1 && fcntl(fd, F_SETFD, flags | FD_CLOEXEC) != -1;
}

bool makeRaw(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        return false;
    }
    cfmakeraw(&settings);
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

bool openMaster(PtyPair& pty) {
    pty.masterFd = posix_openpt(O_RDWR | O_NOCTTY);
    if (pty.masterFd == -1) {
        reportSystemError("cannot open", "a pseudo-terminal");
        return false;
    }
    if (grantpt(pty.masterFd) != 0 || unlockpt(pty.masterFd) != 0) {
        reportSystemError("cannot unlock", "the pseudo-terminal");
        return false;
    }
    if (!makeNonBlocking(pty.masterFd) || !makeCloseOnExec(pty.masterFd)) {
        reportSystemError("cannot set flags of", "the pseudo-terminal master");
        return false;
    }
    const char* name = ptsname(pty.masterFd);
    if (name == nullptr) {
        reportSystemError("cannot name", "the pseudo-terminal slave");
        return false;
    }
    pty.slavePath = name;
    return true;
}

bool openSlave(PtyPair& pty) {
    pty.slaveFd = open(pty.slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pty.slaveFd == -1) {
        reportSystemError("cannot open", pty.slavePath);
        return false;
    }
    if (!makeRaw(pty.slaveFd)) {
        reportSystemError("cannot make raw", pty.slavePath);
        return false;
    }
    return true;
}

std::string readLinkTarget(const std::string& linkPath) {
    std::vector<char> buffer(PATH_MAX);
    const ssize_t length = readlink(linkPath.c_str(), buffer.data(), buffer.size());
    if (length < 0) {
        return {};
    }
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

}  // namespace

bool openPty(PtyPair& pty) {
    if (openMaster(pty) && openSlave(pty)) {
        return true;
    }
    closePty(pty);
    return false;
}

void closeMaster(PtyPair& pty) {
    if (pty.masterFd != -1) {
        close(pty.masterFd);
        pty.masterFd = -1;
    }
}

void closePty(PtyPair& pty) {
    closeMaster(pty);
    if (pty.slaveFd != -1) {
        close(pty.slaveFd);
        pty.slaveFd = -1;
    }
}

bool createLink(const std::string& linkPath, const std::string& target) {
    struct stat existing {};
    if (lstat(linkPath.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
        std::fprintf(stderr, "pcsim: %s exists and is not a symbolic link\n", linkPath.c_str());
        return false;
    }
    const std::string tempPath = linkPath + tempLinkInfix + std::to_string(getpid());
    unlink(tempPath.c_str());  // a leftover of an earlier run with the same process id
    if (symlink(target.c_str(), tempPath.c_str()) != 0) {
        reportSystemError("cannot create link", tempPath);
        return false;
    }
    if (rename(tempPath.c_str(), linkPath.c_str()) != 0) {
        reportSystemError("cannot create link", linkPath);
        unlink(tempPath.c_str());
        return false;
    }
    return true;
}

void removeLinkIfOurs(const std::string& linkPath, const std::string& target) {
    if (!linkPath.empty() && readLinkTarget(linkPath) == target) {
        unlink(linkPath.c_str());
    }
}
