// Faults must never look like a quiet shop: the real poller against the
// simulated counter, for counter health, the port held by one poller,
// bytes between polls, paths that are not regular files, a clock stepped
// back, SIGHUP, configuration warnings and the lines that reach the journal.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "pcutil.h"
#include "rig.h"

using namespace testsupport;

namespace {

const std::string tenOClock = "@2011-03-14 09:59:58 x10";
const std::string confPath = "scratch/opt/velmora/door1.conf";

// Lines of text matching "DATE - HH:MM.SS what" whose time lies in the ten
// seconds of the poll at pollTime ("HH:MM.S"): the moment the poll ended.
::testing::AssertionResult healthLine(const std::string& line, const std::string& pollTime,
                                      const std::string& what, const std::string& prefix = "") {
    std::regex form(prefix + "2011-03-14 - " + pollTime + "[0-9] " + what);
    if (std::regex_match(line, form)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "'" << line << "' is not a line of " << pollTime << "x: " << what;
}

std::vector<std::string> reportLines(const PollerRig& rig) {
    return splitLines(rig.report("20110314"));
}

// Totals of the answered records, in file order.
std::vector<int> answeredTotals(const std::vector<std::string>& lines) {
    std::vector<int> totals;
    for (const std::string& line : lines)
        if (field(line, 3) == " 0") totals.push_back(std::stoi(field(line, 1)));
    return totals;
}

// A second poller, named door2, whose configuration names the given port.
ProcessResult runSecondPoller(const PollerRig& rig, const std::string& port) {
    writeFile(rig.dir.root("/opt/velmora/door2.conf"),
              "portname = " + port + "\nentry = " + rig.dir.root("/var/log/korvane/door2.csv") +
                  "\nrecordtime = 10\nopentime = 10:00-11:00\n");
    ProcessSetup setup;
    setup.program = pollerProgram();
    setup.argv0 = "door2";
    setup.workDir = rig.dir.path;
    setup.fakeTime = tenOClock;
    return runProcess(setup, 20000);
}

}  // namespace

TEST(Health, SilentCounterAndItsReturnAreLoggedOnceEachWayAtLevelZero) {
    PollerRig rig("health_silent");
    rig.configure("10", "10:00-11:00");
    rig.simulate({"--script", "ok,silent,silent,silent,ok"});
    rig.startPoller(tenOClock);
    ASSERT_TRUE(rig.waitForLines("20110314", 6));
    ProcessResult result = rig.stopPoller();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "") << "standard error is no journal here";
    std::vector<std::string> log = splitLines(rig.verboseLog());
    ASSERT_EQ(log.size(), 2u) << rig.verboseLog();
    EXPECT_TRUE(healthLine(log[0], "10:00.1", "Licznik nie odpowiada"));
    EXPECT_TRUE(healthLine(log[1], "10:00.4", "Licznik odpowiada poprawnie"));
    std::vector<std::string> lines = reportLines(rig);
    EXPECT_EQ(lines[1].substr(0, 22), "10:00.10;     1; 0; 1;") << "the records are as before";
    EXPECT_EQ(lines[3].substr(0, 22), "10:00.30;     1; 0; 1;");
    EXPECT_EQ(lines[4].substr(0, 22), "10:00.40;     2; 0; 0;");
}

TEST(Health, AnswersWithoutAValueAndFaultMarkers) {
    PollerRig rig("health_novalue");
    rig.configure("10", "10:00-11:00");
    // A value; junk; a marker with five digits only; a photocell fault,
    // which is a good answer; nothing; a value again.
    rig.simulate({"--script", "ok,hex:414243,hex:0a0d3132333435,fault,silent,ok"});
    rig.startPoller(tenOClock, {"-v"});
    ASSERT_TRUE(rig.waitForLines("20110314", 6));
    EXPECT_EQ(rig.stopPoller().status, 0);
    std::vector<std::string> health;
    for (const std::string& line : splitLines(rig.verboseLog()))
        if (line.find(" Licznik ") != std::string::npos) health.push_back(line);
    ASSERT_EQ(health.size(), 4u) << rig.verboseLog();
    EXPECT_TRUE(healthLine(health[0], "10:00.1", "Licznik odpowiada bez wartosci"));
    EXPECT_TRUE(healthLine(health[1], "10:00.3", "Licznik odpowiada poprawnie"));
    EXPECT_TRUE(healthLine(health[2], "10:00.4", "Licznik nie odpowiada"));
    EXPECT_TRUE(healthLine(health[3], "10:00.5", "Licznik odpowiada poprawnie"));
    std::vector<std::string> lines = reportLines(rig);
    EXPECT_EQ(lines[1].substr(0, 22), "10:00.10;     1; 0; 0;") << "no value: the total is kept";
    EXPECT_EQ(lines[2].substr(0, 22), "10:00.20;     1; 0; 0;");
    EXPECT_EQ(lines[3].substr(0, 22), "10:00.30;     1; 1; 0;");
}

