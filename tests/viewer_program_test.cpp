// The real report viewer (scratch-root copy of pcview) with its standard
// input piped: the screens it shows, the days it finds and the status it
// ends with; what is not a regular file at a report's path, and times that
// would act on the terminal.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "pcutil.h"
#include "testsupport.h"
#include "viewerscreen.h"

using namespace testsupport;

namespace {

constexpr int runTimeoutMs = 30000;
constexpr int bigRunTimeoutMs = 120000;
const std::string today = "@2011-03-14 12:00:00";
const std::string confFile = "/etc/korvane/pcview.conf";
const std::string reportDir = "/var/log/korvane/";

void writeConf(const ScratchDir& dir, const std::string& text) {
    std::string path = dir.root(confFile);
    makeDirs(std::filesystem::path(path).parent_path());
    writeFile(path, text);
}

void writeReport(const ScratchDir& dir, const std::string& name, const std::string& text) {
    makeDirs(dir.root(reportDir));
    writeFile(dir.root(reportDir + name), text);
}

ProcessResult runViewer(const ScratchDir& dir, const std::string& input,
                        int timeoutMs = runTimeoutMs) {
    ProcessSetup setup;
    setup.program = viewerProgram();
    setup.workDir = dir.path;
    setup.fakeTime = today;
    setup.input = input;
    return runProcess(setup, timeoutMs);
}

}  // namespace

// ---- the real program

TEST(ViewerProgram, ShowsTheTwoRecordExample) {
    ScratchDir dir("viewer_example");
    writeConf(dir, "entry = door1\n");
    writeReport(dir, "door1_20110314.csv",
                "10:00;   100; 0; 0;0X8764\n"
                "10:15;   112; 0; 0;0X90D8\n");
    ProcessResult result = runViewer(dir, "-1\n");
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, std::string(100, '\n') +
                              "Data 20110314. Raport dla wejścia:\n"
                              "door1\n"
                              "\n"
                              " godz;wzrost;  stan;\n"
                              "10:00;     0;   100;\n"
                              "10:15;    12;   112;\n"
                              "\n\n\n\n\n"
                              "jezeli chcesz zakonczyc, wpisz -1\n"
                              "jezeli chcesz sprawdzac inne daty wpisz ile dni temu -> \n");
    EXPECT_EQ(result.err, "");
}

TEST(ViewerProgram, HelpAndVersionAnswerWithoutTheDialogue) {
    ScratchDir dir("viewer_help");
    writeConf(dir, "entry = door1\n");
    ProcessSetup setup;
    setup.program = viewerProgram();
    setup.workDir = dir.path;
    setup.fakeTime = today;
    setup.input = "-1\n";
    setup.args = {"--help"};
    ProcessResult help = runProcess(setup, runTimeoutMs);
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out,
              "Uzycie: pcview\n"
              "Pokazuje dzisiejszy raport wejscia nazwanego kluczem entry w pliku\n"
              "scratch/etc/korvane/pcview.conf, a potem pyta, ile dni wstecz pokazac:\n"
              "0 to dzisiaj, 1 wczoraj; liczba ujemna konczy program.\n"
              "\n"
              "  --help     ten opis\n"
              "  --version  wersja\n");
    EXPECT_EQ(help.err, "");
    setup.args = {"--version"};
    ProcessResult version = runProcess(setup, runTimeoutMs);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "pcview 0.1.0\n");
    // Any other argument is ignored, as always: the dialogue runs.
    setup.args = {"-h"};
    ProcessResult other = runProcess(setup, runTimeoutMs);
    EXPECT_EQ(other.status, 255);
    EXPECT_NE(other.out.find("jezeli chcesz zakonczyc, wpisz -1\n"), std::string::npos);
}

TEST(ViewerProgram, AnUnansweredPollShowsNoIncrease) {
    ScratchDir dir("viewer_unanswered");
    writeConf(dir, "entry = door1\n");
    writeReport(dir, "door1_20110314.csv",
                "10:00;   100; 0; 0;0X8764\n"
                "10:15;   100; 0; 1;0X8EC1\n"
                "10:30;   105; 0; 0;0X8FBC\n");
    ProcessResult result = runViewer(dir, "-1\n");
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, screen("20110314", "door1",
                                 "10:00;     0;   100;\n"
                                 "10:15;     0;   100;\n"
                                 "10:30;     5;   105;\n") +
                              prompt + "\n");
}

