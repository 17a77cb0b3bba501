// The metrics file: its text for a given state of the poller, the escaping
// of label values, the atomic replacement of the file, the paths it must
// refuse, the once-only log lines of a failing write, and promtool's
// verdict on every kind of file the poller writes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "metrics.h"
#include "poller.h"
#include "realtools.h"
#include "testsupport.h"

using namespace testsupport;

namespace {

MetricsState runningState() {
    MetricsState state;
    state.entrance = "door1";
    state.port = "/dev/ttyS0";
    state.version = versionText;
    state.startTime = 1300093190;
    state.heartbeat = 1300096800;
    state.recordInterval = 900;
    state.open = true;
    state.lastPollGood = true;
    state.pollsGood = 12;
    state.pollsSilent = 3;
    state.pollsNoValue = 1;
    state.polled = true;
    state.lastPoll = 1300096800;
    state.goodPolled = true;
    state.lastGoodPoll = 1300096790;
    state.visitorsKnown = true;
    state.visitors = 123456;
    state.photocellFaults = 2;
    state.recordsWritten = 15;
    state.recordWriteErrors = 1;
    return state;
}

const char* const runningText =
    "# HELP pcpoll_up Whether the poller is running: 0 in the file written at its stop.\n"
    "# TYPE pcpoll_up gauge\n"
    "pcpoll_up{entrance=\"door1\"} 1\n"
    "# HELP pcpoll_info The poller's serial port and version; always 1.\n"
    "# TYPE pcpoll_info gauge\n"
    "pcpoll_info{entrance=\"door1\",port=\"/dev/ttyS0\",version=\"pcpoll-0.1.0-20100826-7\"} 1\n"
    "# HELP pcpoll_start_time_seconds When the poller started, in seconds since the epoch.\n"
    "# TYPE pcpoll_start_time_seconds gauge\n"
    "pcpoll_start_time_seconds{entrance=\"door1\"} 1300093190\n"
    "# HELP pcpoll_heartbeat_timestamp_seconds When the poller wrote this file, in seconds "
    "since the epoch (at least once a minute).\n"
    "# TYPE pcpoll_heartbeat_timestamp_seconds gauge\n"
    "pcpoll_heartbeat_timestamp_seconds{entrance=\"door1\"} 1300096800\n"
    "# HELP pcpoll_record_interval_seconds The record interval: seconds between two due "
    "moments.\n"
    "# TYPE pcpoll_record_interval_seconds gauge\n"
    "pcpoll_record_interval_seconds{entrance=\"door1\"} 900\n"
    "# HELP pcpoll_open Whether the latest clock sample lies within today's opening hours on "
    "a day that is not closed.\n"
    "# TYPE pcpoll_open gauge\n"
    "pcpoll_open{entrance=\"door1\"} 1\n"
    "# HELP pcpoll_port_up Whether the serial line to the counter is there: 0 while it is "
    "lost.\n"
    "# TYPE pcpoll_port_up gauge\n"
    "pcpoll_port_up{entrance=\"door1\"} 1\n"
    "# HELP pcpoll_last_poll_good Whether the latest poll got a six-digit value or a photocell "
    "fault marker.\n"
    "# TYPE pcpoll_last_poll_good gauge\n"
    "pcpoll_last_poll_good{entrance=\"door1\"} 1\n"
    "# HELP pcpoll_polls_total Polls of the counter since the start, by result: good (a value "
    "or a fault marker), silent (nothing received), no_value (bytes without either).\n"
    "# TYPE pcpoll_polls_total counter\n"
    "pcpoll_polls_total{entrance=\"door1\",result=\"good\"} 12\n"
    "pcpoll_polls_total{entrance=\"door1\",result=\"silent\"} 3\n"
    "pcpoll_polls_total{entrance=\"door1\",result=\"no_value\"} 1\n"
    "# HELP pcpoll_last_poll_timestamp_seconds When the counter was last polled, in seconds "
    "since the epoch.\n"
    "# TYPE pcpoll_last_poll_timestamp_seconds gauge\n"
    "pcpoll_last_poll_timestamp_seconds{entrance=\"door1\"} 1300096800\n"
    "# HELP pcpoll_last_good_poll_timestamp_seconds When the counter last gave a good answer, "
    "in seconds since the epoch.\n"
    "# TYPE pcpoll_last_good_poll_timestamp_seconds gauge\n"
    "pcpoll_last_good_poll_timestamp_seconds{entrance=\"door1\"} 1300096790\n"
    "# HELP pcpoll_visitors_total The counter's total of visitors at its latest good answer "
    "(it wraps after 999999).\n"
    "# TYPE pcpoll_visitors_total counter\n"
    "pcpoll_visitors_total{entrance=\"door1\"} 123456\n"
    "# HELP pcpoll_photocell_faults Photocell fault markers in the counter's latest answer.\n"
    "# TYPE pcpoll_photocell_faults gauge\n"
    "pcpoll_photocell_faults{entrance=\"door1\"} 2\n"
    "# HELP pcpoll_records_written_total Record lines written to the report files since the "
    "start.\n"
    "# TYPE pcpoll_records_written_total counter\n"
    "pcpoll_records_written_total{entrance=\"door1\"} 15\n"
    "# HELP pcpoll_record_write_errors_total Record lines that could not be written to the "
    "report files since the start.\n"
    "# TYPE pcpoll_record_write_errors_total counter\n"
    "pcpoll_record_write_errors_total{entrance=\"door1\"} 1\n";

// Sample lines only, HELP and TYPE left out.
std::vector<std::string> samples(const std::string& text) {
    std::vector<std::string> result;
    for (const std::string& line : splitLines(text))
        if (line.rfind("#", 0) != 0) result.push_back(line);
    return result;
}

bool hasFamily(const std::string& text, const std::string& name) {
    return text.find("# TYPE " + name + " ") != std::string::npos ||
           text.find("\n" + name + "{") != std::string::npos;
}

mode_t modeOf(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return 0;
    return status.st_mode & 07777;
}

}  // namespace

