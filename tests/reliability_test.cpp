// Faults the poller must live through: a counter that goes away and comes
// back, garbage and endless bytes, missing directories, a full disk, clock
// jumps, a storm of stop signals and absurdly long configuration values.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>

#include "pcutil.h"
#include "rig.h"

using namespace testsupport;

namespace {

constexpr int waitMs = 60000;
const std::string tenOClock = "@2011-03-14 09:59:58 x10";

// Seconds-of-day of a record time "HH:MM.SS".
int secondsOf(const std::string& line) {
    return std::stoi(line.substr(0, 2)) * 3600 + std::stoi(line.substr(3, 2)) * 60 +
           std::stoi(line.substr(6, 2));
}

// Every record ten seconds after the one before, each with a checksum
// that matches its body.
void expectUnbrokenRecords(const std::vector<std::string>& lines, int interval) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(lines[i].size(), 28u) << lines[i];
        EXPECT_EQ(lines[i].substr(22), fmt("0X%04X", checksumll(lines[i].substr(0, 22))));
        if (i > 0) {
            EXPECT_EQ(secondsOf(lines[i]) - secondsOf(lines[i - 1]), interval) << lines[i];
        }
    }
}

}  // namespace

TEST(LostCounter, KilledAndRestartedOnTheSamePathIsPolledAgain) {
    PollerRig rig("rel_replug");
    rig.configure("10", "10:00-11:00");
    rig.simulate({});
    rig.startPoller(tenOClock, {"-v"});
    ASSERT_TRUE(rig.waitForLines("20110314", 2));
    stopSimulator(rig.sim, SIGKILL);
    ASSERT_TRUE(rig.waitForLines("20110314", 4));
    rig.simulate({"--start", "100"});
    ASSERT_TRUE(rig.waitForVerbose("Odzyskano polaczenie"));
    ASSERT_TRUE(rig.waitForLines("20110314", occurrences(rig.report("20110314"), "\n") + 2));
    EXPECT_EQ(rig.stopPoller().status, 0);

    std::vector<std::string> lines = splitLines(rig.report("20110314"));
    expectUnbrokenRecords(lines, 10);
    std::size_t lost = 0, back = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (field(lines[i], 3) == " 1") lost += back == 0;
        if (field(lines[i], 3) == " 0" && lost > 0 && back == 0) back = i;
    }
    EXPECT_GE(lost, 2u);
    ASSERT_GT(back, 0u);
    EXPECT_EQ(field(lines[1], 1), "     2");
    EXPECT_EQ(field(lines[2], 1), "     2") << "an unanswered poll keeps the total";
    EXPECT_EQ(field(lines[back], 1), "   101") << "polled as before after the return";
    std::string log = rig.verboseLog();
    EXPECT_EQ(
        occurrences(log, "Utracono polaczenie z portem " + rig.port + ": Input/output error\n"), 1)
        << log;
    EXPECT_EQ(occurrences(log, "Odzyskano polaczenie z portem " + rig.port + "\n"), 1);
    EXPECT_LT(log.find("Utracono"), log.find("Odzyskano"));
}

TEST(BadAnswers, GarbageAndEndlessBytesDoNotBreakTheSchedule) {
    PollerRig rig("rel_flood");
    rig.configure("10", "10:00-11:00");
    rig.simulate({"--script", "flood,garbage,flood", "--flood-bytes", "1500"});
    rig.startPoller(tenOClock);
    // The junk drains in chunks; then the counter's answers get through.
    auto answered = [&] {
        for (const std::string& line : splitLines(rig.report("20110314")))
            if (field(line, 1) != "     0" && field(line, 3) == " 0") return true;
        return false;
    };
    EXPECT_TRUE(waitUntil(answered, waitMs)) << rig.report("20110314");
    EXPECT_EQ(rig.stopPoller().status, 0);
    std::vector<std::string> lines = splitLines(rig.report("20110314"));
    expectUnbrokenRecords(lines, 10);
    EXPECT_EQ(lines[0].substr(0, 22), "10:00.00;     0; 0; 0;")
        << "junk is an answer without value";
}

TEST(Directories, MissingLogDirectoryIsNotFatal) {
    PollerRig rig("rel_nolog");
    std::filesystem::remove_all(rig.dir.root("/opt/velmora/log"));
    rig.configure("10", "10:00-11:00", "comlog = yes\n");
    rig.simulate({});
    rig.startPoller(tenOClock, {"-vv"});
    ASSERT_TRUE(rig.waitForLines("20110314", 3));
    EXPECT_EQ(rig.stopPoller().status, 0);
    expectUnbrokenRecords(splitLines(rig.report("20110314")), 10);
    EXPECT_FALSE(pathExists(rig.dir.root("/opt/velmora/log"))) << "never created";
}