TEST(ViewerProgram, AFallingTotalShowsANegativeIncrease) {
    ScratchDir dir("viewer_falling");
    writeConf(dir, "entry = door1\n");
    writeReport(dir, "door1_20110314.csv",
                "10:00;   100; 0; 0;0X8764\n"
                "10:15;    90; 0; 0;0X8566\n");
    ProcessResult result = runViewer(dir, "-1\n");
    EXPECT_EQ(result.out, screen("20110314", "door1",
                                 "10:00;     0;   100;\n"
                                 "10:15;   -10;    90;\n") +
                              prompt + "\n");
}

TEST(ViewerProgram, AnEmptyReportShowsTitleAndHeaderOnly) {
    ScratchDir dir("viewer_empty");
    writeConf(dir, "entry = door1\n");
    writeReport(dir, "door1_20110314.csv", "");
    ProcessResult result = runViewer(dir, "-1\n");
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, scroll +
                              "Data 20110314. Raport dla wejścia:\ndoor1\n"
                              "\n godz;wzrost;  stan;\n\n\n\n\n\n" +
                              prompt + "\n");
}

TEST(ViewerProgram, OneShowsYesterday) {
    ScratchDir dir("viewer_yesterday");
    writeConf(dir, "entry = door1\n");
    writeReport(dir, "door1_20110314.csv", "10:00;   100; 0; 0;0X8764\n");
    writeReport(dir, "door1_20110313.csv",
                "09:00;   250; 0; 0;0X952F\n"
                "09:30;   260; 0; 0;0X9968\n");
    ProcessResult result = runViewer(dir, "1\n0\n-1\n");
    EXPECT_EQ(result.status, 255);
    std::string todayScreen = screen("20110314", "door1", "10:00;     0;   100;\n");
    EXPECT_EQ(result.out, todayScreen + prompt + "\n" +
                              screen("20110313", "door1",
                                     "09:00;     0;   250;\n"
                                     "09:30;    10;   260;\n") +
                              prompt + "\n" + todayScreen + prompt + "\n");
}

TEST(ViewerProgram, TheNegativeNumberIsTheStatus) {
    ScratchDir dir("viewer_status");
    writeConf(dir, "entry = door1\n");
    writeReport(dir, "door1_20110314.csv", "10:00;   100; 0; 0;0X8764\n");
    EXPECT_EQ(runViewer(dir, "-1\n").status, 255);
    EXPECT_EQ(runViewer(dir, "-5\n").status, 251);
    EXPECT_EQ(runViewer(dir, "-255\n").status, 1);
    EXPECT_EQ(runViewer(dir, "-256\n").status, 255);
    EXPECT_EQ(runViewer(dir, "-5").status, 251);  // last line without a line feed
}

TEST(ViewerProgram, AMissingReportLetsTheOperatorTryAnotherDay) {
    ScratchDir dir("viewer_missing_report");
    writeConf(dir, "entry = door1\n");
    writeReport(dir, "door1_20110313.csv", "09:00;   250; 0; 0;0X952F\n");
    ProcessResult result = runViewer(dir, "1\n-1\n");
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, "nie znaleziono pliku scratch/var/log/korvane/door1_20110314.csv\n" +
                              banner + prompt + "\n" +
                              screen("20110313", "door1", "09:00;     0;   250;\n") + prompt +
                              "\n");
}