TEST(MetricsText, WholeDocumentOfARunningPoller) {
    EXPECT_EQ(metricsText(runningState()), runningText);
}

TEST(MetricsText, StopFileDiffersOnlyInUp) {
    MetricsState state = runningState();
    state.up = false;
    std::string text = metricsText(state);
    std::string expected = runningText;
    std::string running = "pcpoll_up{entrance=\"door1\"} 1\n";
    expected.replace(expected.find(running), running.size(), "pcpoll_up{entrance=\"door1\"} 0\n");
    EXPECT_EQ(text, expected);
}

TEST(MetricsText, SeriesWithoutAValueYetAreLeftOut) {
    MetricsState state;
    state.entrance = "door1";
    state.port = "/dev/ttyS0";
    state.version = versionText;
    state.startTime = 1300093190;
    state.heartbeat = 1300093190;
    std::string text = metricsText(state);
    EXPECT_FALSE(hasFamily(text, "pcpoll_last_poll_timestamp_seconds")) << text;
    EXPECT_FALSE(hasFamily(text, "pcpoll_last_good_poll_timestamp_seconds")) << text;
    EXPECT_FALSE(hasFamily(text, "pcpoll_visitors_total")) << text;
    EXPECT_EQ(samples(text),
              (std::vector<std::string>{
                  "pcpoll_up{entrance=\"door1\"} 1",
                  "pcpoll_info{entrance=\"door1\",port=\"/dev/ttyS0\","
                  "version=\"pcpoll-0.1.0-20100826-7\"} 1",
                  "pcpoll_start_time_seconds{entrance=\"door1\"} 1300093190",
                  "pcpoll_heartbeat_timestamp_seconds{entrance=\"door1\"} 1300093190",
                  "pcpoll_record_interval_seconds{entrance=\"door1\"} 0",
                  "pcpoll_open{entrance=\"door1\"} 0",
                  "pcpoll_port_up{entrance=\"door1\"} 1",
                  "pcpoll_last_poll_good{entrance=\"door1\"} 1",
                  "pcpoll_polls_total{entrance=\"door1\",result=\"good\"} 0",
                  "pcpoll_polls_total{entrance=\"door1\",result=\"silent\"} 0",
                  "pcpoll_polls_total{entrance=\"door1\",result=\"no_value\"} 0",
                  "pcpoll_photocell_faults{entrance=\"door1\"} 0",
                  "pcpoll_records_written_total{entrance=\"door1\"} 0",
                  "pcpoll_record_write_errors_total{entrance=\"door1\"} 0",
              }));

    // Polled, but never a good answer: the time of the poll, still no total.
    state.polled = true;
    state.lastPoll = 1300093200;
    state.pollsSilent = 1;
    state.lastPollGood = false;
    text = metricsText(state);
    EXPECT_NE(text.find("\npcpoll_last_poll_timestamp_seconds{entrance=\"door1\"} 1300093200\n"),
              std::string::npos);
    EXPECT_NE(text.find("\npcpoll_last_poll_good{entrance=\"door1\"} 0\n"), std::string::npos);
    EXPECT_FALSE(hasFamily(text, "pcpoll_last_good_poll_timestamp_seconds"));
    EXPECT_FALSE(hasFamily(text, "pcpoll_visitors_total"));

    // A good poll that held only a photocell fault marker: no total yet.
    state.goodPolled = true;
    state.lastGoodPoll = 1300093210;
    state.lastPollGood = true;
    text = metricsText(state);
    EXPECT_NE(
        text.find("\npcpoll_last_good_poll_timestamp_seconds{entrance=\"door1\"} 1300093210\n"),
        std::string::npos);
    EXPECT_FALSE(hasFamily(text, "pcpoll_visitors_total")) << text;
}

