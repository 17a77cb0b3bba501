// pcstat's DATE of the command line over a fuzzed text, with a day taken
// from the input as today.
//
// Properties: parseDate accepts exactly what a plain model accepts
// (YYYY-MM-DD and YYYYMMDD of real days in the years 1900 to 9999, today,
// yesterday, -N with up to 7 digits landing in those years) and gives the
// same day; a dashed or compact date prints back as it was written; and
// the ISO week of any accepted day lies between weeks 1 and 53 of the year
// of its Thursday.
#include <cstring>

#include "calendar.h"
#include "fuzz_support.h"
#include "pcutil.h"

namespace {

bool leap(long y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

long daysIn(long y, long m) {
    static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : lengths[m - 1];
}

// Days since 1970-01-01 of a civil date, counted the long way.
long dayNumber(long y, long m, long d) {
    long n = 0;
    for (long year = 1970; year < y; ++year) n += leap(year) ? 366 : 365;
    for (long year = y; year < 1970; ++year) n -= leap(year) ? 366 : 365;
    for (long month = 1; month < m; ++month) n += daysIn(y, month);
    return n + d - 1;
}

bool digits(const std::string& t, std::size_t from, std::size_t count) {
    if (from + count > t.size()) return false;
    for (std::size_t i = from; i < from + count; ++i)
        if (t[i] < '0' || t[i] > '9') return false;
    return true;
}

long number(const std::string& t, std::size_t from, std::size_t count) {
    return std::atol(t.substr(from, count).c_str());
}

const long firstDay = dayNumber(1900, 1, 1);
const long lastDay = dayNumber(9999, 12, 31);

bool modelDate(const std::string& t, long today, long& day) {
    if (t == "today") return day = today, true;
    if (t == "yesterday") return day = today - 1, true;
    if (t.size() >= 2 && t.size() <= 8 && t[0] == '-' && digits(t, 1, t.size() - 1)) {
        day = today - number(t, 1, t.size() - 1);
        return day >= firstDay && day <= lastDay;
    }
    long y, m, d;
    if (t.size() == 10 && t[4] == '-' && t[7] == '-' && digits(t, 0, 4) && digits(t, 5, 2) &&
        digits(t, 8, 2)) {
        y = number(t, 0, 4), m = number(t, 5, 2), d = number(t, 8, 2);
    } else if (t.size() == 8 && digits(t, 0, 8)) {
        y = number(t, 0, 4), m = number(t, 4, 2), d = number(t, 6, 2);
    } else {
        return false;
    }
    if (y < 1900 || m < 1 || m > 12 || d < 1 || d > daysIn(y, m)) return false;
    day = dayNumber(y, m, d);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // Today: a day of 2000 to about 2179, from the first two bytes.
    long today = dayNumber(2000, 1, 1) + (data[0] | data[1] << 8);
    std::string text(fuzz::bytes(data + 2, size - 2));
    Day now{std::chrono::days{today}};
    Day day{std::chrono::days{12345}};
    long expected = 0;
    bool accepted = parseDate(text, now, day);
    FUZZ_CHECK(accepted == modelDate(text, today, expected));
    if (!accepted) return 0;
    FUZZ_CHECK(day.time_since_epoch().count() == expected);
    if (text.size() == 10 && text[4] == '-') FUZZ_CHECK(dashedDate(day) == text);
    if (text.size() == 8 && text[0] != '-') FUZZ_CHECK(compactDate(day) == text);
    std::string week = isoWeek(day);
    FUZZ_CHECK(week.size() == 8 && week[4] == '-' && week[5] == 'W');
    int weekNumber = std::atoi(week.c_str() + 6);
    FUZZ_CHECK(weekNumber >= 1 && weekNumber <= 53);
    int isoYear = std::atoi(week.substr(0, 4).c_str());
    int year = std::atoi(dashedDate(day).substr(0, 4).c_str());
    FUZZ_CHECK(isoYear >= year - 1 && isoYear <= year + 1);
    return 0;
}