TEST(ViewerProgram, OnlyARegularFileIsAReport) {
    ScratchDir dir("viewer_not_regular");
    writeConf(dir, "entry = door1\n");
    makeDirs(dir.root(reportDir));
    // Today a FIFO without a writer, yesterday a link to an endless
    // device, the day before a directory: none is read or waited on.
    ASSERT_EQ(mkfifo(dir.root(reportDir + "door1_20110314.csv").c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", dir.root(reportDir + "door1_20110313.csv").c_str()), 0);
    makeDirs(dir.root(reportDir + "door1_20110312.csv"));
    writeReport(dir, "door1_20110311.csv", "09:00;   250; 0; 0;0X952F\n");
    const int boundMs = 10000;  // a hang is killed here and fails the status
    ProcessResult result = runViewer(dir, "1\n2\n3\n-1\n", boundMs);
    EXPECT_EQ(result.status, 255);
    std::string expected;
    for (const char* date : {"20110314", "20110313", "20110312"})
        expected += "nie znaleziono pliku scratch/var/log/korvane/door1_" + std::string(date) +
                    ".csv\n" + banner + prompt + "\n";
    expected += screen("20110311", "door1", "09:00;     0;   250;\n") + prompt + "\n";
    EXPECT_EQ(result.out, expected);
}

TEST(ViewerProgram, TimesAreEscapedOnTheScreen) {
    ScratchDir dir("viewer_escaped");
    writeConf(dir, "entry = door1\n");
    writeReport(dir, "door1_20110314.csv",
                "\x1B[31m\x07\x1B[2J;   100; 0; 0;0X0000\n"
                "10:1\xB5;   112; 0; 0;0X90D8\n"
                "10:30;   120; 0; 0;0X90D8\n");
    ProcessResult result = runViewer(dir, "-1\n");
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, screen("20110314", "door1",
                                 "\\x1B[31m\\x07\\x1B[2J;     0;   100;\n"
                                 "10:1\\xB5;    12;   112;\n"
                                 "10:30;     8;   120;\n") +
                              prompt + "\n");
}

TEST(ViewerProgram, AMissingConfigurationLeavesNoEntryName) {
    ScratchDir dir("viewer_missing_conf");
    // Reports under the empty name must not be taken for the entrance's.
    writeReport(dir, "_20110314.csv", "10:00;   100; 0; 0;0X8764\n");
    ProcessResult result = runViewer(dir, "0\n-1\n");
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, "nie znaleziono pliku scratch/etc/korvane/pcview.conf\n" + banner +
                              prompt + "\n" +
                              "nie znaleziono pliku scratch/var/log/korvane/_20110314.csv\n" +
                              banner + prompt + "\n");
}

TEST(ViewerProgram, AnEntryWithoutFinalLineFeedIsNotFound) {
    ScratchDir dir("viewer_no_line_feed");
    writeConf(dir, "entry = door1");
    writeReport(dir, "door1_20110314.csv", "10:00;   100; 0; 0;0X8764\n");
    writeReport(dir, "door1_20110313.csv", "09:00;   250; 0; 0;0X952F\n");
    ProcessResult result = runViewer(dir, "1\n-1\n");
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, "brak w konfiguracji parametru: <entry>\n" + banner + prompt + "\n" +
                              "nie znaleziono pliku scratch/var/log/korvane/_20110313.csv\n" +
                              banner + prompt + "\n");
}

TEST(ViewerProgram, TheConfigurationHasNoComments) {
    ScratchDir dir("viewer_hash");
    writeConf(dir, "# entry = door2\n");
    writeReport(dir, "door2_20110314.csv", "10:00;   100; 0; 0;0X8764\n");
    ProcessResult result = runViewer(dir, "-1\n");
    EXPECT_EQ(result.out, screen("20110314", "door2", "10:00;     0;   100;\n") + prompt + "\n");
}

TEST(ViewerProgram, EndOfInputEndsAtOnce) {
    ScratchDir dir("viewer_end_of_input");
    writeConf(dir, "entry = door1\n");
    writeReport(dir, "door1_20110314.csv", "10:00;   100; 0; 0;0X8764\n");
    writeReport(dir, "door1_20110313.csv", "09:00;   250; 0; 0;0X952F\n");
    std::string todayScreen = screen("20110314", "door1", "10:00;     0;   100;\n");

    ProcessResult result = runViewer(dir, "");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, todayScreen + prompt);

    result = runViewer(dir, "1\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, todayScreen + prompt + "\n" +
                              screen("20110313", "door1", "09:00;     0;   250;\n") + prompt);
}

TEST(ViewerProgram, EndOfInputAfterAConfigurationError) {
    ScratchDir dir("viewer_end_no_conf");
    ProcessResult result = runViewer(dir, "");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out,
              "nie znaleziono pliku scratch/etc/korvane/pcview.conf\n" + banner + prompt);
}

TEST(ViewerProgram, ALineThatIsNotAnIntegerIsThrownAway) {
    ScratchDir dir("viewer_not_integer");
    writeConf(dir, "entry = door1\n");
    writeReport(dir, "door1_20110314.csv", "10:00;   100; 0; 0;0X8764\n");
    writeReport(dir, "door1_20110313.csv", "09:00;   250; 0; 0;0X952F\n");
    std::string todayScreen = screen("20110314", "door1", "10:00;     0;   100;\n");

    ProcessResult result = runViewer(dir, "abc\n-1\n");
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, todayScreen + prompt + prompt + "\n");

    // Each of these lines is thrown away whole; "1 -1" must not end it.
    result = runViewer(dir, "\n1 -1\n-1x\n99999999999999999999\n+-1\n 1 \n-1\n");
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, todayScreen + prompt + prompt + prompt + prompt + prompt + prompt + "\n" +
                              screen("20110313", "door1", "09:00;     0;   250;\n") + prompt +
                              "\n");
}