TEST(MetricsText, LabelValuesAreEscaped) {
    EXPECT_EQ(metricsLabelValue("door1"), "door1");
    EXPECT_EQ(metricsLabelValue("a\\b\"c\nd"), "a\\\\b\\\"c\\nd");
    EXPECT_EQ(metricsLabelValue("./pcpoll"), "./pcpoll");
    EXPECT_EQ(metricsLabelValue("wej\xC5\x9B"
                                "cie"),
              "wej\xC5\x9B"
              "cie")
        << "UTF-8 stays";
    EXPECT_EQ(metricsLabelValue("tab\there"), "tab\there") << "only three characters escaped";
    EXPECT_EQ(metricsLabelValue("x\xFFy"), "x\xEF\xBF\xBDy");
    EXPECT_EQ(metricsLabelValue("\xC5"), "\xEF\xBF\xBD") << "cut-off sequence";
    EXPECT_EQ(metricsLabelValue("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD")
        << "a surrogate is not UTF-8";
    EXPECT_EQ(metricsLabelValue("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD") << "overlong form";

    MetricsState state = runningState();
    state.entrance = "sklep \"A\"\\1\n";
    state.port = "/dev/tty\\S0";
    std::string text = metricsText(state);
    EXPECT_NE(text.find("\npcpoll_up{entrance=\"sklep \\\"A\\\"\\\\1\\n\"} 1\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find(",port=\"/dev/tty\\\\S0\","), std::string::npos) << text;
}

TEST(MetricsText, OpenWithinTodaysHoursOfAnOpenDay) {
    const int nine = 9 * 3600, five = 17 * 3600;
    EXPECT_TRUE(withinOpeningHours(nine, nine, five));
    EXPECT_TRUE(withinOpeningHours(five, nine, five));
    EXPECT_TRUE(withinOpeningHours(12 * 3600, nine, five));
    EXPECT_FALSE(withinOpeningHours(nine - 1, nine, five));
    EXPECT_FALSE(withinOpeningHours(five + 1, nine, five));
    EXPECT_FALSE(withinOpeningHours(nine, nine, nine)) << "a closed day";
    EXPECT_FALSE(withinOpeningHours(0, 0, 0)) << "00:00-00:00";
    EXPECT_FALSE(withinOpeningHours(12 * 3600, five, nine)) << "closing before opening";
    EXPECT_TRUE(withinOpeningHours(86399, 0, 86399)) << "24:00 is tested at 23:59:59";
}

TEST(MetricsFile, WrittenWholeWithMode0644AndNoTemporaryLeft) {
    ScratchDir dir("metrics_write");
    std::string path = dir.path + "/door1.prom";
    EXPECT_EQ(metricsTempPath(path), dir.path + "/.door1.prom.tmp");
    EXPECT_EQ(metricsTempPath("door1.prom"), ".door1.prom.tmp");
    mode_t oldMask = umask(077);
    std::string reason;
    bool written = writeMetricsFile(path, "first\n", reason);
    umask(oldMask);
    ASSERT_TRUE(written) << reason;
    EXPECT_EQ(reason, "");
    EXPECT_EQ(readFile(path), "first\n");
    EXPECT_EQ(modeOf(path), 0644u) << "the exporter runs as another user";
    ASSERT_TRUE(writeMetricsFile(path, "second, longer\n", reason)) << reason;
    EXPECT_EQ(readFile(path), "second, longer\n");
    ASSERT_TRUE(writeMetricsFile(path, "3\n", reason)) << reason;
    EXPECT_EQ(readFile(path), "3\n") << "a shorter text leaves nothing of the longer one";
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"door1.prom"});
}

