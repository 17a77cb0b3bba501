// The serial exchange of the real poller with the simulated counter over a
// pseudo-terminal: the one-, two- and three-second exchanges, the com log,
// the level-2 answer lines and the day-start drain.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/tty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "rig.h"

using namespace testsupport;

namespace {

// Half speed of a real second keeps the one-second waits long enough for
// the simulator's timed answers, even in a sanitizer build.
const std::string beforeNoon = "@2011-03-14 11:59:58 x2";
constexpr int splitDelayMs = 750;  // between the poller's first and second read

const std::string noonHours = "12:00-13:00";

// Runs one poll cycle at 12:00:00 and stops the poller while it waits for
// the next one; the stop exchange that follows is answered too.
void runNoonCycle(PollerRig& rig, const std::vector<std::string>& simulatorArgs,
                  const std::string& extraConf = "comlog = yes\n") {
    rig.configure("900", noonHours, extraConf);
    rig.simulate(simulatorArgs);
    rig.startPoller(beforeNoon, {"-vv"});
    ASSERT_TRUE(rig.waitForVerbose("Ilosc wpisanych znakow do rekordu")) << rig.verboseLog();
    ProcessResult result = rig.stopPoller();
    EXPECT_EQ(result.status, 0);
}

// The part of the verbose log from the first poll up to its record line.
std::string firstExchange(const std::string& log) {
    std::size_t from = log.find("---------------\nOdpytano licznik");
    std::size_t to = log.find("\nWygenerowano linie rekordu", from);
    if (from == std::string::npos || to == std::string::npos) return "(no exchange) " + log;
    return log.substr(from, to - from);
}

}  // namespace

TEST(Exchange, SilentCounterIsAOneSecondPollWithoutAnswer) {
    PollerRig rig("exchange_silent");
    runNoonCycle(rig, {"--script", "silent", "--loop"});
    EXPECT_EQ(firstExchange(rig.verboseLog()), "---------------\nOdpytano licznik 12:00.00\n");
    EXPECT_EQ(rig.report("20110314"), "12:00;     0; 0; 1;0X694B\n");
    EXPECT_FALSE(pathExists(rig.dir.root("/opt/velmora/log/comlog.txt")))
        << "an unanswered poll leaves the com log untouched";
}

TEST(Exchange, WholeAnswerAtTheFirstReadIsATwoSecondPoll) {
    PollerRig rig("exchange_two");
    runNoonCycle(rig, {"--start", "122"});
    EXPECT_EQ(firstExchange(rig.verboseLog()),
              "---------------\nOdpytano licznik 12:00.00\n"
              " odpowiedz licznika - ilosc znakow = 8, ilosc buforow = 1 \n"
              "Odpowiedz licznika: 0ah 0dh 000123");
    EXPECT_NE(rig.verboseLog().find("\nWygenerowano linie rekordu 12:00;   123; 0; 0; 0X8EB2 \n"
                                    "Ilosc wpisanych znakow do rekordu = 26\n"
                                    "udany wpis do pliku " +
                                    rig.reportPath("20110314") + "\n"),
              std::string::npos);
    EXPECT_EQ(rig.report("20110314"), "12:00;   123; 0; 0;0X8EB2\n");
    // One entry per answer, each between line feeds; the stop exchange adds
    // the second.
    std::string comlog = rig.comLog();
    EXPECT_EQ(comlog.rfind("\n12:00.02: nbuf=1: 0ah 0dh 000123\n\n", 0), 0u) << comlog;
    EXPECT_EQ(occurrences(comlog, ": nbuf=1: 0ah 0dh 000124\n"), 1) << comlog;
}

// The answer comes in two chunks, "\n\r0001" and a moment later "24" (the
// simulator's split, checked byte for byte in pcsim_test): the two reads
// are joined into the one value 124.
TEST(Exchange, AnswerStillArrivingIsAThreeSecondPoll) {
    PollerRig rig("exchange_three");
    runNoonCycle(rig, {"--start", "123", "--script", "split", "--split-delay",
                       std::to_string(splitDelayMs)});
    EXPECT_EQ(firstExchange(rig.verboseLog()),
              "---------------\nOdpytano licznik 12:00.00\n"
              " odpowiedz licznika - ilosc znakow = 8, ilosc buforow = 2 \n"
              "Odpowiedz licznika: 0ah 0dh 000124");
    EXPECT_EQ(rig.report("20110314"), "12:00;   124; 0; 0;0X8FBA\n");
    EXPECT_EQ(rig.comLog().rfind("\n12:00.03: nbuf=2: 0ah 0dh 000124\n", 0), 0u) << rig.comLog();
}

TEST(Exchange, ComLogIsOffUnlessSwitchedOn) {
    PollerRig rig("exchange_nocomlog");
    runNoonCycle(rig, {"--start", "122"}, "comlog = no\n");
    EXPECT_EQ(rig.report("20110314"), "12:00;   123; 0; 0;0X8EB2\n");
    EXPECT_FALSE(pathExists(rig.dir.root("/opt/velmora/log/comlog.txt")));
}

TEST(Exchange, FaultsGarbageAndOddBytesInTheDumps) {
    PollerRig rig("exchange_fault");
    runNoonCycle(rig, {"--script", "hex:0a0d0a0d46ff7f00414243"});
    EXPECT_EQ(firstExchange(rig.verboseLog()),
              "---------------\nOdpytano licznik 12:00.00\n"
              " odpowiedz licznika - ilosc znakow = 11, ilosc buforow = 1 \n"
              "Odpowiedz licznika: 0ah 0dh 0ah 0dh Fffffffffh 7fh ")
        << "the dump ends at the zero byte";
    // No value yet: the total stays 0, the fault is counted.
    EXPECT_EQ(rig.report("20110314"), "12:00;     0; 1; 0;0X694E\n");
}

