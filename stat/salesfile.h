// A sales file exported from a till system: a header line naming the
// columns, then one line per transaction or per aggregate.  The columns
// are time (YYYY-MM-DD HH:MM[:SS], YYYY-MM-DDTHH or YYYY-MM-DD), shop, and
// the optional transactions (1 per line without it) and revenue (a
// decimal number with a point or a comma; a field with a comma is quoted).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "calendar.h"

// Longer lines are not sales lines.
constexpr std::size_t maxSalesLine = 4096;

struct SaleLine {
    Day day{};
    int hour = -1;  // -1 for a line of a whole day
    std::string shop;
    long long transactions = 1;
    std::string revenue;  // the decimal number with a point, or empty
};

class SalesReader {
public:
    // Reads the header; false with a message when time or the named
    // required columns are missing or a column is named twice.
    bool header(std::string_view line, bool needShop, std::string& error);
    // Reads a line after the header; false with a message naming what is
    // wrong in it.
    bool line(std::string_view text, SaleLine& sale, std::string& error) const;

private:
    int time_ = -1, shop_ = -1, transactions_ = -1, revenue_ = -1;
    std::size_t columns_ = 0;
};

// The fields of a csv line: separated by commas, a field in double quotes
// may hold commas and doubled quotes.  False for an unclosed quote.
bool splitCsvFields(std::string_view line, std::vector<std::string>& fields);
