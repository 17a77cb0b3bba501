// Event log of the simulated counter: one line per received byte or event,
// appended and written at once so a test can read it while the tool runs.
#pragma once

#include <string>
#include <string_view>

struct EventLog {
    int fd = -1;  // -1: logging is off
};

// Opens path for appending; an empty path turns logging off.
bool openEventLog(EventLog& log, const std::string& path);

void closeEventLog(EventLog& log);

// Appends "word detail\n" (or "word\n" when detail is empty).
void logEvent(const EventLog& log, std::string_view word, std::string_view detail = {});

// Appends "word <hex of bytes>\n".
void logBytes(const EventLog& log, std::string_view word, std::string_view bytes);
