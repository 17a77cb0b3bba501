// The noun form a Polish count takes: one, a few (ending in 2-4, but not
// in 12-14) or many.
#include "polish.h"

std::string polishCount(long long count, const char* one, const char* few, const char* many) {
    long long units = count % 10;
    long long tens = count % 100;
    const char* noun = many;
    if (count == 1)
        noun = one;
    else if (units >= 2 && units <= 4 && (tens < 12 || tens > 14))
        noun = few;
    return std::to_string(count) + " " + noun;
}
