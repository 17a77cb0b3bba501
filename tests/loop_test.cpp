// The polling loop of the real poller against the simulated counter, on a
// sped-up clock: record lines, the schedule within the opening hours, the
// midnight rules, closed days and stopping.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "pcutil.h"
#include "rig.h"

using namespace testsupport;

namespace {

// Times of the polls in a verbose log written at level 2.
std::vector<std::string> pollTimes(const std::string& log) {
    std::vector<std::string> times;
    const std::string mark = "Odpytano licznik ";
    for (std::size_t at = log.find(mark); at != std::string::npos; at = log.find(mark, at + 1))
        times.push_back(log.substr(at + mark.size(), 8));
    return times;
}

std::string checksumOf(const std::string& body) { return fmt("0X%04X", checksumll(body)); }

}  // namespace

TEST(Records, AnsweredPollGivesTheExactLine) {
    PollerRig rig("loop_exact");
    rig.configure("900", "12:00-13:00");
    rig.simulate({"--start", "122"});
    rig.startPoller("@2011-03-14 11:59:58 x10");
    ASSERT_TRUE(rig.waitForLines("20110314", 1));
    EXPECT_EQ(rig.stopPoller().status, 0);
    EXPECT_EQ(rig.report("20110314"), "12:00;   123; 0; 0;0X8EB2\n");
    EXPECT_EQ(rig.verboseLog(), "") << "a healthy quiet run leaves the verbose log empty";
    std::vector<std::string> events = splitLines(rig.eventLog());
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[1], "START nazwa wywolania door1: 2011-03-14 - 11:59.58 ");
    EXPECT_EQ(events[2], "Otwarto port  - " + rig.port);
    EXPECT_EQ(events[3].rfind("STOP: 2011-03-14 - 12:00.", 0), 0u);
}

TEST(Records, ShortIntervalGivesSecondsInTheTime) {
    PollerRig rig("loop_seconds");
    rig.configure("30", "08:00-09:00");
    rig.simulate({"--script", "silent", "--loop"});
    rig.startPoller("@2011-03-14 08:14:58 x10");
    ASSERT_TRUE(rig.waitForLines("20110314", 2));
    EXPECT_EQ(rig.stopPoller().status, 0);
    EXPECT_EQ(rig.report("20110314"),
              "08:15.00;     0; 0; 1;0X0736\n08:15.30;     0; 0; 1;0X0A66\n");
}

TEST(Records, PollResultIsKeptAcrossPolls) {
    PollerRig rig("loop_result");
    rig.configure("10", "10:00-11:00");
    // answered, silent (all kept), fault (total kept), silent (fault count
    // kept), answered, an answer without a complete value (total kept,
    // fault count cleared).
    rig.simulate({"--start", "10", "--step", "5", "--script",
                  "ok,silent,fault,silent,ok,hex:0a0d4631320a0d3132"});
    rig.startPoller("@2011-03-14 09:59:58 x10");
    ASSERT_TRUE(rig.waitForLines("20110314", 6));
    EXPECT_EQ(rig.stopPoller().status, 0);
    std::vector<std::string> lines = splitLines(rig.report("20110314"));
    ASSERT_GE(lines.size(), 6u);
    const char* expected[] = {"10:00.00;    15; 0; 0;", "10:00.10;    15; 0; 1;",
                              "10:00.20;    15; 1; 0;", "10:00.30;    15; 1; 1;",
                              "10:00.40;    20; 0; 0;", "10:00.50;    20; 1; 0;"};
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(lines[i].substr(0, 22), expected[i]);
        EXPECT_EQ(lines[i].substr(22), checksumOf(expected[i]));
    }
}

