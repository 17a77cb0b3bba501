// Calendar days of the local clock: parsing the DATE forms of the command
// line, date texts, weekdays, ISO weeks, months, and where a local day
// begins on the real clock.
#pragma once

#include <chrono>
#include <ctime>
#include <string>

using Day = std::chrono::sys_days;  // a calendar day, whatever the time zone

Day today();                        // the local date of now
Day localDayOf(std::time_t when);   // the local date of a moment
int localHourOf(std::time_t when);  // the local hour of a moment, 0..23
int daysInMonth(Day day);           // of the month that holds the day

// A DATE of the command line: YYYY-MM-DD, YYYYMMDD, today, yesterday or -N
// (N calendar days back from today).  False for anything else, for days
// that do not exist and for years outside 1900..9999.
bool parseDate(const std::string& text, Day today, Day& day);

std::string dashedDate(Day day);   // 2011-03-14
std::string compactDate(Day day);  // 20110314, as in report file names
std::string isoWeek(Day day);      // 2011-W11
std::string monthOf(Day day);      // 2011-03
int isoWeekday(Day day);           // 0 = Monday .. 6 = Sunday
int posixWeekday(Day day);         // 0 = Sunday .. 6 = Saturday

// The first second of the local day on the real clock.
std::time_t dayStart(Day day);
// Whether the local clock shows this hour at some moment of the day (the
// hour that a spring daylight-saving change skips does not).
bool hourExists(Day day, int hour);

// A stretch of a local day over which the clock's offset from UTC stays
// the same, so that local seconds-of-day rise with the real clock.
struct ClockSegment {
    std::time_t from = 0;  // first second
    std::time_t to = 0;    // one past the last
    long offset = 0;       // seconds east of UTC
    int firstSecond = 0;   // local seconds-of-day at from
};
constexpr int maxClockSegments = 4;  // a day holds at most a few changes

// The segments of the local day, in order; returns their number.
int daySegments(Day day, ClockSegment segments[maxClockSegments]);

// Where the local day repeats an hour (an autumn daylight-saving change):
// the seconds-of-day from..to-1 are shown twice.  False when none is.
bool repeatedHour(Day day, int& from, int& to);
