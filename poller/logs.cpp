// The poller's logs: every message group is one open-append-close, so a log
// can be moved away while the poller runs.  A log that cannot be opened is
// skipped for that message; the poller carries on.
#include <cstring>

#include "poller.h"

void putLog(std::FILE* log, const std::string& text) {
    if (log != nullptr) std::fwrite(text.data(), 1, text.size(), log);
}

void appendLog(const std::string& path, const std::string& text) {
    std::FILE* log = openAppendStream(path);
    if (log == nullptr) return;
    putLog(log, text);
    std::fclose(log);
}

void verboseLog(const Settings& s, int level, const std::string& text) {
    if (verbose >= level) appendLog(s.verboseLog, text);
}

std::string byteDump(const std::string& bytes) {
    constexpr int firstPrintable = 32;
    constexpr int deleteCode = 127;
    std::string dump;
    for (char byte : bytes) {
        int value = static_cast<signed char>(byte);
        if (value < firstPrintable || value == deleteCode)
            dump += fmt("%02xh ", static_cast<unsigned>(value));
        else
            dump.push_back(byte);
    }
    return dump;
}

int verbosityFromArgument(int argc, char** argv) {
    if (argc < 2) return levelQuiet;
    if (std::strcmp(argv[1], "-v") == 0) return levelVerbose;
    if (std::strcmp(argv[1], "-vv") == 0) return levelDetail;
    return levelBadOption;
}

std::string startLine(const Settings& s) {
    return fmt("\nSTART nazwa wywolania %s: %s - %s \n", s.invocation.c_str(), s.startDate.c_str(),
               s.startTime.c_str());
}

std::string bannerText(const Settings& s, int level) {
    return fmt("\n*******************************\nSTART: %s - %s \nWersja programu: %s\n",
               s.startDate.c_str(), s.startTime.c_str(), versionText) +
           "\nProgram do komunikacji z licznikami VORM-2210\n" + "Aby zakonczyc wcisnij ctrl-c \n" +
           fmt("log bledow: %s \npoziom debagowania = %d\n", s.verboseLog.c_str(), level) +
           fmt("nazwa pliku konfiguracji: %s\n", s.confPath.c_str());
}

std::string badOptionText(const std::string& option) {
    return fmt("\n zla opcja %s, dopuszczalne -v i -vv: verbose - wyswietlaj\n", option.c_str());
}

void writeStopLines(const Settings& s) {
    std::time_t now = std::time(nullptr);
    std::string line = fmt("STOP: %s - %s\n", dateText(now, '-').c_str(), timeText(now).c_str());
    appendLog(s.eventLog, line);
    verboseLog(s, levelVerbose, line);
}
