// The main loop: sample the clock once a second and run a poll cycle at
// every due moment, until a stop signal clears runInt.
#include "metrics.h"
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
    PollerMetrics metrics;  // written only when the metrics key is set
};

// Waits until a poll cycle is due or a stop is requested, keeping the
// metrics' heartbeat; returns the real time of the sample.
std::time_t waitForDueMoment(const Settings& s, const SerialPort& port, LoopState& state) {
    const std::time_t lastCycle = state.lastCycle;
    std::time_t now = 0;
    do {
        wday = weekday();
        start = s.openTimes[wday];
        stop = closingSecond(s.closeTimes[wday]);
        waitForNextSecond();
        now = std::time(nullptr);
        t = gettimesec();
        heartbeatMetrics(s, port, state.metrics);
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
    std::time_t polledAt = std::time(nullptr);
    pollExchange(s, port, state.result);
    std::string line = formRecord(s, time, state.result);
    // A stop cuts the exchange's waits short, so its reading says nothing
    // about the counter's health.
    if (runInt != 1) return;
    noteHealth(s, state.loggedHealth, state.result.health);
    countPoll(state.metrics, state.result, polledAt);
    if (start != stop)
        countRecord(state.metrics, writeRecord(s, line));
    else
        noteClosedDay(s);
    saveCycleMetrics(s, port, state.metrics);
}

}  // namespace

int runLoop(const Settings& s, SerialPort& port) {
    LoopState state;
    startMetrics(s, port, state.metrics);
    while (runInt == 1) {
        state.lastCycle = waitForDueMoment(s, port, state);
        runPollCycle(s, port, state);
    }
    stopMetrics(s, port, state.metrics);
    writeStopLines(s);
    return 0;
}
