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

// What the records of one period and entrance give.  No sum can overflow:
// only records with numbers in the poller's ranges count (numbersInRange),
// so an increase is below 1000000, and a long long holds the sum of more
// records than any disk holds lines.
struct PeriodCounts {
    long long visitors = 0;    // the sum of the increases of its records
    long long records = 0;     // records (whole lines with a matching checksum)
    long long unanswered = 0;  // records with the no-answer flag 1
    long long faults = 0;      // records with a photocell fault count above 0
};

struct PeriodRow {
    Day day{};        // hour and day rows: their day; week and month rows: a day of theirs
    int hour = 0;     // hour rows: 0..23
    int weekday = 0;  // weekday rows: 0 = Monday .. 6 = Sunday
    std::vector<PeriodCounts> entrances;  // in entrance order
};

struct StatTable {
    std::vector<std::string> entrances;  // labels
    std::vector<PeriodRow> rows;
    Period by = Period::day;
    Day from{}, to{};  // the range of days
    // Per entrance: lines of the range's files that are not records
    // (not whole, with a checksum that does not match, or with numbers out
    // of range).
    std::vector<long long> unusableLines;
};
