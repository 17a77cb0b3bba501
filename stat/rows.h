// The statistics of pcstat as an in-memory table: one row per period, one
// column of counts per entrance.  The csv, json and table writers print
// it; a chart can draw it.
#pragma once

#include <string>
#include <vector>

// What the records of one period and entrance give.
struct PeriodCounts {
    long long visitors = 0;    // the sum of the increases of its records
    long long records = 0;     // records (whole lines with a matching checksum)
    long long unanswered = 0;  // records with the no-answer flag 1
    long long faults = 0;      // records with a photocell fault count above 0
};

struct PeriodRow {
    std::string period;                   // the csv period text: 2011-03-14T09, 2011-W11, Monday...
    std::vector<PeriodCounts> entrances;  // in entrance order
};

struct StatTable {
    std::vector<std::string> entrances;  // labels
    std::vector<PeriodRow> rows;
    std::string by;                // hour|day|week|month|weekday
    std::string fromDate, toDate;  // YYYY-MM-DD
    // Per entrance: lines of the range's files that are not records
    // (not whole, or with a checksum that does not match).
    std::vector<long long> unusableLines;
};
