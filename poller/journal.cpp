// Lines that matter to an administrator also reach the systemd journal when
// standard error is connected to it.  systemd tells a service so through
// JOURNAL_STREAM, which holds the device and inode of the stream it gave;
// journald reads a "<N>" prefix as the syslog priority of the line.
// Anywhere else (a terminal, a pipe, a file) standard error gets nothing.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "poller.h"

namespace {

bool toJournal = false;

bool stderrIsJournal() {
    const char* stream = std::getenv("JOURNAL_STREAM");
    if (stream == nullptr) return false;
    struct stat status {};
    if (fstat(STDERR_FILENO, &status) != 0) return false;
    return fmt("%llu:%llu", static_cast<unsigned long long>(status.st_dev),
               static_cast<unsigned long long>(status.st_ino)) == stream;
}

}  // namespace

void initJournal() { toJournal = stderrIsJournal(); }

std::string journalText(int priority, const std::string& text) {
    std::string lines;
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t end = text.find('\n', from);
        if (end == std::string::npos) end = text.size();
        if (end > from) lines += fmt("<%d>", priority) + text.substr(from, end - from) + "\n";
        from = end + 1;
    }
    return lines;
}

void journalLog(int priority, const std::string& text) {
    if (!toJournal) return;
    std::string lines = journalText(priority, text);
    // In one piece where the system allows, so a message stays together.
    std::size_t written = 0;
    writeAll(STDERR_FILENO, lines, written);
}

void importantLog(const Settings& s, int priority, const std::string& text) {
    appendLog(s.verboseLog, text);
    journalLog(priority, text);
}

void reportPortFailure(const std::string& port) {
    std::string text = port + ": " + std::strerror(errno) + "\n";
    if (toJournal) text = journalText(priorityError, text);
    std::fputs(text.c_str(), stderr);
}
