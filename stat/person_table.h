// The statistics as a person reads them: the title, the header, a label
// and a cell text per row and entrance (averages on weekday rows, closed
// days as a word), the row sums and the totals.  The text table and the
// HTML page both lay this out; csv and JSON keep the counts as they are.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "rows.h"

struct PersonTable {
    std::vector<std::string> title;  // its lines
    std::string firstHeader;         // "godzina", "dzień", ...
    std::vector<std::string> entrances;
    bool sumColumn = false;                       // a "razem" column after the entrances
    std::vector<std::string> labels;              // per row
    std::vector<std::vector<std::string>> cells;  // per row, per entrance
    std::vector<long long> sums;                  // per row
    std::string lastLabel;                        // "razem", or "średnio" for weekdays
    std::vector<long long> totals;                // per entrance
    long long total = 0;
};

PersonTable personTable(const StatTable& table);

// The number a cell shows: the visitors, or on weekday rows their average
// per open day (per day without a schedule).
long long cellValue(const StatTable& table, const PeriodCounts& counts, std::size_t entrance);

// The text of a cell: "zamknięte" for a day, or every day of a period,
// that the schedule keeps closed and that has no record; else cellValue.
std::string cellText(const StatTable& table, const PeriodCounts& counts, std::size_t entrance);

// The label of a row with what is partial about it: the days counted of a
// week or month partly inside the range, the days of a weekday, and
// "(do teraz)" for the period that is still running.
std::string rowLabel(const StatTable& table, const PeriodRow& row);
