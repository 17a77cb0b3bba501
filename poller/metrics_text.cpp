// The metrics document: Prometheus text format 0.0.4, one family per
// metric with its HELP and TYPE lines, integer values, and the label
// entrance (the invocation name) on every sample.  A series that has no
// value yet (no poll, no good poll, no total) is left out with its HELP
// and TYPE.
#include <cstdint>

#include "metrics.h"
#include "utf8.h"

namespace {

const char* const replacementCharacter = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

struct Family {
    const char* name;
    const char* type;
    const char* help;
};

constexpr Family upFamily{"pcpoll_up", "gauge",
                          "Whether the poller is running: 0 in the file written at its stop."};
constexpr Family infoFamily{"pcpoll_info", "gauge",
                            "The poller's serial port and version; always 1."};
constexpr Family startFamily{"pcpoll_start_time_seconds", "gauge",
                             "When the poller started, in seconds since the epoch."};
constexpr Family heartbeatFamily{
    "pcpoll_heartbeat_timestamp_seconds", "gauge",
    "When the poller wrote this file, in seconds since the epoch (at least once a minute)."};
constexpr Family intervalFamily{"pcpoll_record_interval_seconds", "gauge",
                                "The record interval: seconds between two due moments."};
constexpr Family openFamily{
    "pcpoll_open", "gauge",
    "Whether the latest clock sample lies within today's opening hours on a day that is not "
    "closed."};
constexpr Family portFamily{"pcpoll_port_up", "gauge",
                            "Whether the serial line to the counter is there: 0 while it is lost."};
// The health of the counter's latest answer.  The name leaves out the word
// counter: promtool refuses it in the name of anything but a counter.
constexpr Family goodFamily{
    "pcpoll_last_poll_good", "gauge",
    "Whether the latest poll got a six-digit value or a photocell fault marker."};
constexpr Family pollsFamily{
    "pcpoll_polls_total", "counter",
    "Polls of the counter since the start, by result: good (a value or a fault marker), "
    "silent (nothing received), no_value (bytes without either)."};
constexpr Family lastPollFamily{"pcpoll_last_poll_timestamp_seconds", "gauge",
                                "When the counter was last polled, in seconds since the epoch."};
constexpr Family lastGoodFamily{
    "pcpoll_last_good_poll_timestamp_seconds", "gauge",
    "When the counter last gave a good answer, in seconds since the epoch."};
constexpr Family visitorsFamily{
    "pcpoll_visitors_total", "counter",
    "The counter's total of visitors at its latest good answer (it wraps after 999999)."};
constexpr Family faultsFamily{"pcpoll_photocell_faults", "gauge",
                              "Photocell fault markers in the counter's latest answer."};
constexpr Family recordsFamily{"pcpoll_records_written_total", "counter",
                               "Record lines written to the report files since the start."};
constexpr Family recordErrorsFamily{
    "pcpoll_record_write_errors_total", "counter",
    "Record lines that could not be written to the report files since the start."};

void appendHeader(std::string& out, const Family& family) {
    out += "# HELP ";
    out += family.name;
    out += ' ';
    out += family.help;
    out += "\n# TYPE ";
    out += family.name;
    out += ' ';
    out += family.type;
    out += '\n';
}

// One sample; labels is the text between the braces.
void appendSample(std::string& out, const char* name, const std::string& labels,
                  std::int64_t value) {
    out += name;
    out += '{';
    out += labels;
    out += "} ";
    out += std::to_string(value);
    out += '\n';
}

void appendFamily(std::string& out, const Family& family, const std::string& labels,
                  std::int64_t value) {
    appendHeader(out, family);
    appendSample(out, family.name, labels, value);
}

std::string label(const char* name, const std::string& value) {
    return std::string(name) + "=\"" + metricsLabelValue(value) + "\"";
}

}  // namespace

bool withinOpeningHours(int t, int start, int stop) {
    return start != stop && start <= t && t <= stop;
}

std::string metricsLabelValue(const std::string& value) {
    std::string out;
    for (std::size_t at = 0; at < value.size();) {
        std::size_t length = utf8SequenceLength(value, at);
        if (length == 0) {
            out += replacementCharacter;
            ++at;
            continue;
        }
        char c = value[at];
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out.append(value, at, length);
        at += length;
    }
    return out;
}

std::string metricsText(const MetricsState& state) {
    const std::string entrance = label("entrance", state.entrance);
    std::string out;
    appendFamily(out, upFamily, entrance, state.up ? 1 : 0);
    appendFamily(out, infoFamily,
                 entrance + "," + label("port", state.port) + "," + label("version", state.version),
                 1);
    appendFamily(out, startFamily, entrance, state.startTime);
    appendFamily(out, heartbeatFamily, entrance, state.heartbeat);
    appendFamily(out, intervalFamily, entrance, state.recordInterval);
    appendFamily(out, openFamily, entrance, state.open ? 1 : 0);
    appendFamily(out, portFamily, entrance, state.portUp ? 1 : 0);
    appendFamily(out, goodFamily, entrance, state.lastPollGood ? 1 : 0);
    appendHeader(out, pollsFamily);
    appendSample(out, pollsFamily.name, entrance + ",result=\"good\"", state.pollsGood);
    appendSample(out, pollsFamily.name, entrance + ",result=\"silent\"", state.pollsSilent);
    appendSample(out, pollsFamily.name, entrance + ",result=\"no_value\"", state.pollsNoValue);
    if (state.polled) appendFamily(out, lastPollFamily, entrance, state.lastPoll);
    if (state.goodPolled) appendFamily(out, lastGoodFamily, entrance, state.lastGoodPoll);
    if (state.visitorsKnown) appendFamily(out, visitorsFamily, entrance, state.visitors);
    appendFamily(out, faultsFamily, entrance, state.photocellFaults);
    appendFamily(out, recordsFamily, entrance, state.recordsWritten);
    appendFamily(out, recordErrorsFamily, entrance, state.recordWriteErrors);
    return out;
}