TEST(MetricsFile, AReaderNeverSeesHalfAFile) {
    ScratchDir dir("metrics_atomic");
    std::string path = dir.path + "/door1.prom";
    // Two texts that differ at their end, large enough that a plain
    // rewrite would be seen half done.
    std::string small = metricsText(runningState());
    std::string large;
    while (large.size() < 256 * 1024) large += small;
    std::string reason;
    ASSERT_TRUE(writeMetricsFile(path, small, reason)) << reason;

    std::atomic<bool> done{false};
    std::atomic<int> reads{0}, torn{0};
    std::thread reader([&] {
        while (!done) {
            std::string seen = readFile(path);
            if (seen != small && seen != large) ++torn;
            ++reads;
        }
    });
    int failures = 0;
    for (int i = 0; i < 400; ++i)
        if (!writeMetricsFile(path, i % 2 == 0 ? large : small, reason)) ++failures;
    done = true;
    reader.join();
    EXPECT_EQ(failures, 0) << reason;
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(torn.load(), 0) << "of " << reads.load() << " reads";
}

TEST(MetricsFile, WhatIsNotARegularFileIsRefusedAndLeftAlone) {
    ScratchDir dir("metrics_refuse");
    std::string reason;
    std::string other = dir.path + "/other.txt";
    writeFile(other, "keep me\n");

    std::string link = dir.path + "/link.prom";
    ASSERT_EQ(symlink(other.c_str(), link.c_str()), 0);
    EXPECT_FALSE(writeMetricsFile(link, "metrics\n", reason));
    EXPECT_EQ(reason, "not a regular file");
    EXPECT_EQ(readFile(other), "keep me\n") << "nothing written through the link";
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), other) << "the link is left";

    std::string dangling = dir.path + "/dangling.prom";
    ASSERT_EQ(symlink((dir.path + "/nowhere").c_str(), dangling.c_str()), 0);
    EXPECT_FALSE(writeMetricsFile(dangling, "metrics\n", reason));
    EXPECT_FALSE(pathExists(dir.path + "/nowhere"));

    std::string fifo = dir.path + "/fifo.prom";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_FALSE(writeMetricsFile(fifo, "metrics\n", reason)) << "and no hang";
    EXPECT_EQ(reason, "not a regular file");
    struct stat status {};
    ASSERT_EQ(lstat(fifo.c_str(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));

    std::string directory = dir.path + "/dir.prom";
    makeDirs(directory);
    EXPECT_FALSE(writeMetricsFile(directory, "metrics\n", reason));
    EXPECT_EQ(reason, "not a regular file");

    EXPECT_FALSE(writeMetricsFile(dir.path + "/missing/door1.prom", "metrics\n", reason));
    EXPECT_EQ(reason, "No such file or directory");
    EXPECT_FALSE(writeMetricsFile("", "metrics\n", reason));
    EXPECT_EQ(reason, "No such file or directory");

    // Nothing but the planted files is left behind.
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path)) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 5);
}