TEST(ViewerProgram, AnUndatableDayIsThrownAway) {
    ScratchDir dir("viewer_undatable");
    writeConf(dir, "entry = door1\n");
    writeReport(dir, "door1_20110314.csv", "10:00;   100; 0; 0;0X8764\n");
    ProcessResult result = runViewer(dir, "9223372036854775807\n-1\n");
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out,
              screen("20110314", "door1", "10:00;     0;   100;\n") + prompt + prompt + "\n");
}

TEST(ViewerProgram, MalformedLinesAreSkipped) {
    ScratchDir dir("viewer_malformed");
    writeConf(dir, "entry = door1\n");
    writeReport(dir, "door1_20110314.csv",
                "10:00;   100; 0; 0;0X8764\n" + std::string(99, 'x') +
                    "10:45;   999; 0; 0;0XAADD\n" +
                    "1234567890123456;   101; 0; 0;0X0000\n"
                    "10:15;" +
                    std::string(17, ' ') + "112; 0; 0;0X90D8\n" +
                    "10:15;   1x2; 0; 0;0X90D8\n"
                    "10:15;   112; 0\n"
                    "\n"
                    "10:30;   105; 0; 0;0X8FBC\n"
                    "10:45;   130; 0; 0;0X930F");
    ProcessResult result = runViewer(dir, "-1\n");
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, screen("20110314", "door1",
                                 "10:00;     0;   100;\n"
                                 "10:30;     5;   105;\n") +
                              prompt + "\n");
}

TEST(ViewerProgram, AReportOfAHundredThousandLinesIsShownWhole) {
    constexpr int lines = 100000;
    ScratchDir dir("viewer_big");
    writeConf(dir, "entry = door1\n");
    std::string report;
    std::string rows;
    for (int i = 0; i < lines; ++i) {
        std::string time = fmt("%02d:%02d.%02d", i / 3600, i / 60 % 60, i % 60);
        long total = (i % 7 == 6) ? i - 10 : i;  // every seventh record falls back
        long previous = i == 0 ? 0 : ((i - 1) % 7 == 6) ? i - 11 : i - 1;
        report += time + fmt(";%6ld; 0; 0;", total) + "0X0000\n";
        rows += time + fmt(";%6ld;%6ld;\n", total - previous, total);
    }
    writeReport(dir, "door1_20110314.csv", report);
    ProcessResult result = runViewer(dir, "-1\n", bigRunTimeoutMs);
    EXPECT_EQ(result.status, 255);
    ASSERT_EQ(result.out.size(), (screen("20110314", "door1", rows) + prompt + "\n").size());
    EXPECT_TRUE(result.out == screen("20110314", "door1", rows) + prompt + "\n");
    EXPECT_EQ(splitLines(result.out).size(), 100u + 4u + lines + 5u + 2u);
}

// One day back is yesterday's file even where a day has 23 or 25 hours:
// just after the spring change (the day before had 23 hours) and late on
// the autumn change day (25 hours), in Europe/Warsaw.
TEST(ViewerDaysBack, CalendarDaysAcrossBothDaylightSavingChanges) {
    struct Case {
        const char* now;
        const char* today;
        const char* yesterday;
        const char* twoBack;
    };
    const Case cases[] = {
        {"@2011-03-28 00:30:00", "20110328", "20110327", "20110326"},
        {"@2011-03-27 03:30:00", "20110327", "20110326", "20110325"},
        {"@2011-10-30 23:30:00", "20111030", "20111029", "20111028"},
        {"@2011-10-31 00:30:00", "20111031", "20111030", "20111029"},
    };
    for (const Case& c : cases) {
        ScratchDir dir("viewer_dst");
        writeConf(dir, "entry = door1\n");
        for (const char* day : {c.today, c.yesterday, c.twoBack})
            writeReport(dir, std::string("door1_") + day + ".csv", "");
        ProcessSetup setup;
        setup.program = viewerProgram();
        setup.workDir = dir.path;
        setup.fakeTime = c.now;
        setup.timeZone = "Europe/Warsaw";
        setup.input = "1\n2\n-1\n";
        ProcessResult result = runProcess(setup, runTimeoutMs);
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.out, screen(c.today, "door1", "") + prompt + "\n" +
                                  screen(c.yesterday, "door1", "") + prompt + "\n" +
                                  screen(c.twoBack, "door1", "") + prompt + "\n")
            << c.now;
    }
}
