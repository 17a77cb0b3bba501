// Decoding of the configuration values and of the report file name.
#include <climits>
#include <cstdlib>

#include "poller.h"

int decodeRecordtime(const std::string& text) {
    // The leading decimal number, as atoi reads it, but saturating instead
    // of overflowing on absurdly long numbers.
    long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > INT_MAX) value = INT_MAX;
    if (value < minInterval) return minInterval;
    return static_cast<int>(value);
}

bool decodeHours(const std::string& text, int& open, int& close, int numbers[4]) {
    constexpr int fieldsNeeded = 4;
    if (std::sscanf(text.c_str(), "%2d:%2d-%2d:%2d", &numbers[0], &numbers[1], &numbers[2],
                    &numbers[3]) < fieldsNeeded)
        return false;
    open = numbers[0] * 3600 + numbers[1] * 60;
    close = numbers[2] * 3600 + numbers[3] * 60;
    return true;
}

void nameBreak(const std::string& entry, std::string& base, std::string& ext) {
    std::size_t point = entry.find('.');
    if (point == std::string::npos) {
        base = entry;
        ext.clear();
    } else {
        base = entry.substr(0, point);
        ext = entry.substr(point + 1);
    }
}

std::string reportFileName(const Settings& s, const std::string& date) {
    return s.base + "_" + date + "." + s.ext;
}

std::string settingsSummary(const Settings& s, int today) {
    auto hours = [&](int day) {
        return fmt("%2d:%02d-%2d:%02d", sTh(s.openTimes[day]), sTm(s.openTimes[day]),
                   sTh(s.closeTimes[day]), sTm(s.closeTimes[day]));
    };
    std::string text = fmt("Zdekodowany odstep rekordow = %d sek.\n", s.interval);
    text += fmt("nazwa raportu = %s\n", reportFileName(s, getdate('0')).c_str());
    for (int day = 0; day < daysPerWeek; ++day)
        text += fmt("%s, %s\n", weekDays[day], hours(day).c_str());
    text += fmt("Dzisiaj %s, otwarte: %s\n", weekDays[today], hours(today).c_str());
    text += s.comlog ? "comlog yes\n" : "comlog no\n";
    return text;
}
