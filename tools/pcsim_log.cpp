// The event log of the simulated counter, each line appended whole with
// one write so that a reader never sees half of it.
#include "pcsim_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "pcsim_hex.h"

namespace {

constexpr mode_t logFileMode = 0644;

void writeWholeLine(int fd, const std::string& line) {
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t result = write(fd, line.data() + written, line.size() - written);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result <= 0) {
            return;  // a broken log must not stop the counter
        }
        written += static_cast<std::size_t>(result);
    }
}

}  // namespace

bool openEventLog(EventLog& log, const std::string& path) {
    if (path.empty()) {
        return true;
    }
    log.fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, logFileMode);
    if (log.fd == -1) {
        std::fprintf(stderr, "pcsim: cannot open log %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

void closeEventLog(EventLog& log) {
    if (log.fd != -1) {
        close(log.fd);
        log.fd = -1;
    }
}

void logEvent(const EventLog& log, std::string_view word, std::string_view detail) {
    if (log.fd == -1) {
        return;
    }
    std::string line(word);
    if (!detail.empty()) {
        line += ' ';
        line += detail;
    }
    line += '\n';
    writeWholeLine(log.fd, line);
}

void logBytes(const EventLog& log, std::string_view word, std::string_view bytes) {
    logEvent(log, word, encodeHex(bytes));
}
