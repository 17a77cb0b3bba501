// The main loop: sample the clock once a second and run a poll cycle at
// every due moment, until a stop signal clears runInt.
#include "poller.h"

namespace {

// Waits until a poll cycle is due or a stop is requested.
void waitForDueMoment(const Settings& s) {
    do {
        wday = weekday();
        start = s.openTimes[wday];
        stop = closingSecond(s.closeTimes[wday]);
        waitForNextSecond();
        t = gettimesec();
    } while (runInt == 1 && !isDue(t, start, stop, s.interval));
}

void runPollCycle(const Settings& s, SerialPort& port, PollResult& result) {
    if (port.lost) reopenLostPort(s, port);
    if (wday != wdayOld) {
        drainPort(s, port);
        wdayOld = wday;
    }
    std::string time = recordTime(s.interval);
    pollExchange(s, port, result);
    std::string line = formRecord(s, time, result);
    if (runInt != 1) return;
    if (start != stop)
        writeRecord(s, line);
    else
        noteClosedDay(s);
}

}  // namespace

int runLoop(const Settings& s, SerialPort& port) {
    PollResult result;
    while (runInt == 1) {
        waitForDueMoment(s);
        runPollCycle(s, port, result);
    }
    writeStopLines(s);
    return 0;
}
