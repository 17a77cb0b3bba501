// The wait between samples of the clock.
#include <time.h>

#include "poller.h"

// The due rule itself (closingSecond, isDue) is shared with pcstat's
// checks: common/pollrules.cpp.

void waitForNextSecond() {
    // Sleep to the start of the next second of the clock, so that samples
    // stay aligned to whole seconds and none is skipped.  A stop signal
    // cuts the sleep short.
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    timespec next{now.tv_sec + 1, 0};
    clock_nanosleep(CLOCK_REALTIME, TIMER_ABSTIME, &next, nullptr);
}
