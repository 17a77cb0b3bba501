// Clock and date texts of local time.  Every call reads the clock afresh.
#include <cerrno>

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
    return fmt("%d%c%02d%c%02d", year, separator, parts.tm_mon + 1, separator, parts.tm_mday);
}

std::string formatTime(int hours, int minutes, int seconds) {
    return fmt("%02d:%02d.%02d", hours, minutes, seconds);
}

std::string formatTime(const std::tm& parts) {
    return formatTime(parts.tm_hour, parts.tm_min, parts.tm_sec);
}

}  // namespace

int weekday() { return localNow().tm_wday; }

std::string gettime() { return formatTime(localNow()); }

int gettimesec() {
    std::tm parts = localNow();
    return parts.tm_hour * 3600 + parts.tm_min * 60 + parts.tm_sec;
}

std::string getdate(char separator) { return formatDate(localNow(), separator); }

// Steps back whole days of the local calendar: the broken-down date at
// noon (far from any daylight-saving change) is moved back and normalised
// by mktime, in steps that fit its int fields.  Empty when the date cannot
// be represented.
std::string olddate(long long daysBack, char separator) {
    constexpr long long stepDays = 1'000'000'000;
    // Beyond this no year fits in the int of a broken-down time anyway.
    constexpr long long maxDays = 800'000'000'000LL;
    if (daysBack > maxDays || daysBack < -maxDays) return "";
    std::tm parts = localNow();
    constexpr int noon = 12;
    while (true) {
        long long step = daysBack > stepDays    ? stepDays
                         : daysBack < -stepDays ? -stepDays
                                                : daysBack;
        parts.tm_mday -= static_cast<int>(step);
        daysBack -= step;
        parts.tm_hour = noon;
        parts.tm_min = 0;
        parts.tm_sec = 0;
        parts.tm_isdst = -1;
        errno = 0;
        std::time_t when = std::mktime(&parts);
        if (when == static_cast<std::time_t>(-1) && errno != 0) return "";
        if (daysBack == 0) break;
    }
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

std::string secondsText(int seconds) {
    return formatTime(seconds / 3600, seconds % 3600 / 60, seconds % 60);
}

int sTh(int seconds) { return seconds / 3600; }

int sTm(int seconds) { return (seconds % 3600) / 60; }