TEST(Schedule, PollsAtMultiplesAndAtTheOpeningAndClosingSecondOnly) {
    PollerRig rig("loop_schedule");
    rig.configure("100", "09:01-09:04");
    rig.simulate({});
    rig.startPoller("@2011-03-14 09:00:55 x10", {"-vv"});
    ASSERT_TRUE(rig.waitForLines("20110314", 4));
    // Well past the closing second, then stop.
    ASSERT_TRUE(waitForText(rig.dir.path + "/pcsim.log", "total 000004", 5000));
    sleepMs(1000);
    EXPECT_EQ(rig.stopPoller().status, 0);
    std::vector<std::string> times = pollTimes(rig.verboseLog());
    ASSERT_EQ(times.size(), 5u) << rig.verboseLog();
    // The times of the queries; a busy machine may make one a few seconds
    // late, and its record still carries the due moment's time.
    const char* due[][2] = {{"09:01.00", "09:01.10"},
                            {"09:01.40", "09:01.50"},
                            {"09:03.20", "09:03.30"},
                            {"09:04.00", "09:04.10"}};
    for (std::size_t i = 0; i < std::size(due); ++i) {
        EXPECT_GE(times[i], due[i][0]);
        EXPECT_LT(times[i], due[i][1]);
    }
    EXPECT_EQ(rig.report("20110314"),
              "09:01;     1; 0; 0;" + checksumOf("09:01;     1; 0; 0;") + "\n" +
                  "09:01;     2; 0; 0;" + checksumOf("09:01;     2; 0; 0;") + "\n" +
                  "09:03;     3; 0; 0;" + checksumOf("09:03;     3; 0; 0;") + "\n" +
                  "09:04;     4; 0; 0;" + checksumOf("09:04;     4; 0; 0;") + "\n");
    EXPECT_EQ(occurrences(rig.verboseLog(), "Otwarcie dzisiaj"), 1) << "one drain a day";
}

TEST(Schedule, IntervalThatDoesNotDivideTheHourPollsAtItsMultiples) {
    PollerRig rig("loop_thousand");
    rig.configure("1000", "09:00-21:00");
    rig.simulate({});
    rig.startPollerOnClock("@2011-03-14 09:09:58 x10", {"-vv"});
    ASSERT_TRUE(rig.waitForLines("20110314", 1));
    // Ahead to before 09:25:00, a multiple of 60 and of 100 seconds but
    // not of 1000, and on to the next multiple of 1000.
    rig.setClock("@2011-03-14 09:24:55 x10");
    ASSERT_TRUE(rig.waitForLines("20110314", 2));
    EXPECT_EQ(rig.stopPoller().status, 0);
    std::string log = rig.verboseLog();
    EXPECT_EQ(occurrences(log, "Zegar przesuniety o "), 1) << log;
    // A busy machine may wake the poller a little after a due second; it
    // then polls late, with the record time of the moment it missed.
    std::vector<std::string> times = pollTimes(log);
    ASSERT_GE(times.size(), 2u) << log;
    EXPECT_GE(times[0], "09:10.00");
    EXPECT_LT(times[0], "09:10.10");
    EXPECT_GE(times[1], "09:26.40") << "a multiple of 1000 seconds from midnight";
    EXPECT_LT(times[1], "09:26.50");
    std::vector<std::string> lines = splitLines(rig.report("20110314"));
    EXPECT_EQ(lines[0].substr(0, 6), "09:10;");
    EXPECT_EQ(lines[1].substr(0, 6), "09:26;");
}

TEST(Schedule, StartingInsideTheHoursWaitsForTheNextMultipleAndDrainsFirst) {
    PollerRig rig("loop_inside");
    rig.configure("60", "09:00-21:00");
    rig.simulate({});
    rig.startPoller("@2011-03-14 10:07:20 x20", {"-v"});
    ASSERT_TRUE(rig.waitForLines("20110314", 1));
    EXPECT_EQ(rig.stopPoller().status, 0);
    EXPECT_NE(
        rig.verboseLog().find("Otwarcie dzisiaj =  2011.03.14-10:08.00;Monday,  9:00-21:00\n"),
        std::string::npos)
        << rig.verboseLog();
    EXPECT_EQ(splitLines(rig.report("20110314"))[0].substr(0, 19), "10:08;     1; 0; 0;");
}

TEST(Midnight, AllDayHoursPollAtTheLastSecondIntoTheNextDaysFile) {
    PollerRig rig("loop_allday");
    rig.configure("900", "00:00-24:00");
    rig.simulate({});
    rig.startPollerOnClock("@2011-03-14 23:59:50 x10", {"-vv"});
    ASSERT_TRUE(rig.waitForLines("20110315", 1));
    // Past 00:00:00 without a cycle, then ahead to just before 00:15:00:
    // the step is said, and moments it skips (there are none) are not
    // polled.
    sleepMs(1000);
    rig.setClock("@2011-03-15 00:14:55 x10");
    ASSERT_TRUE(rig.waitForLines("20110315", 2));
    EXPECT_EQ(rig.stopPoller().status, 0);
    std::vector<std::string> times = pollTimes(rig.verboseLog());
    ASSERT_GE(times.size(), 2u);
    EXPECT_EQ(times[0], "23:59.59");
    EXPECT_EQ(times[1], "00:15.00") << "no cycle at 00:00:00";
    EXPECT_FALSE(pathExists(rig.reportPath("20110314")));
    std::vector<std::string> lines = splitLines(rig.report("20110315"));
    EXPECT_EQ(lines[0].substr(0, 19), "23:59;     1; 0; 0;");
    EXPECT_EQ(lines[1].substr(0, 19), "00:15;     2; 0; 0;");
    std::string log = rig.verboseLog();
    EXPECT_NE(log.find("Otwarcie dzisiaj =  2011.03.14-23:59.59;Monday,  0:00-23:59\n"),
              std::string::npos);
    EXPECT_NE(log.find("Otwarcie dzisiaj =  2011.03.15-00:15.00;Tuesday,  0:00-23:59\n"),
              std::string::npos)
        << "the new day drains at its first cycle";
}

