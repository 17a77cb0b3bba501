// The poller's metrics file for the Prometheus node exporter's textfile
// collector: the state of the poller as a Prometheus text format 0.0.4
// document, written whole to a temporary file and renamed into place, so
// that a scrape never sees half a file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// What the metrics file shows: a plain copy of the poller's state.
// Timestamps are seconds since the epoch.
struct MetricsState {
    std::string entrance;  // the invocation name
    std::string port;      // portname
    std::string version;   // the version text
    bool up = true;        // false only in the file written at the stop
    std::int64_t startTime = 0;
    std::int64_t heartbeat = 0;  // the time of this write
    int recordInterval = 0;      // seconds between two due moments
    bool open = false;           // the latest sample lies within today's hours
    bool portUp = true;          // false while the line is lost
    bool lastPollGood = true;    // the health of the latest poll; starts good
    std::int64_t pollsGood = 0;
    std::int64_t pollsSilent = 0;
    std::int64_t pollsNoValue = 0;
    bool polled = false;  // a poll has been made: lastPoll is valid
    std::int64_t lastPoll = 0;
    bool goodPolled = false;  // a good poll has been made: lastGoodPoll is valid
    std::int64_t lastGoodPoll = 0;
    bool visitorsKnown = false;  // a poll has brought a value: visitors is valid
    std::int64_t visitors = 0;   // the counter total of the latest good poll
    int photocellFaults = 0;     // fault markers in the latest answer
    std::int64_t recordsWritten = 0;
    std::int64_t recordWriteErrors = 0;
};

// Whether second t of the day lies within the opening hours start..stop
// (both included) of a day that is not closed (start differs from stop).
bool withinOpeningHours(int t, int start, int stop);

// A label value as the text format needs it: backslash, double quote and
// line feed escaped; a byte that is not part of valid UTF-8 becomes U+FFFD,
// since the exporter refuses a file with such a label.
std::string metricsLabelValue(const std::string& value);

// The whole metrics document of the state.
std::string metricsText(const MetricsState& state);

// The temporary file the metrics are written to before the rename: in the
// same directory, hidden, and not ending in .prom, so the collector never
// reads it.
std::string metricsTempPath(const std::string& path);

// Writes text whole to a temporary file beside path (mode 0644, never
// through a symbolic link) and renames it over path.  A path that exists
// and is not a regular file (a symbolic link, a FIFO, a directory, a
// device) is left alone and refused.  Returns true, or false with the
// reason in reason.
bool writeMetricsFile(const std::string& path, const std::string& text, std::string& reason);

// The metrics file of a running poller and whether its latest write failed.
struct MetricsFile {
    std::string path;  // empty: no metrics
    bool failing = false;
};

struct Settings;
struct SerialPort;
struct PollResult;

// Writes the state to the metrics file, when there is one.  A failure is
// logged once in the verbose log, at every level (and in the journal), and
// so is the next write that succeeds; polling goes on either way.
void saveMetrics(const Settings& s, MetricsFile& file, const MetricsState& state);

// ---- the metrics of the running poller (metrics_run.cpp)
constexpr int heartbeatSeconds = 60;  // the longest time between two writes

struct PollerMetrics {
    MetricsFile file;
    MetricsState state;
    std::int64_t lastWrite = 0;
};

// The optional key metrics: its value goes to s.metrics, logged at level 2
// right after its lookup.
void readMetricsSetting(Settings& s, std::FILE* vlog);
// The settings summary's line of the metrics file; empty without one.
std::string metricsSummary(const Settings& s);

// Every function below does nothing when the poller has no metrics file.
// The first write, once the port is set up.
void startMetrics(const Settings& s, const SerialPort& port, PollerMetrics& m);
// A poll exchange has been made at polledAt (seconds since the epoch).
void countPoll(PollerMetrics& m, const PollResult& result, std::int64_t polledAt);
// A record line has been written, or has failed.
void countRecord(PollerMetrics& m, bool written);
// The write after a poll cycle.
void saveCycleMetrics(const Settings& s, const SerialPort& port, PollerMetrics& m);
// The write while waiting, when the last one is a minute old (or the clock
// has been set back past it).
void heartbeatMetrics(const Settings& s, const SerialPort& port, PollerMetrics& m);
// The last write, with pcpoll_up 0.
void stopMetrics(const Settings& s, const SerialPort& port, PollerMetrics& m);
