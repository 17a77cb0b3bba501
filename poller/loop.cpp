// The main loop: sample the clock once a second and run a poll cycle at
// every due moment, until a stop signal clears runInt.
#include "poller.h"

namespace {

// State of the loop that lives across cycles.
struct LoopState {
    PollResult result;
    PollHealth loggedHealth = healthGood;  // the health last logged
    // Real time of the sample that started the last poll cycle: a moment
    // whose real time is not later (the clock was stepped back) is not
    // polled again.  The repeated hour of an autumn daylight-saving change
    // has new real times and is polled as usual.
    std::time_t lastCycle = 0;
};

// Waits until a poll cycle is due or a stop is requested; returns the real
// time of the sample.
std::time_t waitForDueMoment(const Settings& s, std::time_t lastCycle) {
    std::time_t now = 0;
    do {
        wday = weekday();
        start = s.openTimes[wday];
        stop = closingSecond(s.closeTimes[wday]);
        waitForNextSecond();
        now = std::time(nullptr);
        t = gettimesec();
    } while (runInt == 1 && (!isDue(t, start, stop, s.interval) || now <= lastCycle));
    return now;
}

void runPollCycle(const Settings& s, SerialPort& port, LoopState& state) {
    if (port.lost) reopenLostPort(s, port);
    if (wday != wdayOld) {
        drainPort(s, port);
        wdayOld = wday;
    }
    std::string time = recordTime(s.interval);
    pollExchange(s, port, state.result);
    std::string line = formRecord(s, time, state.result);
    // A stop cuts the exchange's waits short, so its reading says nothing
    // about the counter's health.
    if (runInt != 1) return;
    noteHealth(s, state.loggedHealth, state.result.health);
    if (start != stop)
        writeRecord(s, line);
    else
        noteClosedDay(s);
}

}  // namespace

int runLoop(const Settings& s, SerialPort& port) {
    LoopState state;
    while (runInt == 1) {
        state.lastCycle = waitForDueMoment(s, state.lastCycle);
        runPollCycle(s, port, state);
    }
    writeStopLines(s);
    return 0;
}
