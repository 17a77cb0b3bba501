// Decimal numbers in typed answers, read by the same rule as the numbers
// of report fields.
#include "record.h"
#include "viewer.h"

bool parseDecimal(const std::string& text, long long& value) { return readDecimal(text, value); }
