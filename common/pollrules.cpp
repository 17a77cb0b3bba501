// The poller's decoding of its settings and its due rule.
#include "pollrules.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "pcutil.h"

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

std::string reportFileOf(const std::string& base, const std::string& ext, const std::string& date) {
    return reportFilePrefix(base) + date + "." + ext;
}

std::string reportFilePrefix(const std::string& base) { return base + "_"; }

int closingSecond(int closeTime) {
    // The clock never reads 24:00, so a 24:00 closing is tested at 23:59:59.
    return closeTime == secondsPerDay ? secondsPerDay - 1 : closeTime;
}

bool isDue(int second, int open, int close, int interval) {
    if (second < open || second > close) return false;
    return second % interval == 0 || second == open || second == close;
}
