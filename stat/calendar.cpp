// Calendar days: the command line's date forms and the local clock.
#include "calendar.h"

#include <cstdlib>

#include "pcutil.h"

namespace {

using namespace std::chrono;

constexpr int firstYear = 1900;
constexpr int lastYear = 9999;
constexpr long maxDaysBack = 3000000;  // beyond every year this program accepts

bool allDigits(const std::string& text, std::size_t from, std::size_t count) {
    if (from + count > text.size()) return false;
    for (std::size_t i = from; i < from + count; ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

int number(const std::string& text, std::size_t from, std::size_t count) {
    return std::atoi(text.substr(from, count).c_str());
}

bool inYears(Day day) {
    int y = static_cast<int>(year_month_day{day}.year());
    return y >= firstYear && y <= lastYear;
}

bool dayOf(int y, int m, int d, Day& day) {
    year_month_day date{year{y}, month{static_cast<unsigned>(m)},
                        std::chrono::day{static_cast<unsigned>(d)}};
    if (!date.ok()) return false;
    day = sys_days{date};
    return inYears(day);
}

std::tm localParts(Day day, int hour, int minute) {
    year_month_day date{day};
    std::tm parts{};
    parts.tm_year = static_cast<int>(date.year()) - 1900;
    parts.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
    parts.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_isdst = -1;
    return parts;
}

}  // namespace

Day today() { return localDayOf(std::time(nullptr)); }

Day localDayOf(std::time_t when) {
    std::tm parts{};
    localtime_r(&when, &parts);
    return sys_days{year{parts.tm_year + 1900} / (parts.tm_mon + 1) / parts.tm_mday};
}

int localHourOf(std::time_t when) {
    std::tm parts{};
    localtime_r(&when, &parts);
    return parts.tm_hour;
}

int daysInMonth(Day day) {
    year_month_day date{day};
    return static_cast<int>(static_cast<unsigned>((date.year() / date.month() / last).day()));
}

bool parseDate(const std::string& text, Day now, Day& day) {
    if (text == "today") {
        day = now;
        return true;
    }
    if (text == "yesterday") {
        day = now - days{1};
        return true;
    }
    if (text.size() >= 2 && text[0] == '-' && allDigits(text, 1, text.size() - 1)) {
        if (text.size() > 8) return false;
        long back = std::atol(text.c_str() + 1);
        if (back > maxDaysBack) return false;
        day = now - days{back};
        return inYears(day);
    }
    if (text.size() == 10 && text[4] == '-' && text[7] == '-' && allDigits(text, 0, 4) &&
        allDigits(text, 5, 2) && allDigits(text, 8, 2))
        return dayOf(number(text, 0, 4), number(text, 5, 2), number(text, 8, 2), day);
    if (text.size() == 8 && allDigits(text, 0, 8))
        return dayOf(number(text, 0, 4), number(text, 4, 2), number(text, 6, 2), day);
    return false;
}

std::string dashedDate(Day day) {
    year_month_day date{day};
    return fmt("%04d-%02u-%02u", static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
               static_cast<unsigned>(date.day()));
}

std::string compactDate(Day day) {
    year_month_day date{day};
    return fmt("%04d%02u%02u", static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
               static_cast<unsigned>(date.day()));
}

int isoWeekday(Day day) { return static_cast<int>(std::chrono::weekday{day}.iso_encoding()) - 1; }

int posixWeekday(Day day) { return static_cast<int>(std::chrono::weekday{day}.c_encoding()); }

std::string isoWeek(Day day) {
    // The ISO week is the week of its Thursday, and its year the Thursday's.
    Day thursday = day + days{3 - isoWeekday(day)};
    year y = year_month_day{thursday}.year();
    int week = static_cast<int>((thursday - sys_days{y / January / 1}).count() / 7) + 1;
    return fmt("%04d-W%02d", static_cast<int>(y), week);
}

std::string monthOf(Day day) {
    year_month_day date{day};
    return fmt("%04d-%02u", static_cast<int>(date.year()), static_cast<unsigned>(date.month()));
}

std::time_t dayStart(Day day) {
    std::tm parts = localParts(day, 0, 0);
    std::time_t start = std::mktime(&parts);
    // Where midnight itself does not exist the day starts at the first
    // moment the clock shows that day.
    std::tm shown{};
    localtime_r(&start, &shown);
    if (shown.tm_mday != static_cast<int>(static_cast<unsigned>(year_month_day{day}.day())))
        start += 3600;
    return start;
}

bool hourExists(Day day, int hour) {
    std::tm parts = localParts(day, hour, 30);
    std::time_t when = std::mktime(&parts);
    std::tm shown{};
    localtime_r(&when, &shown);
    return shown.tm_hour == hour;
}

namespace {

long offsetAt(std::time_t when) {
    std::tm parts{};
    localtime_r(&when, &parts);
    return parts.tm_gmtoff;
}

// The first second in (low, high] whose offset differs from low's; the
// offset is known to change somewhere in it.
std::time_t nextChange(std::time_t low, std::time_t high) {
    long before = offsetAt(low);
    while (high - low > 1) {
        std::time_t middle = low + (high - low) / 2;
        if (offsetAt(middle) == before)
            low = middle;
        else
            high = middle;
    }
    return high;
}

}  // namespace

int daySegments(Day day, ClockSegment segments[maxClockSegments]) {
    constexpr std::time_t probeStep = 1800;  // changes are whole or half hours apart
    std::time_t start = dayStart(day);
    std::time_t end = dayStart(day + std::chrono::days{1});
    long long midnight = static_cast<long long>(day.time_since_epoch().count()) * secondsPerDay;
    int count = 0;
    std::time_t from = start;
    while (from < end && count < maxClockSegments) {
        long offset = offsetAt(from);
        std::time_t to = end;
        for (std::time_t probe = from; probe < end; probe += probeStep) {
            std::time_t next = probe + probeStep < end ? probe + probeStep : end - 1;
            if (offsetAt(next) != offset) {
                to = nextChange(probe, next);
                break;
            }
            if (next == end - 1) break;
        }
        if (count == maxClockSegments - 1) to = end;
        segments[count].from = from;
        segments[count].to = to;
        segments[count].offset = offset;
        segments[count].firstSecond = static_cast<int>(from + offset - midnight);
        ++count;
        from = to;
    }
    return count;
}

bool repeatedHour(Day day, int& from, int& to) {
    ClockSegment segments[maxClockSegments];
    int count = daySegments(day, segments);
    for (int i = 1; i < count; ++i) {
        long back = segments[i - 1].offset - segments[i].offset;
        if (back > 0) {
            to = segments[i].firstSecond + static_cast<int>(back);
            from = segments[i].firstSecond;
            return true;
        }
    }
    return false;
}
