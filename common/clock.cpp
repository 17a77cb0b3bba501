// Clock and date texts of local time.  Every call reads the clock afresh.
#include "pcutil.h"

namespace {

std::tm localNow() {
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    return parts;
}

constexpr int tmYearBase = 1900;

std::string formatDate(const std::tm& parts, char separator) {
    int year = parts.tm_year + tmYearBase;
    if (separator == '0') return fmt("%d%02d%02d", year, parts.tm_mon + 1, parts.tm_mday);
    return fmt("%d%c%02d%c%02d", year, separator, parts.tm_mon + 1, separator,
               parts.tm_mday);
}

std::string formatTime(const std::tm& parts) {
    return fmt("%02d:%02d.%02d", parts.tm_hour, parts.tm_min, parts.tm_sec);
}

}  // namespace

int weekday() { return localNow().tm_wday; }

std::string gettime() { return formatTime(localNow()); }

int gettimesec() {
    std::tm parts = localNow();
    return parts.tm_hour * 3600 + parts.tm_min * 60 + parts.tm_sec;
}

std::string getdate(char separator) { return formatDate(localNow(), separator); }

std::string olddate(long long daysBack, char separator) {
    long long offset = 0;
    long long then = 0;
    if (__builtin_mul_overflow(daysBack, static_cast<long long>(secondsPerDay), &offset) ||
        __builtin_sub_overflow(static_cast<long long>(std::time(nullptr)), offset, &then)) {
        return "";
    }
    std::time_t when = static_cast<std::time_t>(then);
    std::tm parts{};
    if (localtime_r(&when, &parts) == nullptr) return "";
    return formatDate(parts, separator);
}

std::string dateText(std::time_t when, char separator) {
    std::tm parts{};
    localtime_r(&when, &parts);
    return formatDate(parts, separator);
}

std::string timeText(std::time_t when) {
    std::tm parts{};
    localtime_r(&when, &parts);
    return formatTime(parts);
}

int sTh(int seconds) { return seconds / 3600; }

int sTm(int seconds) { return (seconds % 3600) / 60; }
