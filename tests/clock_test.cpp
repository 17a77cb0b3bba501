// Steps of the wall clock under a running poller, driven through
// libfaketime's timestamp file: a clock set a year ahead and corrected, a
// short and a long step back, a step forward of some minutes.  Each long
// step is said once, at every level and in the journal, and polling goes on
// from the new time.
#include <gtest/gtest.h>

#include <ctime>
#include <regex>

#include "rig.h"

using namespace testsupport;

namespace {

constexpr int interval = 10;
constexpr int openSecond = 10 * 3600;  // the shop of these tests opens 10:00-11:00
constexpr int closeSecond = 11 * 3600;

// Starts the rig's poller on the clock of its clock file, with standard
// error as its journal.
void startOnClockFile(PollerRig& rig, const std::string& clock) {
    rig.configure(std::to_string(interval), "10:00-11:00");
    rig.simulate({});
    rig.pollerSetup.journalStream = true;
    rig.startPollerOnClock(clock);
}

// A line of a clock step, as the poller writes it.
struct StepLine {
    std::time_t at = 0;  // date and time of the line (TZ=UTC)
    long seconds = 0;
    int skipped = -1;  // forward steps only
};

std::time_t utc(const std::string& date, const std::string& time) {
    std::tm parts{};
    std::string text = date + " " + time;
    strptime(text.c_str(), "%Y-%m-%d %H:%M.%S", &parts);
    return timegm(&parts);
}

// The lines of the log that say a step; each must have the exact form.
std::vector<StepLine> stepLines(const std::string& log, bool forward) {
    std::regex form(forward ? "(\\d{4}-\\d\\d-\\d\\d) - (\\d\\d:\\d\\d\\.\\d\\d) Zegar "
                              "przesuniety o (\\d+) s, pominieto (\\d+) pomiarow"
                            : "(\\d{4}-\\d\\d-\\d\\d) - (\\d\\d:\\d\\d\\.\\d\\d) Zegar cofniety "
                              "o (\\d+) s");
    std::vector<StepLine> found;
    for (const std::string& line : splitLines(log)) {
        std::smatch match;
        if (line.find("Zegar") == std::string::npos) continue;
        if (!std::regex_match(line, match, form)) continue;
        StepLine step;
        step.at = utc(match[1], match[2]);
        step.seconds = std::stol(match[3]);
        if (forward) step.skipped = std::stoi(match[4]);
        found.push_back(step);
    }
    return found;
}

// Due moments of the seconds from..to-1 in a shop open 10:00-11:00 daily.
int dueMoments(std::time_t from, std::time_t to) {
    int count = 0;
    for (std::time_t day = from - from % 86400; day < to; day += 86400) {
        std::time_t first = std::max(from, day + openSecond);
        std::time_t last = std::min(to - 1, static_cast<std::time_t>(day + closeSecond));
        for (std::time_t second = first; second <= last; ++second)
            count += (second - day) % interval == 0;
    }
    return count;
}

// Record times of a day's report, in file order.
std::vector<std::string> recordTimes(const PollerRig& rig, const std::string& date) {
    std::vector<std::string> times;
    for (const std::string& line : splitLines(rig.report(date))) times.push_back(line.substr(0, 8));
    return times;
}

}  // namespace

