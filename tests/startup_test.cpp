// Start-up of the real poller (scratch-root copy): the START line, the
// banner and settings summary, the configuration errors and the abort.
#include <gtest/gtest.h>

#include "testsupport.h"

using namespace testsupport;

namespace {

constexpr int startTimeoutMs = 20000;
const std::string monday = "@2011-03-14 08:05:03";  // a Monday

// A scratch directory with the poller's directories, its configuration
// and a port that always opens (/dev/null: every read finds nothing).
struct PollerRun {
    explicit PollerRun(const std::string& name, const std::string& invocation = "door1")
        : dir(name), invocation(invocation) {
        makeDirs(dir.root("/opt/velmora/log"));
        makeDirs(dir.root("/var/log/korvane"));
    }
    void configure(const std::string& text) {
        writeFile(dir.root("/opt/velmora/" + invocation + ".conf"), text);
    }
    ProcessResult start(std::vector<std::string> args = {}) {
        ProcessSetup setup;
        setup.program = pollerProgram();
        setup.argv0 = invocation;
        setup.args = std::move(args);
        setup.workDir = dir.path;
        setup.fakeTime = monday;
        return runProcess(setup, startTimeoutMs);
    }
    std::string verboseLog() {
        return readFile(dir.root("/opt/velmora/log/" + invocation + "_v.log"));
    }
    std::string eventLog() { return readFile(dir.root("/opt/velmora/log/" + invocation + ".log")); }
    ScratchDir dir;
    std::string invocation;
};

const std::string goodConf =
    "portname = /dev/null\n"
    "entry = /var/log/korvane/door1.csv\n"
    "recordtime = 900\n"
    "opentime = 09:00-21:00\n";

const std::string confPath = "scratch/opt/velmora/door1.conf";
const std::string abortLine =
    "\nprogram przerwany z powodu powyzszych bledow\n2011-03-14 08:05.03 STOP\n";

std::string banner(int level) {
    return "\n*******************************\nSTART: 2011-03-14 - 08:05.03 \n"
           "Wersja programu: pcpoll-0.1.0-20100826-7\n"
           "\nProgram do komunikacji z licznikami VORM-2210\n"
           "Aby zakonczyc wcisnij ctrl-c \n"
           "log bledow: scratch/opt/velmora/log/door1_v.log \npoziom debagowania = " +
           std::to_string(level) + "\nnazwa pliku konfiguracji: " + confPath + "\n";
}

std::string summary(const std::string& week, const std::string& today, const std::string& report,
                    int interval = 900, const char* comlog = "comlog no\n") {
    return "Zdekodowany odstep rekordow = " + std::to_string(interval) + " sek.\n" +
           "nazwa raportu = " + report + "\n" + week + "Dzisiaj Monday, otwarte: " + today + "\n" +
           comlog;
}

std::string sameWeek(const std::string& hours) {
    std::string text;
    for (const char* day :
         {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"})
        text += std::string(day) + ", " + hours + "\n";
    return text;
}

}  // namespace

// The scratch copy runs until it is stopped once start-up has succeeded; the
// tests here stop it with a port that cannot be opened when they only need
// the start-up logs, or use a good port and a short timeout otherwise.

TEST(StartUp, QuietStartWritesOnlyTheStartLine) {
    PollerRun run("startup_quiet");
    run.configure(goodConf + "portname = /nonexistent/tty\n");
    ProcessResult result = run.start();
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(run.eventLog(), "\nSTART nazwa wywolania door1: 2011-03-14 - 08:05.03 \n");
    EXPECT_TRUE(pathExists(run.dir.root("/opt/velmora/log/door1_v.log")))
        << "the verbose log is opened at every start";
    EXPECT_EQ(run.verboseLog(), "");
    EXPECT_EQ(result.err, "/nonexistent/tty: No such file or directory\n");
    EXPECT_EQ(result.out, "");
}

TEST(StartUp, BannerAndSummaryAtLevelOne) {
    PollerRun run("startup_v");
    run.configure(goodConf + "portname = /nonexistent/tty\n");
    ProcessResult result = run.start({"-v"});
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(run.verboseLog(), banner(1) + "zdekodowano wstepnie godziny pracy   9:00-21:00\n" +
                                    summary(sameWeek(" 9:00-21:00"), " 9:00-21:00",
                                            "/var/log/korvane/door1_20110314.csv"));
}

TEST(StartUp, ValueLinesAtLevelTwoAndDayKeysOverrideTheDefault) {
    PollerRun run("startup_vv");
    run.configure(
        "# door one\nportname = /nonexistent/tty # the counter\n"
        "entry = /var/log/korvane/door1.csv\nrecordtime = 60s\nopentime = 8:00-20:00\n"
        "Sunday = 10:00-14:00\nSaturday = 00:00-24:00\ncomlog = yes\n");
    ProcessResult result = run.start({"-vv"});
    EXPECT_EQ(result.status, 255);
    std::string week =
        "Sunday, 10:00-14:00\nMonday,  8:00-20:00\nTuesday,  8:00-20:00\n"
        "Wednesday,  8:00-20:00\nThursday,  8:00-20:00\nFriday,  8:00-20:00\n"
        "Saturday,  0:00-24:00\n";
    EXPECT_EQ(run.verboseLog(),
              banner(2) +
                  "PORT COM = /nonexistent/tty\n"
                  "Sciezka/nazwa pliku raportu = /var/log/korvane/door1.csv\n"
                  "Odstep czasowy rekordow = 60ssekund\n"
                  "Globalny czas otwarcia sklepu:  8:00-20:00\n"
                  "zdekodowano wstepnie godziny pracy   8:00-20:00\n"
                  "wczytano Sunday 10:00-14:00\n"
                  "wczytano Saturday  0:00-24:00\n" +
                  summary(week, " 8:00-20:00", "/var/log/korvane/door1_20110314.csv", 60,
                          "comlog yes\n"));
}

TEST(StartUp, UnknownOptionIsLevelThreeThenBehavesAsTwo) {
    PollerRun run("startup_badopt");
    run.configure(goodConf + "portname = /nonexistent/tty\n");
    ProcessResult result = run.start({"-x"});
    EXPECT_EQ(result.status, 255);
    std::string log = run.verboseLog();
    EXPECT_EQ(log.rfind(banner(3) + "\n zla opcja -x, dopuszczalne -v i -vv: verbose - wyswietlaj\n"
                                    "PORT COM = /nonexistent/tty\n",
                        0),
              0u)
        << log;
}

TEST(StartUp, DirectoryPartOfTheInvocationNameStays) {
    PollerRun run("startup_dotslash", "./pcpoll");
    run.configure(goodConf + "portname = /nonexistent/tty\n");
    makeDirs(run.dir.root("/opt/velmora/log/."));
    ProcessResult result = run.start({"-v"});
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(readFile(run.dir.root("/opt/velmora/log/./pcpoll.log")),
              "\nSTART nazwa wywolania ./pcpoll: 2011-03-14 - 08:05.03 \n");
    EXPECT_NE(readFile(run.dir.root("/opt/velmora/log/./pcpoll_v.log"))
                  .find("log bledow: scratch/opt/velmora/log/./pcpoll_v.log \n"),
              std::string::npos);
}

TEST(StartUp, MissingConfigurationFile) {
    PollerRun run("startup_noconf");
    ProcessResult quiet = run.start();
    EXPECT_EQ(quiet.status, 1);
    EXPECT_EQ(quiet.out, "\nBlad - nie znaleziono pliku kofiguracji " + confPath + "\n");
    EXPECT_EQ(run.verboseLog(), "Nie znaleziono pliku konfiguracji" + confPath +
                                    "\nNie znaleziono nazwy portu com 'portname' w pliku " +
                                    confPath + abortLine);
    EXPECT_EQ(run.eventLog(), "\nSTART nazwa wywolania door1: 2011-03-14 - 08:05.03 \n")
        << "no STOP line after an abort";
    writeFile(run.dir.root("/opt/velmora/log/door1_v.log"), "");
    ProcessResult verbose = run.start({"-v"});
    EXPECT_EQ(verbose.status, 1);
    EXPECT_EQ(run.verboseLog(), banner(1) + "Nie znaleziono pliku konfiguracji" + confPath +
                                    "\nNie znaleziono nazwy portu com 'portname' w pliku " +
                                    confPath + abortLine);
}

TEST(StartUp, EachMissingKeyAborts) {
    struct Case {
        std::string conf;
        std::string message;
    };
    const std::string port = "portname = /dev/null\n";
    const std::string entry = "entry = /var/log/korvane/door1.csv\n";
    const std::string interval = "recordtime = 900\n";
    const std::string hours = "opentime = 09:00-21:00\n";
    const Case cases[] = {
        {entry + interval + hours, "Nie znaleziono nazwy portu com 'portname' w pliku "},
        {port + interval + hours, "Nie znaleziono nazwy pliku raportu 'entry' com w pliku "},
        {port + entry + hours, "Nie znaleziono czasowego osdtepu rekordow 'recordtime' w pliku "},
        {port + entry + interval,
         "Nie znaleziono globarnego czasu otwarcia sklepu 'opentime' w pliku "},
        {port + entry + interval + "opentime = 09:00-21:00",
         "Nie znaleziono globarnego czasu otwarcia sklepu 'opentime' w pliku "},
    };
    for (const Case& c : cases) {
        PollerRun run("startup_missing_key");
        run.configure(c.conf);
        ProcessResult result = run.start();
        EXPECT_EQ(result.status, 1) << c.message;
        EXPECT_EQ(run.verboseLog(), c.message + confPath + abortLine);
        EXPECT_EQ(result.out, "");
    }
}

TEST(StartUp, OpeningHoursThatDoNotDecodeAbort) {
    PollerRun run("startup_badhours");
    run.configure(
        "portname = /dev/null\nentry = /var/log/korvane/door1.csv\nrecordtime = 900\n"
        "opentime = 08.00-20.00\n");
    EXPECT_EQ(run.start().status, 1);
    EXPECT_EQ(run.verboseLog(), "\nblad odczytu godzin otwarcia\n" + abortLine);

    writeFile(run.dir.root("/opt/velmora/log/door1_v.log"), "");
    run.configure(goodConf + "Wednesday = 009:00-21:00\n");
    EXPECT_EQ(run.start({"-vv"}).status, 1);
    std::string log = run.verboseLog();
    std::string tail =
        "zdekodowano wstepnie godziny pracy   9:00-21:00\n"
        "\nblad odczytu godzin otwarcia w Wednesday\n" +
        abortLine;
    ASSERT_GE(log.size(), tail.size());
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
}

TEST(StartUp, RecordIntervalAndReportNames) {
    struct Case {
        std::string interval;
        std::string entry;
        std::string summaryStart;
    };
    const Case cases[] = {
        {"5", "/var/log/korvane/door1.csv",
         "Zdekodowany odstep rekordow = 10 sek.\nnazwa raportu = "
         "/var/log/korvane/door1_20110314.csv\n"},
        {"abc", "/var/log/korvane/door1",
         "Zdekodowany odstep rekordow = 10 sek.\nnazwa raportu = "
         "/var/log/korvane/door1_20110314.\n"},
        {"60s", "/data/set.1/d.csv",
         "Zdekodowany odstep rekordow = 60 sek.\nnazwa raportu = /data/set_20110314.1/d.csv\n"},
    };
    for (const Case& c : cases) {
        PollerRun run("startup_interval");
        run.configure("portname = /nonexistent/tty\nentry = " + c.entry +
                      "\nrecordtime = " + c.interval + "\nopentime = 09:00-21:00\n");
        EXPECT_EQ(run.start({"-v"}).status, 255);
        EXPECT_NE(run.verboseLog().find(c.summaryStart), std::string::npos) << run.verboseLog();
    }
}

TEST(StartUp, MidnightClosingShowsAsTwentyFour) {
    PollerRun run("startup_allday");
    run.configure(
        "portname = /nonexistent/tty\nentry = /var/log/korvane/door1.csv\n"
        "recordtime = 900\nopentime = 00:00-24:00\n");
    EXPECT_EQ(run.start({"-v"}).status, 255);
    EXPECT_NE(
        run.verboseLog().find(sameWeek(" 0:00-24:00") + "Dzisiaj Monday, otwarte:  0:00-24:00\n"),
        std::string::npos);
}

TEST(StartUp, ValuesFarBeyondEveryCapacityAreKeptWhole) {
    PollerRun run("startup_long");
    std::string port = "/nonexistent/" + std::string(5000, 'p');
    std::string entry = "/var/log/korvane/" + std::string(3000, 'e') + "." + std::string(300, 'x');
    run.configure("portname = " + port + "\nentry = " + entry +
                  "\nrecordtime = " + std::string(500, '0') + "900\nopentime = 09:00-21:00" +
                  std::string(2000, 'h') + "\n");
    ProcessResult result = run.start({"-vv"});
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.err, port + ": File name too long\n");
    std::string log = run.verboseLog();
    EXPECT_NE(log.find("PORT COM = " + port + "\n"), std::string::npos);
    EXPECT_NE(log.find("Zdekodowany odstep rekordow = 900 sek.\n"), std::string::npos);
    EXPECT_NE(log.find("nazwa raportu = /var/log/korvane/" + std::string(3000, 'e') + "_20110314." +
                       std::string(300, 'x') + "\n"),
              std::string::npos);
}

TEST(StartUp, HelpAndVersionAnswerBeforeAnythingElse) {
    PollerRun run("startup_help");
    run.configure(goodConf);
    ProcessResult help = run.start({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(help.out,
              "Uzycie: pcpoll [-v|-vv]\n"
              "Odpytuje licznik VORM-2210 na porcie podanym w pliku konfiguracji\n"
              "scratch/opt/velmora/NAZWA.conf (NAZWA: nazwa wywolania) i dopisuje jego stany\n"
              "do dziennych plikow raportu.\n"
              "\n"
              "  -v         w logu szczegolowym takze start, ustawienia, port i dni\n"
              "  -vv        do tego kazda wartosc konfiguracji i kazdy cykl odpytania\n"
              "  --help     ten opis\n"
              "  --version  wersja\n"
              "\n"
              "Logi: scratch/opt/velmora/log/NAZWA.log i scratch/opt/velmora/log/NAZWA_v.log.\n"
              "Status: 0 po SIGTERM, SIGINT lub SIGHUP, 1 po blednej konfiguracji,\n"
              "255 gdy nie mozna otworzyc portu.\n");
    ProcessResult version = run.start({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.err, "");
    EXPECT_EQ(version.out, "pcpoll-0.1.0-20100826-7\n");
    EXPECT_FALSE(pathExists(run.dir.root("/opt/velmora/log/door1.log"))) << "no log line";
    EXPECT_FALSE(pathExists(run.dir.root("/opt/velmora/log/door1_v.log")));

    // Only the whole first argument: anything else is read as before.
    run.configure("");
    ProcessResult other = run.start({"--helpme"});
    EXPECT_EQ(other.status, 1);
    EXPECT_EQ(other.out, "");
    EXPECT_NE(run.verboseLog().find("\n zla opcja --helpme, dopuszczalne -v i -vv"),
              std::string::npos)
        << run.verboseLog();
    EXPECT_EQ(run.start({"-v", "--help"}).out, "") << "a second argument is ignored";
}