TEST(Midnight, DayOpeningAtMidnightGetsAnExtraCycleAtTheNextMidnight) {
    PollerRig rig("loop_extra_midnight");
    rig.configure("900", "00:00-20:00", "Tuesday = 12:00-12:00\n");
    rig.simulate({});
    rig.startPoller("@2011-03-14 23:59:56 x10", {"-v"});
    ASSERT_TRUE(rig.waitForLines("20110315", 1));
    EXPECT_EQ(rig.stopPoller().status, 0);
    EXPECT_EQ(rig.report("20110315"),
              "00:00;     1; 0; 0;" + checksumOf("00:00;     1; 0; 0;") + "\n")
        << "written under Monday's hours into Tuesday's file, though Tuesday is closed";
    EXPECT_NE(
        rig.verboseLog().find("Otwarcie dzisiaj =  2011.03.15-00:00.00;Monday,  0:00-20:00\n"),
        std::string::npos);
}

TEST(ClosedDays, EqualOpeningAndClosingGiveOneCycleWithoutRecord) {
    PollerRig rig("loop_closed_noon");
    rig.configure("900", "09:00-21:00", "Monday = 12:00-12:00\n");
    rig.simulate({});
    rig.startPoller("@2011-03-14 11:59:57 x10", {"-v"});
    ASSERT_TRUE(rig.waitForVerbose("Dzisiaj zamkniete\n"));
    sleepMs(300);
    EXPECT_EQ(rig.stopPoller().status, 0);
    std::string log = rig.verboseLog();
    EXPECT_NE(log.find("Otwarto port  " + rig.port +
                       "\n***************************\n"
                       "Otwarcie dzisiaj =  2011.03.14-12:00.00;Monday, 12:00-12:00\n"
                       "Czyszczenie bufora start\nDzisiaj zamkniete\nSTOP: 2011-03-14 - 12:00."),
              std::string::npos)
        << log;
    EXPECT_FALSE(pathExists(rig.reportPath("20110314")));
    EXPECT_EQ(occurrences(rig.simulatorLog(), "rx 72"), 2) << "the cycle and the stop exchange";
}

TEST(ClosedDays, MidnightToMidnightPollsOnceAtTheNextMidnight) {
    PollerRig rig("loop_closed_midnight");
    rig.configure("900", "09:00-21:00", "Monday = 00:00-00:00\n");
    rig.simulate({});
    rig.startPoller("@2011-03-14 23:59:57 x10", {"-v"});
    ASSERT_TRUE(rig.waitForVerbose("Dzisiaj zamkniete\n"));
    sleepMs(300);
    EXPECT_EQ(rig.stopPoller().status, 0);
    EXPECT_NE(rig.verboseLog().find("Otwarcie dzisiaj =  2011.03.15-00:00.00;Monday,  0:00- 0:00\n"
                                    "Czyszczenie bufora start\nDzisiaj zamkniete\n"),
              std::string::npos)
        << rig.verboseLog();
    EXPECT_FALSE(pathExists(rig.reportPath("20110314")));
    EXPECT_FALSE(pathExists(rig.reportPath("20110315")));
}

TEST(ClosedDays, DayClosingBeforeItOpensIsNeverPolled) {
    PollerRig rig("loop_reversed");
    rig.configure("60", "20:00-08:00");
    rig.simulate({});
    rig.startPoller("@2011-03-14 19:59:57 x10", {"-vv"});
    ASSERT_TRUE(rig.waitForEvent("Otwarto port"));
    sleepMs(1000);  // past 20:00:05 on the poller's clock
    EXPECT_EQ(rig.stopPoller().status, 0);
    EXPECT_FALSE(pathExists(rig.reportPath("20110314")));
    EXPECT_EQ(occurrences(rig.simulatorLog(), "rx 72"), 1) << "only the stop exchange";
}

