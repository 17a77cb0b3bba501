// The running poller and its metrics file, against the simulated counter:
// when the file is written and what it then holds, the heartbeat outside
// the opening hours, a failing write, and the key in the logs.
#include <gtest/gtest.h>

#include "metrics.h"
#include "realtools.h"
#include "rig.h"
#include "testsupport.h"

using namespace testsupport;

namespace {

constexpr int waitMs = 60000;

std::string sampleOf(const std::string& text, const std::string& series) {
    for (const std::string& line : splitLines(text))
        if (line.rfind(series + " ", 0) == 0) return line.substr(series.size() + 1);
    return "";
}

const std::string door1 = "{entrance=\"door1\"}";

}  // namespace

TEST(MetricsPoller, WrittenAtTheStartAfterEveryCycleAndAtTheStop) {
    REQUIRE_PROGRAM("promtool", "prometheus");
    PollerRig rig("metrics_run");
    const std::string path = rig.dir.path + "/door1.prom";
    rig.configure("10", "10:00-11:00", "metrics = " + path + "\n");
    rig.simulate({"--start", "500", "--step", "3"});
    rig.startPoller("@2011-03-14 09:59:30 x10");

    // Before the first poll, outside the hours.
    ASSERT_TRUE(waitUntil([&] { return pathExists(path); }, waitMs));
    std::vector<std::string> written{readFile(path)};
    const std::string& first = written[0];
    EXPECT_EQ(sampleOf(first, "pcpoll_up" + door1), "1") << first;
    EXPECT_EQ(sampleOf(first, "pcpoll_open" + door1), "0") << first;
    EXPECT_EQ(sampleOf(first, "pcpoll_record_interval_seconds" + door1), "10") << first;
    EXPECT_EQ(sampleOf(first, "pcpoll_polls_total{entrance=\"door1\",result=\"good\"}"), "0");
    long long started = std::stoll("0" + sampleOf(first, "pcpoll_start_time_seconds" + door1));
    EXPECT_GE(started, 1300096770);
    EXPECT_LE(started, 1300096772);
    EXPECT_EQ(first.find("pcpoll_last_poll_timestamp_seconds"), std::string::npos) << first;
    EXPECT_EQ(first.find("pcpoll_visitors_total"), std::string::npos) << first;
    EXPECT_NE(first.find("pcpoll_info{entrance=\"door1\",port=\"" + rig.port + "\","),
              std::string::npos);

    // After the cycles: the file follows the report.
    ASSERT_TRUE(rig.waitForLines("20110314", 2));
    ASSERT_TRUE(waitUntil(
        [&] { return sampleOf(readFile(path), "pcpoll_records_written_total" + door1) == "2"; },
        waitMs))
        << readFile(path);
    written.push_back(readFile(path));
    EXPECT_EQ(sampleOf(written.back(), "pcpoll_open" + door1), "1");
    ASSERT_TRUE(rig.waitForLines("20110314", 4));
    EXPECT_EQ(rig.stopPoller().status, 0);

    // At the stop: pcpoll_up 0, and the counts of the whole run.  The
    // exchange the stop makes (its waits cut short) is not counted, though
    // the counter answers it.
    std::string last = readFile(path);
    written.push_back(last);
    std::vector<std::string> lines = splitLines(rig.report("20110314"));
    ASSERT_GE(lines.size(), 4u);
    for (const std::string& line : lines) ASSERT_EQ(field(line, 3), " 0") << line;
    int lastTotal = std::stoi(field(lines.back(), 1));
    EXPECT_EQ(sampleOf(last, "pcpoll_up" + door1), "0") << last;
    EXPECT_EQ(sampleOf(last, "pcpoll_visitors_total" + door1), std::to_string(lastTotal)) << last;
    EXPECT_EQ(sampleOf(last, "pcpoll_polls_total{entrance=\"door1\",result=\"good\"}"),
              std::to_string(lines.size()));
    EXPECT_EQ(sampleOf(last, "pcpoll_polls_total{entrance=\"door1\",result=\"silent\"}"), "0");
    EXPECT_EQ(sampleOf(last, "pcpoll_records_written_total" + door1), std::to_string(lines.size()));
    EXPECT_EQ(sampleOf(last, "pcpoll_record_write_errors_total" + door1), "0");
    EXPECT_EQ(sampleOf(last, "pcpoll_last_poll_good" + door1), "1");
    EXPECT_EQ(sampleOf(last, "pcpoll_port_up" + door1), "1");
    long long lastPoll = std::stoll(sampleOf(last, "pcpoll_last_poll_timestamp_seconds" + door1));
    EXPECT_GE(lastPoll, 1300096800 + 10 * static_cast<long long>(lines.size() - 1));
    EXPECT_EQ(sampleOf(last, "pcpoll_last_good_poll_timestamp_seconds" + door1),
              std::to_string(lastPoll));
    EXPECT_GE(std::stoll(sampleOf(last, "pcpoll_heartbeat_timestamp_seconds" + door1)), lastPoll);
    EXPECT_EQ(rig.verboseLog(), "") << "a healthy run at level 0 writes nothing";
    EXPECT_FALSE(pathExists(metricsTempPath(path)));

    for (const std::string& text : written) {
        writeFile(rig.dir.path + "/check.prom", text);
        CommandResult check =
            runCommand("promtool check metrics < '" + rig.dir.path + "/check.prom'");
        EXPECT_EQ(check.status, 0) << check.output << text;
    }
}

