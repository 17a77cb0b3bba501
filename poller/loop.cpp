// The main loop: sample the clock once a second and run a poll cycle at
// every due moment, until a stop signal clears runInt.
#include <algorithm>

#include "metrics.h"
#include "poller.h"

namespace {

// State of the loop that lives across cycles.
struct LoopState {
    PollResult result;
    PollHealth loggedHealth = healthGood;  // the health last logged
    // Real time of the moment the last poll cycle polled: a moment whose
    // real time is not later (the clock was stepped back a little) is not
    // polled again.  The repeated hour of an autumn daylight-saving
    // change has new real times and is polled as usual.
    std::time_t lastCycle = 0;
    // Every second up to this one has been sampled, polled, or lay within
    // the normal length of a poll cycle.
    std::time_t judgedUpTo = 0;
    ClockWatch clock;       // for steps of the wall clock
    PollerMetrics metrics;  // written only when the metrics key is set
};

// A sample that starts a poll cycle.
struct DueSample {
    std::time_t now = 0;     // real time of the sample
    std::time_t moment = 0;  // the due moment polled: now, or a second a late sample skipped
};

int secondOfDay(std::time_t when) {
    std::tm parts{};
    localtime_r(&when, &parts);
    return secondOfDay(parts);
}

// Says a step of the wall clock found at the sample now, at every level
// and in the journal.  A long step back is a corrected clock: the moments
// it brings back are polled again.  Returns the step.
long noteClockStep(const Settings& s, LoopState& state, std::time_t now) {
    long step = clockStep(state.clock);
    if (step < -clockBackTolerance) {
        importantLog(s, priorityWarning, clockBackText(now, -step));
        state.lastCycle = 0;
        state.judgedUpTo = now;
    } else if (step > clockForwardTolerance) {
        importantLog(s, priorityWarning,
                     clockForwardText(now, step, dueMomentsBetween(s, now - step, now)));
        state.judgedUpTo = now;
    }
    return step;
}

// The longest a poll cycle normally lasts (three one-second waits after
// its sample): the seconds it covers are not sampled, as the cycle of the
// closing second 23:59:59 covers 00:00:00.
constexpr std::time_t cycleSeconds = 3;

// Whether a moment of the day before, skipped by a sample woken late just
// after midnight, is that day's closing second 23:59:59 and due under that
// day's hours.  Its record goes into the new day's file, as the record of
// a closing second polled on time does; other moments of the day before
// are not polled late, since their records belong to its file.
bool isYesterdaysClosingSecond(const Settings& s, std::time_t moment) {
    std::tm parts{};
    localtime_r(&moment, &parts);
    int open = s.openTimes[parts.tm_wday];
    int close = closingSecond(s.closeTimes[parts.tm_wday]);
    int second = secondOfDay(parts);
    constexpr int lastSecondOfDay = secondsPerDay - 1;
    return second == lastSecondOfDay && close == lastSecondOfDay &&
           isDue(second, open, close, s.interval);
}

// The earliest due moment, at most a minute ago, among the seconds not yet
// judged that a sample woken late (a busy machine) skipped; 0 when there
// is none.
std::time_t skippedDueMoment(const Settings& s, const LoopState& state, std::time_t now) {
    std::time_t from = std::max(state.judgedUpTo + 1, now - clockForwardTolerance);
    for (std::time_t moment = from; moment < now; ++moment) {
        if (moment <= state.lastCycle) continue;
        int second = secondOfDay(moment);
        bool due = second > t ? isYesterdaysClosingSecond(s, moment)
                              : isDue(second, start, stop, s.interval);
        if (due) return moment;
    }
    return 0;
}

// Waits until a poll cycle is due or a stop is requested, keeping the
// metrics' heartbeat.
DueSample waitForDueMoment(const Settings& s, const SerialPort& port, LoopState& state) {
    DueSample sample;
    while (true) {
        wday = weekday();
        start = s.openTimes[wday];
        stop = closingSecond(s.closeTimes[wday]);
        waitForNextSecond();
        sample.now = std::time(nullptr);
        t = secondOfDay(sample.now);
        long step = noteClockStep(s, state, sample.now);
        heartbeatMetrics(s, port, state.metrics);
        sample.moment = sample.now;
        if (runInt != 1) break;
        // A sample that woke more than a second late polls the due moments
        // it skipped first, one a cycle, unless the clock was stepped back.
        if (step >= 0) {
            std::time_t skipped = skippedDueMoment(s, state, sample.now);
            if (skipped != 0) {
                sample.moment = skipped;
                break;
            }
        }
        if (isDue(t, start, stop, s.interval) && sample.now > state.lastCycle) break;
        state.judgedUpTo = std::max(state.judgedUpTo, sample.now);
    }
    return sample;
}

void runPollCycle(const Settings& s, SerialPort& port, LoopState& state, const DueSample& due) {
    if (port.lost) reopenLostPort(s, port);
    if (wday != wdayOld) {
        drainPort(s, port);
        wdayOld = wday;
    }
    std::string time =
        due.moment == due.now ? recordTime(s.interval) : recordTimeOf(s.interval, due.moment);
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
    clockStep(state.clock);
    state.judgedUpTo = std::time(nullptr);
    while (runInt == 1) {
        DueSample due = waitForDueMoment(s, port, state);
        state.lastCycle = due.moment;
        state.judgedUpTo = std::max(state.judgedUpTo, due.moment + cycleSeconds);
        runPollCycle(s, port, state, due);
    }
    stopMetrics(s, port, state.metrics);
    writeStopLines(s);
    return 0;
}
