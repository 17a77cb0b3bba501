// The answer parser: a line feed and a carriage return, then either six
// decimal digits (the counter total) or F (a photocell fault).
#include "poller.h"

namespace {
constexpr int valueDigits = 6;
constexpr int stateIdle = 0;
constexpr int stateLineFeed = 1;
constexpr int stateMarker = 2;  // line feed and carriage return seen
constexpr int stateValue = stateMarker + valueDigits;
constexpr std::size_t markerLength = 3;  // line feed, carriage return, F
static_assert(parserWindow / markerLength == maxRecordFaults,
              "the fault count the record readers accept is the most the parser can count");
}  // namespace

bool getdata(const std::string& answer, int& total, int& faults) {
    bool found = false;
    int s = stateIdle;
    char digits[valueDigits] = {};
    faults = 0;
    std::size_t length = answer.size() < parserWindow ? answer.size() : parserWindow;
    for (std::size_t i = 0; i < length; ++i) {
        char c = answer[i];
        if (c == '\0') break;
        if (s == stateMarker && c == 'F') {
            ++faults;
            s = stateIdle;
        }
        if (s >= stateMarker && s < stateValue) {
            if (c >= '0' && c <= '9') {
                digits[s - stateMarker] = c;
                ++s;
            } else {
                s = stateIdle;
            }
        }
        if (s == stateValue) {
            int value = 0;
            for (char digit : digits) value = value * 10 + (digit - '0');
            total = value;
            found = true;
            s = stateIdle;
        }
        if (s == stateLineFeed) s = c == '\r' ? stateMarker : stateIdle;
        if (s == stateIdle) s = c == '\n' ? stateLineFeed : stateIdle;
    }
    return found;
}