TEST(Directories, ReportDirectoryCreatedLaterGetsTheFollowingRecords) {
    PollerRig rig("rel_latedir");
    std::filesystem::remove_all(rig.dir.root("/var/log/korvane"));
    rig.configure("10", "10:00-11:00");
    rig.simulate({});
    rig.startPoller(tenOClock);
    std::string failure = "Nie mozna otwozyc pliku " + rig.reportPath("20110314") + "\n";
    ASSERT_TRUE(rig.waitForVerbose(failure, 2));
    makeDirs(rig.dir.root("/var/log/korvane"));
    ASSERT_TRUE(rig.waitForLines("20110314", 2));
    EXPECT_EQ(rig.stopPoller().status, 0);
    std::vector<std::string> lines = splitLines(rig.report("20110314"));
    expectUnbrokenRecords(lines, 10);
    int lostRecords = occurrences(rig.verboseLog(), failure);
    EXPECT_EQ(secondsOf(lines[0]), 10 * 3600 + 10 * lostRecords)
        << "only the records while the directory was missing are lost";
}

// A full disk: the report directory is a tmpfs of one page, filled up
// before the poller starts, mounted in a user and mount namespace of the
// poller's own (so no root is needed and nothing outside sees it).
TEST(FullDisk, FailedWritesAreLoggedAndThePollerGoesOn) {
    PollerRig rig("rel_fulldisk");
    rig.configure("10", "10:00-11:00");
    rig.simulate({});
    std::string reports = rig.dir.root("/var/log/korvane");
    ProcessSetup setup;
    setup.program = "/usr/bin/unshare";
    setup.args = {"--user",
                  "--map-root-user",
                  "--mount",
                  "bash",
                  "-c",
                  "mount -t tmpfs -o size=4k tmpfs " + reports +
                      " || exit 125; head -c 8192 "
                      "/dev/zero >" +
                      reports + "/filler 2>/dev/null; exec -a door1 " + pollerProgram()};
    setup.workDir = rig.dir.path;
    setup.fakeTime = tenOClock;
    rig.pollerSetup = setup;
    rig.poller = startProcess(setup);
    std::string failure = "Blad zapisu rekordu do pliku " + rig.reportPath("20110314") +
                          ": No space left on device\n";
    ASSERT_TRUE(rig.waitForVerbose(failure, 3))
        << rig.verboseLog() << readFile(rig.dir.path + "/.unshare.err");
    EXPECT_EQ(rig.stopPoller().status, 0);
}

TEST(FullDisk, DeviceBehindASymbolicLinkIsNeverWrittenThrough) {
    PollerRig rig("rel_devfull");
    std::filesystem::create_symlink("/dev/full", rig.reportPath("20110314"));
    rig.configure("10", "10:00-11:00");
    rig.simulate({});
    rig.startPoller(tenOClock);
    std::string failure = "Nie mozna otwozyc pliku " + rig.reportPath("20110314") + "\n";
    ASSERT_TRUE(rig.waitForVerbose(failure, 3));
    EXPECT_EQ(rig.stopPoller().status, 0);
    for (const std::string& line : splitLines(rig.verboseLog()))
        EXPECT_EQ(line + "\n", failure) << "the only lines: a refused open, each cycle";
}

TEST(FullDisk, PartialLineIsUndoneAndLaterRecordsFollowCleanly) {
    PollerRig rig("rel_partial");
    std::string earlier;
    for (int i = 0; i < 100; ++i) earlier += "09:00;     7; 0; 0;0X8B84\n";
    writeFile(rig.reportPath("20110314"), earlier);
    constexpr long roomForTenBytes = 10;
    rig.configure("10", "10:00-11:00");
    rig.simulate({});
    rig.startPoller(tenOClock, {}, "UTC", static_cast<long>(earlier.size()) + roomForTenBytes);
    std::string failure =
        "Blad zapisu rekordu do pliku " + rig.reportPath("20110314") + ": File too large\n";
    ASSERT_TRUE(rig.waitForVerbose(failure, 2));
    EXPECT_EQ(rig.report("20110314"), earlier) << "no partial line is left behind";
    // Room again: the next record follows the earlier lines directly.
    struct rlimit unlimited {};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    ASSERT_EQ(prlimit(rig.poller, RLIMIT_FSIZE, &unlimited, nullptr), 0);
    ASSERT_TRUE(rig.waitForLines("20110314", 101));
    EXPECT_EQ(rig.stopPoller().status, 0);
    std::vector<std::string> lines = splitLines(rig.report("20110314"));
    lines.erase(lines.begin(), lines.begin() + 100);
    expectUnbrokenRecords(lines, 10);
    EXPECT_EQ(rig.report("20110314").substr(0, earlier.size()), earlier);
}

