// The statistics of pcstat as an in-memory table: one row per period, one
// column of counts per entrance.  A row carries its period as values (the
// day, the hour, the weekday); the csv, json and table writers and the
// chart form their texts from them.
#pragma once

#include <string>
#include <vector>

#include "calendar.h"

// What one row of the statistics stands for.
enum class Period { hour, day, week, month, weekday };

constexpr int hoursPerDay = 24;

// The hour row an increase counts in: the hour that contains the second
// before the record's moment, on the record's day (10:00 counts for
// 09:00-10:00, 10:00.10 for 10:00-11:00, 00:00 for 00:00-01:00).  An
// expected moment counts where its record would.
constexpr int increaseHour(int second) { return second > 0 ? (second - 1) / 3600 : 0; }

// What the records of one period and entrance give.  The counts from
// openDays on mean something only for an entrance with a schedule.  No sum
// can overflow: only records with numbers in the poller's ranges count
// (numbersInRange), so an increase is below 1000000, and a long long holds
// the sum of more records than any disk holds lines.
struct PeriodCounts {
    long long visitors = 0;        // the sum of the increases of its records
    long long records = 0;         // records (whole lines with a matching checksum)
    long long unanswered = 0;      // records with the no-answer flag 1
    long long faults = 0;          // records with a photocell fault count above 0
    long long carried = 0;         // the part of visitors from increases across a gap
    long long days = 0;            // days of the range in the period
    long long openDays = 0;        // of them, days on which the schedule opens
    long long expected = 0;        // moments the schedule expects, up to the present moment
    long long missing = 0;         // of them, moments without any record line
    long long missingDays = 0;     // days with expected moments and no file at all
    long long missingOfFiles = 0;  // the missing moments of those days
};

// Adds the counts of records and moments of from to into.  The days are
// left to the caller: periods one after another add their days, entrances
// side by side share theirs.
inline void addRecordCounts(PeriodCounts& into, const PeriodCounts& from) {
    into.visitors += from.visitors;
    into.records += from.records;
    into.unanswered += from.unanswered;
    into.faults += from.faults;
    into.carried += from.carried;
    into.expected += from.expected;
    into.missing += from.missing;
    into.missingDays += from.missingDays;
    into.missingOfFiles += from.missingOfFiles;
}

// Whether the counts are of days that the schedule keeps closed and that
// hold no record: the table says "zamknięte" and the chart labels the place.
inline bool closedCounts(const PeriodCounts& counts, bool scheduled) {
    return scheduled && counts.days > 0 && counts.openDays == 0 && counts.records == 0;
}

struct PeriodRow {
    Day day{};        // hour and day rows: their day; week and month rows: a day of theirs
    int hour = 0;     // hour rows: 0..23
    int weekday = 0;  // weekday rows: 0 = Monday .. 6 = Sunday
    std::vector<PeriodCounts> entrances;  // in entrance order
    int periodDays = 1;  // the days of the whole period (7 for a week), of which days counted
    bool soFar = false;  // the period holds the present moment: counted up to it
};

struct StatTable {
    std::vector<std::string> entrances;  // labels
    std::vector<bool> scheduled;         // per entrance: a schedule is known
    std::vector<std::string> named;      // the entrances as named on the command line
    std::vector<PeriodRow> rows;
    Period by = Period::day;
    Day from{}, to{};  // the range of days
    // Per entrance: lines of the range's files that are not records
    // (not whole, with a checksum that does not match, or with numbers out
    // of range).
    std::vector<long long> unusableLines;

    bool isScheduled(std::size_t entrance) const {
        return entrance < scheduled.size() && scheduled[entrance];
    }
};