TEST(Exchange, DrainThrowsStaleBytesAway) {
    PollerRig rig("exchange_drain");
    rig.configure("900", noonHours);
    std::string stale(255, 'A');
    std::string staleHex;
    for (std::size_t i = 0; i < stale.size(); ++i) staleHex += "41";
    rig.simulate(
        {"--start", "122", "--stale", "0a0d393939393939" + staleHex.substr(16) + "780a79"});
    rig.startPoller(beforeNoon, {"-v"});
    ASSERT_TRUE(rig.waitForEvent("Otwarto port"));
    kill(rig.sim.pid, SIGUSR1);
    ASSERT_TRUE(waitForText(rig.sim.logPath, "stale", 5000));
    ASSERT_TRUE(rig.waitForVerbose("Czyszczenie bufora start"));
    ASSERT_TRUE(waitForText(rig.reportPath("20110314"), "\n", 10000));
    EXPECT_EQ(rig.stopPoller().status, 0);
    std::string expected = "Otwarto port  " + rig.port + "\n***************************" +
                           "\nOtwarcie dzisiaj =  2011.03.14-12:00.00;Monday, 12:00-13:00\n"
                           "Czyszczenie bufora start\n"
                           "Czyszczenie bufora 1 :0ah 0dh 999999" +
                           std::string(247, 'A') +
                           " : koniec czyszczenia\n"
                           "Czyszczenie bufora 2: xCzyszczenie bufora 2: 0ah "
                           "Czyszczenie bufora 2: y : koniec czyszczenia\n";
    EXPECT_NE(rig.verboseLog().find(expected), std::string::npos) << rig.verboseLog();
    EXPECT_EQ(rig.report("20110314"), "12:00;   123; 0; 0;0X8EB2\n")
        << "the stale value is not taken for the total";
}

TEST(Exchange, DrainOfAnEmptyLineWritesOnlyItsHeader) {
    PollerRig rig("exchange_drain_empty");
    runNoonCycle(rig, {});
    std::string log = rig.verboseLog();
    EXPECT_NE(log.find("***************************\nOtwarcie dzisiaj =  2011.03.14-12:00.00;"
                       "Monday, 12:00-13:00\nCzyszczenie bufora start\n---------------\n"),
              std::string::npos)
        << log;
}

// A terminal whose reads fail: a pseudo-terminal whose line discipline
// becomes the null one once the poller has opened and configured it; every
// read and write then fails (EOPNOTSUPP).  (A pseudo-terminal whose other
// side has gone reads as empty on current kernels; only writes to it fail.)
struct NullLineTerminal {
    explicit NullLineTerminal(const std::string& linkPath) {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
        std::string slavePath = ptsname(master);
        slave = open(slavePath.c_str(), O_RDWR | O_NOCTTY);
        ready = slave >= 0 && symlink(slavePath.c_str(), linkPath.c_str()) == 0;
    }
    ~NullLineTerminal() {
        if (slave >= 0) close(slave);
        if (master >= 0) close(master);
    }
    bool breakLine() const {
        int nullDiscipline = N_NULL;
        return ioctl(slave, TIOCSETD, &nullDiscipline) == 0;
    }
    int master = -1;
    int slave = -1;
    bool ready = false;
};

TEST(Exchange, DrainWhoseReadsFail) {
    PollerRig rig("exchange_drain_fail");
    NullLineTerminal terminal(rig.port);
    ASSERT_TRUE(terminal.ready) << std::strerror(errno);
    rig.configure("900", noonHours);
    rig.startPoller("@2011-03-14 11:59:54 x2", {"-v"});
    ASSERT_TRUE(rig.waitForEvent("Otwarto port"));
    ASSERT_TRUE(terminal.breakLine()) << std::strerror(errno);
    ASSERT_TRUE(rig.waitForVerbose("Czyszczenie bufora start"));
    ASSERT_TRUE(waitForText(rig.reportPath("20110314"), "\n", 10000));
    EXPECT_EQ(rig.stopPoller().status, 0);
    std::string log = rig.verboseLog();
    EXPECT_NE(log.find("Otwarcie dzisiaj =  2011.03.14-12:00.00;Monday, 12:00-13:00\n"
                       "Czyszczenie bufora start\nCzyszczenie bufora 1 : : koniec czyszczenia\n"
                       " : koniec czyszczenia\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(rig.report("20110314"), "12:00;     0; 0; 1;0X694B\n");
}

TEST(Exchange, PortThatCannotBeOpenedEndsWithStatus255) {
    PollerRig rig("exchange_noport");
    rig.port = rig.dir.path + "/missing-tty";
    rig.configure("900", noonHours);
    rig.startPoller(beforeNoon, {"-vv"});
    ProcessResult result = waitProcess(rig.poller, rig.pollerSetup, 20000);
    rig.poller = -1;
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.err, rig.port + ": No such file or directory\n");
    EXPECT_EQ(rig.eventLog(), "\nSTART nazwa wywolania door1: 2011-03-14 - 11:59.58 \n");
    EXPECT_EQ(rig.verboseLog().find("Otwarto"), std::string::npos);
    EXPECT_EQ(rig.verboseLog().find("STOP"), std::string::npos);
}