TEST(ClockJumps, SpringForwardSkipsOnlyTheHourThatDoesNotExist) {
    PollerRig rig("rel_dst_spring");
    rig.configure("60", "00:00-24:00");
    rig.simulate({});
    rig.startPoller("@2011-03-27 01:58:50 x20", {}, "Europe/Warsaw");
    ASSERT_TRUE(rig.waitForLines("20110327", 3));
    EXPECT_EQ(rig.stopPoller().status, 0);
    std::vector<std::string> lines = splitLines(rig.report("20110327"));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(0, 19), "01:59;     1; 0; 0;");
    EXPECT_EQ(lines[1].substr(0, 19), "03:00;     2; 0; 0;");
    EXPECT_EQ(lines[2].substr(0, 19), "03:01;     3; 0; 0;");
}

TEST(ClockJumps, FallBackPollsTheRepeatedHourAgain) {
    PollerRig rig("rel_dst_autumn");
    rig.configure("60", "00:00-24:00");
    rig.simulate({});
    rig.startPoller("@2011-10-30 01:58:50 x200", {}, "Europe/Warsaw");
    ASSERT_TRUE(rig.waitForLines("20111030", 64));
    EXPECT_EQ(rig.stopPoller().status, 0);
    std::vector<std::string> lines = splitLines(rig.report("20111030"));
    ASSERT_GE(lines.size(), 64u);
    std::vector<std::string> times;
    for (const std::string& line : lines) times.push_back(line.substr(0, 5));
    EXPECT_EQ(times[0], "01:59");
    EXPECT_EQ(times[1], "02:00");
    EXPECT_EQ(times[60], "02:59");
    EXPECT_EQ(times[61], "02:00") << "summer time ends: the hour comes again";
    EXPECT_EQ(times[62], "02:01");
    EXPECT_EQ(times[63], "02:02");
}

TEST(Signals, AStormOfStopSignalsGivesOneCleanStop) {
    PollerRig rig("rel_storm");
    rig.configure("10", "10:00-11:00");
    rig.simulate({"--script", "split", "--loop", "--split-delay", "150"});
    rig.startPoller(tenOClock, {"-vv"});
    ASSERT_TRUE(rig.waitForVerbose("Odpytano licznik"));
    for (int i = 0; i < 200; ++i) kill(rig.poller, i % 2 == 0 ? SIGTERM : SIGINT);
    ProcessResult result = waitProcess(rig.poller, rig.pollerSetup, 20000);
    rig.poller = -1;
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(occurrences(rig.eventLog(), "STOP: "), 1);
    EXPECT_EQ(occurrences(rig.verboseLog(), "STOP: "), 1);
    EXPECT_EQ(result.err, "");
}

TEST(Configuration, ValuesFarBeyondEveryCapacityStillRun) {
    PollerRig rig("rel_capacity");
    std::string longEntry = rig.dir.root("/var/log/korvane") + std::string(3000, '/') + "door1.csv";
    writeFile(rig.dir.root("/opt/velmora/door1.conf"),
              "# " + std::string(20000, 'c') + "\n" + std::string(100000, 'k') + " = " +
                  std::string(100000, 'v') + "\nportname = " + rig.port + "\nentry = " + longEntry +
                  "\nrecordtime = " + std::string(500, '0') + "10" + "\nopentime = 10:00-11:00" +
                  std::string(5000, 'x') + "\nMonday = 10:00-11:00" + std::string(5000, '-') +
                  "\ncomlog = y" + std::string(5000, 'e') + "\n");
    rig.simulate({});
    rig.startPoller(tenOClock, {"-vv"});
    ASSERT_TRUE(rig.waitForLines("20110314", 2));
    EXPECT_EQ(rig.stopPoller().status, 0);
    expectUnbrokenRecords(splitLines(rig.report("20110314")), 10);
    EXPECT_NE(rig.comLog().find(": nbuf=1: 0ah 0dh 000001\n"), std::string::npos);
    EXPECT_NE(rig.verboseLog().find("Zdekodowany odstep rekordow = 10 sek.\n"), std::string::npos);
}
