// The polling schedule: when a poll cycle is due, and the wait between
// samples of the clock.
#include <time.h>

#include "poller.h"

int closingSecond(int closeTime) {
    // The clock never reads 24:00, so a 24:00 closing is tested at 23:59:59.
    return closeTime == secondsPerDay ? secondsPerDay - 1 : closeTime;
}

bool isDue(int second, int open, int close, int interval) {
    if (second < open || second > close) return false;
    return second % interval == 0 || second == open || second == close;
}

void waitForNextSecond() {
    // Sleep to the start of the next second of the clock, so that samples
    // stay aligned to whole seconds and none is skipped.  A stop signal
    // cuts the sleep short.
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    struct timespec next {now.tv_sec + 1, 0};
    clock_nanosleep(CLOCK_REALTIME, TIMER_ABSTIME, &next, nullptr);
}
