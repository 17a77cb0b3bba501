// The metrics of the running poller: what the polls, records and the line
// have done so far, written to the metrics file once the port is set up,
// after every poll cycle, at least once a minute while waiting, and at the
// stop.  Without a metrics file nothing is counted or written.
#include <ctime>

#include "metrics.h"
#include "poller.h"

namespace {

std::int64_t now() { return static_cast<std::int64_t>(std::time(nullptr)); }

void save(const Settings& s, const SerialPort& port, PollerMetrics& m, bool open) {
    m.state.heartbeat = now();
    m.state.open = open;
    m.state.portUp = !port.lost;
    m.lastWrite = m.state.heartbeat;
    saveMetrics(s, m.file, m.state);
}

// Whether the latest sample of the main loop lies within today's hours.
bool openNow() { return withinOpeningHours(t, start, stop); }

}  // namespace

void readMetricsSetting(Settings& s, std::FILE* vlog) {
    std::string value;
    if (confRead(s.confPath, metricsKey, value, confHashComments) <= 0) return;
    s.metrics = value;
    if (verbose >= levelDetail)
        putLog(vlog, fmt("Sciezka/nazwa pliku metryk = %s\n", value.c_str()));
}

std::string metricsSummary(const Settings& s) {
    return s.metrics.empty() ? "" : fmt("plik metryk = %s\n", s.metrics.c_str());
}

void startMetrics(const Settings& s, const SerialPort& port, PollerMetrics& m) {
    m.file.path = s.metrics;
    if (m.file.path.empty()) return;
    m.state.entrance = s.invocation;
    m.state.port = s.portname;
    m.state.version = versionText;
    m.state.startTime = now();
    m.state.recordInterval = s.interval;
    // No sample of the loop yet: today's hours and the clock of this moment.
    int today = weekday();
    bool open =
        withinOpeningHours(gettimesec(), s.openTimes[today], closingSecond(s.closeTimes[today]));
    save(s, port, m, open);
}

void countPoll(PollerMetrics& m, const PollResult& result, std::int64_t polledAt) {
    if (m.file.path.empty()) return;
    MetricsState& state = m.state;
    state.polled = true;
    state.lastPoll = polledAt;
    state.lastPollGood = result.health == healthGood;
    switch (result.health) {
        case healthGood: ++state.pollsGood; break;
        case healthSilent: ++state.pollsSilent; break;
        case healthNoValue: ++state.pollsNoValue; break;
    }
    if (result.health == healthGood) {
        state.goodPolled = true;
        state.lastGoodPoll = polledAt;
    }
    // A fault marker alone leaves the total as it was; until a value has
    // come, there is no total to show.
    state.visitorsKnown = state.visitorsKnown || result.valueSeen;
    state.visitors = result.total;
    state.photocellFaults = result.faults;
}

void countRecord(PollerMetrics& m, bool written) {
    if (m.file.path.empty()) return;
    ++(written ? m.state.recordsWritten : m.state.recordWriteErrors);
}

void saveCycleMetrics(const Settings& s, const SerialPort& port, PollerMetrics& m) {
    if (m.file.path.empty()) return;
    save(s, port, m, openNow());
}

void heartbeatMetrics(const Settings& s, const SerialPort& port, PollerMetrics& m) {
    if (m.file.path.empty()) return;
    std::int64_t moment = now();
    if (moment - m.lastWrite < heartbeatSeconds && moment >= m.lastWrite) return;
    save(s, port, m, openNow());
}

void stopMetrics(const Settings& s, const SerialPort& port, PollerMetrics& m) {
    if (m.file.path.empty()) return;
    m.state.up = false;
    save(s, port, m, openNow());
}