TEST(Port, SecondPollerOnTheSamePortEndsAndTheFirstGoesOn) {
    PollerRig rig("port_busy");
    rig.configure("10", "10:00-11:00");
    rig.simulate({});
    rig.startPoller(tenOClock);
    ASSERT_TRUE(rig.waitForLines("20110314", 1));
    ProcessResult second = runSecondPoller(rig, rig.port);
    EXPECT_EQ(second.status, 255);
    EXPECT_EQ(second.err, rig.port + ": Device or resource busy\n");
    EXPECT_EQ(readFile(rig.dir.root("/opt/velmora/log/door2.log")),
              "\nSTART nazwa wywolania door2: 2011-03-14 - 09:59.58 \n");
    EXPECT_EQ(readFile(rig.dir.root("/opt/velmora/log/door2_v.log")), "");
    ASSERT_TRUE(rig.waitForLines("20110314", 4));
    EXPECT_EQ(rig.stopPoller().status, 0);
    std::vector<std::string> lines = reportLines(rig);
    std::vector<int> totals = answeredTotals(lines);
    ASSERT_EQ(totals.size(), lines.size()) << "every poll of the first poller was answered";
    for (std::size_t i = 0; i < totals.size(); ++i)
        EXPECT_EQ(totals[i], static_cast<int>(i) + 1) << "no answer was taken by the second";
    EXPECT_EQ(rig.verboseLog(), "");
}

// Whether the terminal at path has its exclusive flag set; -1 when it
// cannot be asked.
int exclusiveFlag(const std::string& path) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return -1;
    int flag = -1;
    if (ioctl(fd, TIOCGEXCL, &flag) != 0) flag = -1;
    close(fd);
    return flag;
}

TEST(Port, TheExclusiveFlagEndsWithThePollerAndTheNextOneOpensThePort) {
    PollerRig rig("port_exclusive");
    rig.configure("10", "10:00-11:00");
    rig.simulate({});
    rig.startPoller(tenOClock);
    ASSERT_TRUE(rig.waitForLines("20110314", 1));
    EXPECT_EQ(exclusiveFlag(rig.port), 1) << "held for this poller alone while it runs";
    EXPECT_EQ(rig.stopPoller().status, 0);
    // The simulator still holds the pseudo-terminal open, so the flag
    // would outlive the poller if it were left set.
    EXPECT_EQ(exclusiveFlag(rig.port), 0);

    writeFile(rig.dir.root("/opt/velmora/door2.conf"),
              "portname = " + rig.port + "\nentry = " + rig.dir.root("/var/log/korvane/door2.csv") +
                  "\nrecordtime = 10\nopentime = 10:00-11:00\n");
    ProcessSetup setup;
    setup.program = pollerProgram();
    setup.argv0 = "door2";
    setup.workDir = rig.dir.path;
    setup.fakeTime = tenOClock;
    pid_t second = startProcess(setup);
    std::string report = rig.dir.root("/var/log/korvane/door2_20110314.csv");
    bool polled = waitUntil([&] { return occurrences(readFile(report), "\n") >= 2; }, 30000);
    kill(second, SIGTERM);
    ProcessResult result = waitProcess(second, setup, 20000);
    EXPECT_TRUE(polled) << result.err;
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
}

TEST(Port, RegularFileIsNoTerminalAndIsLeftUnchanged) {
    PollerRig rig("port_file");
    rig.port = rig.dir.path + "/not-a-tty";
    writeFile(rig.port, "precious\n");
    rig.configure("10", "10:00-11:00");
    rig.startPoller(tenOClock);
    ProcessResult result = waitProcess(rig.poller, rig.pollerSetup, 20000);
    rig.poller = -1;
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.err, rig.port + ": Inappropriate ioctl for device\n");
    EXPECT_EQ(readFile(rig.port), "precious\n");
    EXPECT_EQ(rig.eventLog(), "\nSTART nazwa wywolania door1: 2011-03-14 - 09:59.58 \n");
}

