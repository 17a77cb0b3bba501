// Report records: one checksummed line per poll cycle, appended to the
// report file of the date at writing time.
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "poller.h"

namespace {

// Appends the line to the file.  A write that fails part-way is undone, so
// that no partial line can glue two records together.  Returns the number
// of characters left in the file, or -1 when the file cannot be opened;
// error receives the reason of a failed write.
long appendLine(const std::string& path, const std::string& line, int& error) {
    error = 0;
    int fd = openAppendFd(path);
    if (fd < 0) return -1;
    struct stat before {};
    bool sized = fstat(fd, &before) == 0;
    std::size_t written = 0;
    if (!writeAll(fd, line, written)) {
        error = errno;
        if (written > 0 && sized && ftruncate(fd, before.st_size) == 0) written = 0;
    }
    if (close(fd) != 0 && error == 0) error = errno;
    return static_cast<long>(written);
}
}  // namespace

std::string recordTime(int interval) { return recordTimeText(gettime(), interval); }

std::string recordTimeOf(int interval, std::time_t moment) {
    return recordTimeText(timeText(moment), interval);
}

std::string recordBody(const std::string& time, const PollResult& result) {
    return recordBodyText(time, result.total, result.faults, result.noAnswer);
}

std::string formRecord(const Settings& s, const std::string& time, const PollResult& result) {
    std::string body = recordBody(time, result);
    verboseLog(
        s, levelDetail,
        fmt("\nWygenerowano linie rekordu %s %s \n", body.c_str(), checksumText(body).c_str()));
    return recordLine(body);
}

bool writeRecord(const Settings& s, const std::string& line) {
    std::string name = reportFileName(s, getdate('0'));
    int error = 0;
    long written = appendLine(name, line, error);
    std::string failure;
    if (written < 0) failure += fmt("Nie mozna otwozyc pliku %s\n", name.c_str());
    if (error != 0)
        failure += fmt("Blad zapisu rekordu do pliku %s: %s\n", name.c_str(), std::strerror(error));
    std::string text;
    if (verbose >= levelDetail)
        text += fmt("Ilosc wpisanych znakow do rekordu = %ld\n", written < 0 ? 0 : written);
    text += failure;
    if (written > shortWrite && error == 0 && verbose >= levelDetail)
        text += fmt("udany wpis do pliku %s\n", name.c_str());
    appendLog(s.verboseLog, text);
    journalLog(priorityError, failure);
    return failure.empty();
}

void noteClosedDay(const Settings& s) { verboseLog(s, levelVerbose, "Dzisiaj zamkniete\n"); }