TEST(ClockSteps, AYearAheadAndBackIsSaidOnceEachAndPollingResumes) {
    PollerRig rig("clock_year");
    startOnClockFile(rig, "@2011-03-14 10:00:00 x10");
    ASSERT_TRUE(rig.waitForLines("20110314", 3));
    rig.setClock("@2012-03-14 10:00:30 x10");
    ASSERT_TRUE(rig.waitForVerbose("Zegar przesuniety o"));
    ASSERT_TRUE(rig.waitForLines("20120314", 2)) << "polled at the new time";
    std::size_t beforeBack = splitLines(rig.report("20110314")).size();
    rig.setClock("@2011-03-14 10:05:00 x10");
    ASSERT_TRUE(rig.waitForVerbose("Zegar cofniety o"));
    // Within one interval of the poller's clock (a second of real time at
    // x10), with room for a busy machine.
    ASSERT_TRUE(rig.waitForLines("20110314", static_cast<int>(beforeBack) + 1, 5000))
        << "records resume after the correction";
    ProcessResult result = rig.stopPoller();
    EXPECT_EQ(result.status, 0);

    std::string log = rig.verboseLog();
    std::vector<StepLine> ahead = stepLines(log, true), back = stepLines(log, false);
    ASSERT_EQ(ahead.size(), 1u) << log;
    ASSERT_EQ(back.size(), 1u) << log;
    EXPECT_EQ(occurrences(log, "Zegar"), 2) << "no other form of the lines: " << log;
    // 2012 is a leap year: 366 days from 2011-03-14 to 2012-03-14.
    constexpr long yearAhead = 366L * 86400;
    EXPECT_NEAR(ahead[0].seconds, yearAhead, 30);
    EXPECT_EQ(ahead[0].skipped, dueMoments(ahead[0].at - ahead[0].seconds, ahead[0].at));
    EXPECT_GT(ahead[0].skipped, 365 * 361);
    // From 10:00:30 a year ahead, plus the time run there, to 10:05:00.
    EXPECT_GE(back[0].seconds, yearAhead - 270);
    EXPECT_LE(back[0].seconds, yearAhead - 200);
    // libfaketime may start the new time a moment early.
    EXPECT_GE(back[0].at, utc("2011-03-14", "10:04.55")) << "the line carries the corrected time";
    EXPECT_LE(back[0].at, utc("2011-03-14", "10:05.30"));

    std::vector<std::string> after = recordTimes(rig, "20110314");
    ASSERT_GT(after.size(), beforeBack);
    EXPECT_GE(after[beforeBack], "10:04.50");
    EXPECT_LE(after[beforeBack], "10:05.10") << "the first due moment after the correction";
    // Both lines reach the journal as warnings, once.
    EXPECT_EQ(occurrences(result.err, "<4>"), 2) << result.err;
    EXPECT_EQ(occurrences(result.err, "<4>2012-03-14 - 10:00."), 1) << result.err;
    EXPECT_EQ(occurrences(result.err, "<4>2011-03-14 - 10:0"), 1) << result.err;
}

TEST(ClockSteps, AMinuteBackIsNotSaidAndPollsNoMomentTwice) {
    PollerRig rig("clock_minute");
    startOnClockFile(rig, "@2011-03-14 10:00:00 x10");
    ASSERT_TRUE(rig.waitForLines("20110314", 4));
    rig.setClock("@2011-03-14 09:59:50 x10");
    ASSERT_TRUE(rig.waitForLines("20110314", 6, 60000));
    ProcessResult result = rig.stopPoller();
    EXPECT_EQ(result.status, 0);
    std::vector<std::string> times = recordTimes(rig, "20110314");
    for (std::size_t i = 1; i < times.size(); ++i) EXPECT_LT(times[i - 1], times[i]);
    EXPECT_EQ(occurrences(rig.verboseLog(), "Zegar"), 0) << rig.verboseLog();
    EXPECT_EQ(result.err, "");
}

TEST(ClockSteps, AnHourBackIsSaidAndTheHourIsPolledAgain) {
    PollerRig rig("clock_hour");
    startOnClockFile(rig, "@2011-03-14 10:59:00 x10");
    ASSERT_TRUE(rig.waitForLines("20110314", 3));
    rig.setClock("@2011-03-14 10:00:00 x10");
    ASSERT_TRUE(rig.waitForVerbose("Zegar cofniety o"));
    std::size_t lines = splitLines(rig.report("20110314")).size();
    ASSERT_TRUE(rig.waitForLines("20110314", static_cast<int>(lines) + 2));
    EXPECT_EQ(rig.stopPoller().status, 0);

    std::vector<StepLine> back = stepLines(rig.verboseLog(), false);
    ASSERT_EQ(back.size(), 1u) << rig.verboseLog();
    EXPECT_GE(back[0].seconds, 59 * 60);
    EXPECT_LE(back[0].seconds, 60 * 60);
    std::vector<std::string> times = recordTimes(rig, "20110314");
    EXPECT_GE(times.front(), "10:59.00");
    EXPECT_LT(times.back(), "10:01.00") << "polling goes on from the corrected time";
}