TEST(Answers, BytesThatArriveBetweenPollsNeverBecomeAReading) {
    PollerRig rig("answers_between");
    rig.configure("10", "10:00-11:00");
    // A fake total arrives between the first and the second poll, which the
    // counter leaves unanswered.
    rig.simulate({"--script", "ok,silent", "--stale", "0a0d393939393939"});
    rig.startPoller(tenOClock);
    ASSERT_TRUE(rig.waitForLines("20110314", 1));
    kill(rig.sim.pid, SIGUSR1);
    ASSERT_TRUE(waitForText(rig.sim.logPath, "stale 0a0d", 5000));
    ASSERT_TRUE(rig.waitForLines("20110314", 3));
    EXPECT_EQ(rig.stopPoller().status, 0);
    std::vector<std::string> lines = reportLines(rig);
    EXPECT_EQ(lines[0].substr(0, 22), "10:00.00;     1; 0; 0;");
    EXPECT_EQ(lines[1].substr(0, 22), "10:00.10;     1; 0; 1;") << "no answer, and no 999999";
    EXPECT_EQ(lines[2].substr(0, 22), "10:00.20;     2; 0; 0;");
}

TEST(Files, FifoAndSymbolicLinkAtTheReportPathAreRefused) {
    PollerRig rig("files_report");
    std::string report = rig.reportPath("20110314");
    std::string elsewhere = rig.dir.path + "/elsewhere.csv";
    writeFile(elsewhere, "");
    ASSERT_EQ(mkfifo(report.c_str(), 0644), 0);
    rig.configure("10", "10:00-11:00");
    rig.simulate({});
    rig.startPoller(tenOClock);
    std::string refused = "Nie mozna otwozyc pliku " + report + "\n";
    ASSERT_TRUE(rig.waitForVerbose(refused, 2)) << "no hang on a FIFO";
    std::filesystem::remove(report);
    std::filesystem::create_symlink(elsewhere, report);
    int before = occurrences(rig.verboseLog(), refused);
    ASSERT_TRUE(rig.waitForVerbose(refused, before + 2));
    EXPECT_EQ(readFile(elsewhere), "") << "nothing is written through the link";
    std::filesystem::remove(report);
    ASSERT_TRUE(rig.waitForLines("20110314", 2)) << "records resume in a plain file";
    EXPECT_EQ(rig.stopPoller().status, 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(report)));
    EXPECT_EQ(readFile(elsewhere), "");
}

TEST(Files, FifoAndSymbolicLinkAtTheVerboseLogAreSkipped) {
    PollerRig rig("files_vlog");
    std::string vlog = rig.dir.root("/opt/velmora/log/door1_v.log");
    std::string elsewhere = rig.dir.path + "/elsewhere.log";
    writeFile(elsewhere, "");
    ASSERT_EQ(mkfifo(vlog.c_str(), 0644), 0);
    rig.configure("10", "10:00-11:00");
    rig.simulate({});
    rig.startPoller(tenOClock, {"-vv"});
    ASSERT_TRUE(rig.waitForLines("20110314", 2)) << "no hang on a FIFO, at start or later";
    std::filesystem::remove(vlog);
    std::filesystem::create_symlink(elsewhere, vlog);
    ASSERT_TRUE(rig.waitForLines("20110314", 4));
    EXPECT_EQ(readFile(elsewhere), "") << "nothing is written through the link";
    std::filesystem::remove(vlog);
    ASSERT_TRUE(rig.waitForVerbose("Odpytano licznik")) << "the log resumes as a plain file";
    EXPECT_EQ(rig.stopPoller().status, 0);
    EXPECT_EQ(readFile(elsewhere), "");
}

TEST(Clock, MomentsOfAClockSteppedBackAreNotPolledAgain) {
    PollerRig rig("clock_back");
    std::string clockFile = rig.dir.path + "/clock";
    writeFile(clockFile, "@2011-03-14 09:59:58 x10\n");
    rig.configure("10", "10:00-11:00");
    rig.simulate({});
    rig.pollerSetup.program = pollerProgram();
    rig.pollerSetup.argv0 = rig.invocation;
    rig.pollerSetup.workDir = rig.dir.path;
    rig.pollerSetup.fakeTimeFile = clockFile;
    rig.poller = startProcess(rig.pollerSetup);
    ASSERT_TRUE(rig.waitForLines("20110314", 3));
    // A minute back: 09:59, then 10:00:00 to 10:00:20 once more.
    writeFile(clockFile, "@2011-03-14 09:59:40 x10\n");
    ASSERT_TRUE(waitUntil(
        [&] {
            std::vector<std::string> lines = reportLines(rig);
            return lines.size() >= 5;
        },
        60000));
    EXPECT_EQ(rig.stopPoller().status, 0);
    std::vector<std::string> lines = reportLines(rig);
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_LT(lines[i - 1].substr(0, 8), lines[i].substr(0, 8)) << "no moment twice";
    EXPECT_EQ(lines[0].substr(0, 8), "10:00.00");
}