TEST(MetricsPoller, HeartbeatOutsideTheOpeningHours) {
    PollerRig rig("metrics_heartbeat");
    const std::string path = rig.dir.path + "/door1.prom";
    rig.configure("10", "10:00-11:00", "metrics = " + path + "\n");
    rig.simulate({});
    rig.startPoller("@2011-03-14 07:00:00 x30");
    std::vector<long long> beats;
    auto nextBeat = [&] {
        std::string value = sampleOf(readFile(path), "pcpoll_heartbeat_timestamp_seconds" + door1);
        if (!value.empty() && (beats.empty() || std::stoll(value) != beats.back()))
            beats.push_back(std::stoll(value));
        return beats.size() >= 4;
    };
    ASSERT_TRUE(waitUntil(nextBeat, waitMs));
    std::string text = readFile(path);
    EXPECT_EQ(rig.stopPoller().status, 0);
    for (std::size_t i = 1; i < beats.size(); ++i) {
        EXPECT_GE(beats[i] - beats[i - 1], 60) << "not more often than needed";
        EXPECT_LE(beats[i] - beats[i - 1], 62) << "at least once a minute";
    }
    EXPECT_EQ(sampleOf(text, "pcpoll_up" + door1), "1");
    EXPECT_EQ(sampleOf(text, "pcpoll_open" + door1), "0");
    EXPECT_EQ(sampleOf(text, "pcpoll_polls_total{entrance=\"door1\",result=\"good\"}"), "0");
    EXPECT_FALSE(pathExists(rig.reportPath("20110314")));
    EXPECT_EQ(sampleOf(readFile(path), "pcpoll_up" + door1), "0");
}

TEST(MetricsPoller, AFailedWriteIsLoggedOnceAndPollingGoesOn) {
    PollerRig rig("metrics_fail");
    const std::string dir = rig.dir.path + "/textfile";
    const std::string path = dir + "/door1.prom";
    rig.configure("10", "10:00-11:00", "metrics = " + path + "\n");
    rig.simulate({});
    rig.pollerSetup.journalStream = true;
    rig.startPoller("@2011-03-14 09:59:58 x10");
    ASSERT_TRUE(rig.waitForLines("20110314", 3));
    makeDirs(dir);
    ASSERT_TRUE(rig.waitForVerbose("Zapisano metryki " + path + "\n"));
    ASSERT_TRUE(rig.waitForLines("20110314", occurrences(rig.report("20110314"), "\n") + 1));
    ProcessResult result = rig.stopPoller();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(rig.verboseLog(), "Nie mozna zapisac metryk " + path +
                                    ": No such file or directory\nZapisano metryki " + path + "\n");
    EXPECT_EQ(result.err, "<4>Nie mozna zapisac metryk " + path +
                              ": No such file or directory\n<6>Zapisano metryki " + path + "\n");
    EXPECT_EQ(sampleOf(readFile(path), "pcpoll_up" + door1), "0");
    for (const std::string& line : splitLines(rig.report("20110314")))
        EXPECT_EQ(field(line, 3), " 0") << line;
}

TEST(MetricsPoller, TheKeyIsLoggedAfterItsLookupAndInTheSummary) {
    PollerRig rig("metrics_key");
    const std::string path = rig.dir.path + "/door1.prom";
    rig.configure("900", "10:00-11:00", "comlog = no\nmetrics = " + path + "\n");
    rig.simulate({});
    rig.startPoller("@2011-03-14 07:00:00", {"-vv"});
    ASSERT_TRUE(rig.waitForVerbose("Otwarto port"));
    EXPECT_EQ(rig.stopPoller().status, 0);
    std::string log = rig.verboseLog();
    EXPECT_EQ(occurrences(log, "Sciezka/nazwa pliku metryk = " + path + "\n"), 1) << log;
    EXPECT_NE(log.find("comlog no\nplik metryk = " + path + "\n"), std::string::npos) << log;
    EXPECT_LT(log.find("Sciezka/nazwa pliku metryk"), log.find("Zdekodowany odstep rekordow"));

    PollerRig plain("metrics_nokey");
    plain.configure("900", "10:00-11:00", "comlog = no\n");
    plain.simulate({});
    plain.startPoller("@2011-03-14 07:00:00", {"-vv"});
    ASSERT_TRUE(plain.waitForVerbose("Otwarto port"));
    EXPECT_EQ(plain.stopPoller().status, 0);
    EXPECT_EQ(plain.verboseLog().find("metryk"), std::string::npos) << plain.verboseLog();
}
