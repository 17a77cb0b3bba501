// What a manager asks next of a table: the visitors of the matching
// period (--compare previous|year) and the sales of each period with the
// conversion (--sales), as columns added to the table's rows.
#pragma once

#include <string>
#include <vector>

#include "entrance.h"
#include "options.h"
#include "rows.h"
#include "sales.h"

// The days the compared range lies before the range: previous, the number
// of days of the range; year, 364 (52 weeks: the same weekdays).
long compareShift(CompareWith kind, Day from, Day to);

struct Comparison {
    bool on = false;
    std::string fromDate, toDate;                  // the compared range
    std::vector<std::string> periods;              // per row: the matching period
    std::vector<std::vector<long long>> visitors;  // [row][entrance]
    std::vector<bool> incomplete;                  // per row: its compared counts are not whole
};

// The comparison of every row of the table; false with a message when a
// file of the compared range cannot be read.
bool computeComparison(const std::vector<Entrance>& entrances, const Options& options,
                       const StatTable& table, Comparison& comparison, std::string& error);

// The comparison with the entrances' columns summed as tableByShop sums
// them: shopOf gives each entrance's column among shops.
void comparisonByShop(Comparison& comparison, const std::vector<std::size_t>& shopOf,
                      std::size_t shops);

struct Conversion {
    bool on = false;
    std::vector<SalesAmount> sales;  // per row, of all entrances together
    // Periods with sales but no counted visitors (usually a missing reading).
    std::vector<std::string> salesWithoutVisitors;
    SalesAmount dayOnly;  // sales timed by day only, not in an hour row
};

// Sums the sales into the table's rows.  For hour rows, an hour holding
// sales but no row gets a row of its own (with no counts), so no sale is
// left out.
void applySales(const SalesTable& sales, const Options& options, StatTable& table,
                Conversion& conversion);

// Numbers as the columns write them, with the decimal sign given; empty
// when there is nothing to divide by.
std::string changePercent(long long now, long long before, char decimal);
std::string conversionPercent(long long transactions, long long visitors, char decimal);
std::string perVisitor(long long hundredths, long long visitors, char decimal);
std::string money(long long hundredths, char decimal);

// What the writers add to a table's output: the comparison, the sales, the
// csv separator (';' writes decimal commas) and the entrances without a
// schedule to name under the table.
struct TableExtras {
    const Comparison* comparison = nullptr;
    const Conversion* conversion = nullptr;
    char csvSep = ',';
    std::vector<std::string> unscheduled;
    std::vector<Entrance> entrances;  // for the open days of the average
};