TEST(Signals, HangupStopsLikeTerm) {
    PollerRig rig("signals_hup");
    rig.configure("10", "10:00-11:00");
    rig.simulate({});
    rig.startPoller(tenOClock, {"-v"});
    ASSERT_TRUE(rig.waitForLines("20110314", 1));
    ProcessResult result = rig.stopPoller(SIGHUP);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(occurrences(rig.eventLog(), "STOP: 2011-03-14 - 10:00."), 1);
    EXPECT_EQ(occurrences(rig.verboseLog(), "STOP: 2011-03-14 - 10:00."), 1);
}

namespace {

const std::string warningConf =
    "portname = /nonexistent/tty\n"
    "entry = /var/log/korvane/door1.csv\n"
    "recordtime = 900\n"
    "opentime = 09:00-21:00\n"
    "sunday = 10:00-14:00   # misspelt: Sunday\n"
    "comlog=yes\n"
    "Monday = 20:00-08:00\n"
    "Tuesday = 12:00-12:00\n"
    "Colour = blue\n"
    "sunday = 11:00-14:00\n"
    "metrics = /var/lib/prometheus/node-exporter/door1.prom\n"
    "# retired = key\n";

const std::string warnings = "Uwaga: nieznany parametr sunday w pliku " + confPath + "\n" +
                             "Uwaga: nieznany parametr Colour w pliku " + confPath + "\n" +
                             "Uwaga: comlog=yes nie jest czytane, brak odstepow wokol = w pliku " +
                             confPath + "\n" + "Uwaga: Monday nigdy nie otwarte (20:00- 8:00)\n";

ProcessResult runWithConf(const PollerRig& rig, const std::string& conf, bool journal,
                          const std::vector<std::string>& args = {}) {
    writeFile(rig.dir.root("/opt/velmora/door1.conf"), conf);
    ProcessSetup setup;
    setup.program = pollerProgram();
    setup.argv0 = "door1";
    setup.args = args;
    setup.workDir = rig.dir.path;
    setup.fakeTime = "@2011-03-14 08:05:03";
    setup.journalStream = journal;
    return runProcess(setup, 20000);
}

}  // namespace

TEST(Warnings, EachKindAtEveryLevelAfterTheSummary) {
    PollerRig rig("warnings_kinds");
    ProcessResult quiet = runWithConf(rig, warningConf, false);
    EXPECT_EQ(quiet.status, 255) << "otherwise the poller runs as before";
    EXPECT_EQ(quiet.err, "/nonexistent/tty: No such file or directory\n");
    EXPECT_EQ(rig.verboseLog(), warnings);

    writeFile(rig.dir.root("/opt/velmora/log/door1_v.log"), "");
    EXPECT_EQ(runWithConf(rig, warningConf, false, {"-v"}).status, 255);
    std::string log = rig.verboseLog();
    ASSERT_GE(log.size(), warnings.size());
    EXPECT_EQ(log.substr(log.size() - warnings.size()), warnings) << log;
    EXPECT_LT(log.find("comlog no\n"), log.size() - warnings.size()) << "after the summary";
    EXPECT_NE(log.find("Monday, 20:00- 8:00\n"), std::string::npos) << "the hours are kept";
}

TEST(Journal, ConfigurationErrorAndAbortWithTheirPriorities) {
    PollerRig rig("journal_abort");
    std::string conf = "portname = /nonexistent/tty\nrecordtime = 900\nopentime = 09:00-21:00\n";
    ProcessResult result = runWithConf(rig, conf, true);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "<3>Nie znaleziono nazwy pliku raportu 'entry' com w pliku " + confPath +
                              "\n<3>program przerwany z powodu powyzszych bledow\n"
                              "<3>2011-03-14 08:05.03 STOP\n");
    EXPECT_EQ(rig.verboseLog(), "Nie znaleziono nazwy pliku raportu 'entry' com w pliku " +
                                    confPath +
                                    "\nprogram przerwany z powodu powyzszych bledow\n"
                                    "2011-03-14 08:05.03 STOP\n")
        << "the verbose log is as before";
}