TEST(ClockSteps, FiveMinutesAheadAreSaidWithTheSkippedMoments) {
    PollerRig rig("clock_ahead");
    startOnClockFile(rig, "@2011-03-14 10:00:00 x10");
    ASSERT_TRUE(rig.waitForLines("20110314", 2));
    std::vector<std::string> before = recordTimes(rig, "20110314");
    // Five minutes ahead of the poller's clock, give or take the time the
    // poller has run.
    rig.setClock("@2011-03-14 10:05:20 x10");
    ASSERT_TRUE(rig.waitForVerbose("Zegar przesuniety o"));
    ASSERT_TRUE(rig.waitForLines("20110314", static_cast<int>(before.size()) + 2));
    EXPECT_EQ(rig.stopPoller().status, 0);

    std::vector<StepLine> ahead = stepLines(rig.verboseLog(), true);
    ASSERT_EQ(ahead.size(), 1u) << rig.verboseLog();
    EXPECT_GT(ahead[0].seconds, 240);
    EXPECT_LT(ahead[0].seconds, 320);
    EXPECT_EQ(ahead[0].skipped, dueMoments(ahead[0].at - ahead[0].seconds, ahead[0].at));
    EXPECT_GE(ahead[0].skipped, 24);
    // The moments are skipped, not caught up.
    for (const std::string& time : recordTimes(rig, "20110314"))
        EXPECT_FALSE(time > "10:01.00" && time < "10:04.00") << time;
}

TEST(LateSamples, AClosingSecondSkippedAtMidnightIsPolledLateIntoTheNewDaysFile) {
    PollerRig rig("clock_late_midnight");
    rig.configure("900", "00:00-24:00");
    rig.simulate({});
    rig.startPollerOnClock("@2011-03-14 23:59:40 x10", {"-vv"});
    ASSERT_TRUE(rig.waitForEvent("Otwarto port"));
    // The poller's next sample comes after 23:59:59 and 00:00:00, as on a
    // machine stalled at midnight; the jump is too short to be a step.
    rig.setClock("@2011-03-15 00:00:03 x10");
    ASSERT_TRUE(rig.waitForLines("20110315", 1));
    sleepMs(1000);
    EXPECT_EQ(rig.stopPoller().status, 0);
    EXPECT_EQ(rig.report("20110315"), "23:59;     1; 0; 0;0X7952\n")
        << "the closing second's record, and no cycle at 00:00:00";
    EXPECT_FALSE(pathExists(rig.reportPath("20110314")));
    EXPECT_EQ(occurrences(rig.verboseLog(), "Zegar"), 0) << rig.verboseLog();
}

TEST(LateSamples, MomentsSkippedByAStalledPollerArePolledLateWithTheirOwnTimes) {
    PollerRig rig("clock_stall");
    rig.configure(std::to_string(interval), "10:00-11:00");
    rig.simulate({});
    rig.startPoller("@2011-03-14 09:59:58 x10");
    ASSERT_TRUE(rig.waitForLines("20110314", 1));
    // Stopped for 2.5 s of real time, 25 s of the poller's clock: at least
    // two due moments pass while it cannot sample.
    kill(rig.poller, SIGSTOP);
    sleepMs(2500);
    kill(rig.poller, SIGCONT);
    ASSERT_TRUE(rig.waitForLines("20110314", 6));
    EXPECT_EQ(rig.stopPoller().status, 0);
    std::vector<std::string> times = recordTimes(rig, "20110314");
    ASSERT_GE(times.size(), 6u);
    for (std::size_t i = 0; i < times.size(); ++i)
        EXPECT_EQ(times[i], "10:00." + std::to_string(i) + "0") << "no moment missed, none moved";
    EXPECT_EQ(occurrences(rig.verboseLog(), "Zegar"), 0) << "a stall is no step of the clock";
}
