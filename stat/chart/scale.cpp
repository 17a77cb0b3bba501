// The vertical scale and the numbers written on the chart.
#include "chart.h"

#include <climits>

ChartScale chartScale(long long highest) {
    if (highest < 1) highest = 1;
    // The smallest round step that reaches the highest bar in at most
    // mostIntervals steps: with steps of 1, 2 and 5 that leaves between
    // three and eight intervals, and the top bar fills most of the plot.
    constexpr long long mostIntervals = 8;
    const long long wanted = highest / mostIntervals + (highest % mostIntervals != 0);
    ChartScale scale;
    for (long long power = 1;; power *= 10) {
        long long found = 0;
        for (long long multiple : {1, 2, 5}) {
            if (multiple * power >= wanted) {
                found = multiple * power;
                break;
            }
        }
        if (found) {
            scale.step = found;
            break;
        }
    }
    const long long steps = highest / scale.step + (highest % scale.step != 0);
    scale.top = steps > LLONG_MAX / scale.step ? LLONG_MAX : steps * scale.step;
    return scale;
}

std::string chartNumber(long long value) {
    std::string digits = std::to_string(value);
    std::string sign;
    if (!digits.empty() && digits[0] == '-') {
        sign = "-";
        digits.erase(0, 1);
    }
    if (digits.size() < 5) return sign + digits;
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ' ';
        grouped += digits[i];
    }
    return sign + grouped;
}
