// Decimal numbers in typed answers, read by the same rule as the numbers
// of report fields.
#include <climits>

#include "record.h"
#include "viewer.h"

bool parseDecimal(const std::string& text, long long& value) { return readDecimal(text, value); }

bool parseLong(const std::string& text, long& value) {
    long long parsed = 0;
    if (!parseDecimal(text, parsed) || parsed < LONG_MIN || parsed > LONG_MAX) return false;
    value = static_cast<long>(parsed);
    return true;
}

bool parseInt(const std::string& text, int& value) {
    long long parsed = 0;
    if (!parseDecimal(text, parsed) || parsed < INT_MIN || parsed > INT_MAX) return false;
    value = static_cast<int>(parsed);
    return true;
}
