// Polish texts: a count with the noun form it takes.
#pragma once

#include <string>

// "1 wiersz", "3 wiersze", "5 wierszy", "22 wiersze", "12 wierszy".
std::string polishCount(long long count, const char* one, const char* few, const char* many);