TEST(Journal, WarningsAndThePortFailure) {
    PollerRig rig("journal_warnings");
    ProcessResult result = runWithConf(rig, warningConf, true);
    EXPECT_EQ(result.status, 255);
    std::string expected;
    for (const std::string& line : splitLines(warnings)) expected += "<4>" + line + "\n";
    EXPECT_EQ(result.err, expected + "<3>/nonexistent/tty: No such file or directory\n");
}

TEST(Journal, CounterHealthLostLineAndFailedWrites) {
    PollerRig rig("journal_health");
    std::filesystem::remove_all(rig.dir.root("/var/log/korvane"));
    rig.configure("10", "10:00-11:00");
    rig.simulate({"--script", "ok,silent"});
    rig.pollerSetup.journalStream = true;
    rig.startPoller(tenOClock);
    std::string refused = "Nie mozna otwozyc pliku " + rig.reportPath("20110314") + "\n";
    ASSERT_TRUE(rig.waitForVerbose("Licznik odpowiada poprawnie"));
    stopSimulator(rig.sim, SIGKILL);
    ASSERT_TRUE(rig.waitForVerbose("Utracono polaczenie"));
    rig.simulate({});
    ASSERT_TRUE(rig.waitForVerbose("Odzyskano polaczenie"));
    ProcessResult result = rig.stopPoller();
    EXPECT_EQ(result.status, 0);
    std::vector<std::string> journal = splitLines(result.err);
    std::vector<std::string> log = splitLines(rig.verboseLog());
    ASSERT_EQ(journal.size(), log.size()) << "every line of this run is one for the journal";
    for (std::size_t i = 0; i < log.size(); ++i) {
        std::string priority = log[i].find("Licznik nie odpowiada") != std::string::npos ||
                                       log[i].find("Nie mozna") == 0 || log[i].find("Utracono") == 0
                                   ? "<3>"
                                   : "<6>";
        EXPECT_EQ(journal[i], priority + log[i]);
    }
    EXPECT_EQ(journal[0], "<3>" + refused.substr(0, refused.size() - 1));
    EXPECT_EQ(occurrences(result.err,
                          "<3>Utracono polaczenie z portem " + rig.port + ": Input/output error\n"),
              1);
    EXPECT_EQ(occurrences(result.err, "<6>Odzyskano polaczenie z portem " + rig.port + "\n"), 1);
    EXPECT_TRUE(healthLine(journal[1], "10:00.1", "Licznik nie odpowiada", "<3>"));
    EXPECT_TRUE(healthLine(journal[3], "10:00.2", "Licznik odpowiada poprawnie", "<6>"));
}

TEST(Journal, AJournalThatHasGoneAwayDoesNotEndThePoller) {
    PollerRig rig("journal_gone");
    rig.configure("10", "10:00-11:00");
    // The silent polls and the return write to the journal.
    rig.simulate({"--script", "silent,silent"});
    rig.pollerSetup.journalStream = true;
    rig.pollerSetup.journalGone = true;
    rig.startPoller(tenOClock);
    ASSERT_TRUE(rig.waitForLines("20110314", 4));
    ProcessResult result = rig.stopPoller();
    EXPECT_EQ(result.status, 0) << "not ended by SIGPIPE (status 141)";
    std::string log = rig.verboseLog();
    EXPECT_EQ(occurrences(log, "Licznik nie odpowiada\n"), 1) << log;
    EXPECT_EQ(occurrences(log, "Licznik odpowiada poprawnie\n"), 1) << log;
    EXPECT_EQ(occurrences(rig.eventLog(), "STOP: 2011-03-14 - 10:00."), 1);
}

TEST(Journal, AnotherStreamInTheVariableIsNoJournal) {
    PollerRig rig("journal_other");
    writeFile(rig.dir.root("/opt/velmora/door1.conf"), warningConf);
    ProcessSetup setup;
    setup.program = "/bin/bash";
    setup.args = {"-c", "JOURNAL_STREAM=1:2 exec -a door1 " + pollerProgram()};
    setup.workDir = rig.dir.path;
    setup.fakeTime = "@2011-03-14 08:05:03";
    ProcessResult result = runProcess(setup, 20000);
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.err, "/nonexistent/tty: No such file or directory\n");
    EXPECT_EQ(rig.verboseLog(), warnings);
}