TEST(Stopping, TermWhileWaitingOutsideTheHours) {
    PollerRig rig("loop_term_outside");
    rig.configure("900", "09:00-21:00");
    rig.simulate({});
    rig.startPoller("@2011-03-14 06:00:00", {"-vv"});
    ASSERT_TRUE(rig.waitForEvent("Otwarto port"));
    sleepMs(1500);
    auto before = std::chrono::steady_clock::now();
    ProcessResult result = rig.stopPoller(SIGTERM);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
    EXPECT_EQ(result.status, 0);
    EXPECT_LT(seconds, 4.5) << "a stop completes within about four seconds";
    EXPECT_EQ(occurrences(rig.simulatorLog(), "rx 72"), 1);
    std::string log = rig.verboseLog();
    EXPECT_EQ(occurrences(log, "Otwarcie dzisiaj =  2011.03.14-06:00."), 1) << "drained first";
    EXPECT_EQ(occurrences(log, "Odpytano licznik"), 1);
    EXPECT_NE(log.find("\nWygenerowano linie rekordu 06:00;     1; 0; 0; "), std::string::npos);
    EXPECT_EQ(log.find("Ilosc wpisanych"), std::string::npos) << "no record after a stop";
    EXPECT_FALSE(pathExists(rig.reportPath("20110314")));
    std::vector<std::string> events = splitLines(rig.eventLog());
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[3].rfind("STOP: 2011-03-14 - 06:00.0", 0), 0u);
    EXPECT_EQ(log.substr(log.size() - events[3].size() - 1), events[3] + "\n");
}

TEST(Stopping, InterruptDuringStartUpRunsNoCycle) {
    PollerRig rig("loop_int_startup");
    // A configuration long enough that reading it takes a while.
    std::string padding;
    for (int i = 0; i < 200000; ++i) padding += "# padding line of the configuration file\n";
    rig.configure("10", "00:00-24:00", padding);
    rig.simulate({});
    rig.startPoller("@2011-03-14 12:00:00", {"-v"});
    ASSERT_TRUE(rig.waitForEvent("START"));
    kill(rig.poller, SIGINT);
    ProcessResult result = waitProcess(rig.poller, rig.pollerSetup, 60000);
    rig.poller = -1;
    EXPECT_EQ(result.status, 0);
    std::vector<std::string> events = splitLines(rig.eventLog());
    ASSERT_EQ(events.size(), 4u) << rig.eventLog();
    EXPECT_EQ(events[2], "Otwarto port  - " + rig.port) << "start-up and the port set-up finish";
    EXPECT_EQ(events[3].rfind("STOP: 2011-03-14 - 12:00.", 0), 0u);
    EXPECT_EQ(occurrences(rig.simulatorLog(), "rx 72"), 0) << "no cycle";
    EXPECT_EQ(rig.verboseLog().find("Otwarcie"), std::string::npos);
}

TEST(ReportFiles, DeletedFileStartsAfreshWithTheNextRecord) {
    PollerRig rig("loop_deleted");
    rig.configure("10", "10:00-11:00");
    rig.simulate({});
    rig.startPoller("@2011-03-14 09:59:58 x10");
    ASSERT_TRUE(rig.waitForLines("20110314", 1));
    std::remove(rig.reportPath("20110314").c_str());
    ASSERT_TRUE(rig.waitForLines("20110314", 1));
    EXPECT_EQ(rig.stopPoller().status, 0);
    std::vector<std::string> lines = splitLines(rig.report("20110314"));
    ASSERT_GE(lines.size(), 1u);
    EXPECT_NE(lines[0].substr(0, 8), "10:00.00");
}

TEST(ReportFiles, MissingDirectoryLosesTheRecordAndGoesOn) {
    PollerRig rig("loop_nodir");
    std::filesystem::remove_all(rig.dir.root("/var/log/korvane"));
    rig.configure("10", "10:00-11:00");
    rig.simulate({});
    rig.startPoller("@2011-03-14 09:59:58 x10");
    std::string failure = "Nie mozna otwozyc pliku " + rig.reportPath("20110314") + "\n";
    ASSERT_TRUE(rig.waitForVerbose(failure, 2));
    EXPECT_EQ(rig.stopPoller().status, 0);
    EXPECT_EQ(rig.verboseLog().rfind(failure + failure, 0), 0u) << "at level 0 too";
}
