// The event log of the simulated counter, each line appended whole with
// one write so that a reader never sees half of it.
#include "pcsim_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "filewrite.h"
#include "pcsim_hex.h"

namespace {

constexpr mode_t logFileMode = 0644;

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
    writeAll(log.fd, line);  // a broken log must not stop the counter
}

void logBytes(const EventLog& log, std::string_view word, std::string_view bytes) {
    logEvent(log, word, encodeHex(bytes));
}