TEST(MetricsFile, ALinkPlantedAtTheTemporaryNameIsNotWrittenThrough) {
    ScratchDir dir("metrics_temp");
    std::string path = dir.path + "/door1.prom";
    std::string other = dir.path + "/other.txt";
    writeFile(other, "keep me\n");
    ASSERT_EQ(symlink(other.c_str(), metricsTempPath(path).c_str()), 0);
    std::string reason;
    ASSERT_TRUE(writeMetricsFile(path, "metrics\n", reason)) << reason;
    EXPECT_EQ(readFile(other), "keep me\n");
    EXPECT_EQ(readFile(path), "metrics\n");
    EXPECT_FALSE(pathExists(metricsTempPath(path)));

    // A stale temporary file of a killed poller is replaced.
    writeFile(metricsTempPath(path), "stale stale stale stale\n");
    ASSERT_TRUE(writeMetricsFile(path, "fresh\n", reason)) << reason;
    EXPECT_EQ(readFile(path), "fresh\n");
}

TEST(MetricsFile, FailureAndReturnAreLoggedOnce) {
    ScratchDir dir("metrics_log");
    Settings s;
    s.verboseLog = dir.path + "/door1_v.log";
    MetricsFile file;
    file.path = dir.path + "/textfile/door1.prom";
    MetricsState state = runningState();

    saveMetrics(s, file, state);
    saveMetrics(s, file, state);
    EXPECT_TRUE(file.failing);
    makeDirs(dir.path + "/textfile");
    saveMetrics(s, file, state);
    saveMetrics(s, file, state);
    EXPECT_FALSE(file.failing);
    EXPECT_EQ(readFile(file.path), metricsText(state));
    std::filesystem::remove_all(dir.path + "/textfile");
    saveMetrics(s, file, state);
    EXPECT_EQ(readFile(s.verboseLog), "Nie mozna zapisac metryk " + file.path +
                                          ": No such file or directory\n"
                                          "Zapisano metryki " +
                                          file.path +
                                          "\n"
                                          "Nie mozna zapisac metryk " +
                                          file.path + ": No such file or directory\n");

    MetricsFile none;
    saveMetrics(s, none, state);
    EXPECT_FALSE(none.failing) << "no metrics key: nothing is written";
}

TEST(MetricsPromtool, AcceptsEveryKindOfFileThePollerWrites) {
    REQUIRE_PROGRAM("promtool", "prometheus");
    ScratchDir dir("metrics_promtool");
    MetricsState initial;
    initial.entrance = "door1";
    initial.port = "/dev/ttyS0";
    initial.version = versionText;
    MetricsState silent = initial;
    silent.polled = true;
    silent.lastPollGood = false;
    silent.portUp = false;
    MetricsState stopped = runningState();
    stopped.up = false;
    MetricsState odd = runningState();
    odd.entrance = "./sklep \"A\"\\\n\xFF";
    odd.port = "/dev/serial/by-id/usb-\xC5\x9B\"x";
    const MetricsState* states[] = {&initial, &silent, &stopped, &odd};
    for (const MetricsState* state : states) {
        std::string path = dir.path + "/door1.prom";
        std::string reason;
        ASSERT_TRUE(writeMetricsFile(path, metricsText(*state), reason)) << reason;
        CommandResult check = runCommand("promtool check metrics < '" + path + "'");
        EXPECT_EQ(check.status, 0) << check.output << "\n" << readFile(path);
        EXPECT_EQ(check.output, "") << readFile(path);
    }
}
