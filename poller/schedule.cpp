// The wait between samples of the clock.
#include <time.h>

#include "poller.h"

// The due rule itself (closingSecond, isDue) is shared with pcstat's
// checks: common/pollrules.cpp.

std::time_t waitForNextSecond() {
    // Sleep to the start of the next second of the clock, so that samples
    // stay aligned to whole seconds and none is skipped.  The sleep is
    // relative: a clock set back while it lasts cannot stretch it beyond a
    // second, and the caller reads the clock afresh.  A stop signal cuts
    // the sleep short.
    constexpr long nanosPerSecond = 1'000'000'000;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    timespec rest{0, nanosPerSecond - now.tv_nsec};
    if (rest.tv_nsec >= nanosPerSecond) rest = {1, 0};
    nanosleep(&rest, nullptr);
    return now.tv_sec + 1;
}
