// The real pcstat (scratch-root copy) over made-up reports: the counting
// rules in exact csv, the check with every kind of finding, the table as a
// person reads it, usage errors; the check of a day that the real poller
// wrote against the simulated counter; and outside input: what is not a
// regular file at a report path, files of endless findings, bytes that
// would act on a terminal, numbers the poller never writes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "rig.h"
#include "record.h"
#include "statrun.h"
#include "testsupport.h"

using namespace testsupport;

namespace {

constexpr int runTimeoutMs = 30000;

// A record line as the poller writes it.
std::string rec(const std::string& time, int total, int faults = 0, int noAnswer = 0) {
    return recordLine(recordBodyText(time, total, faults, noAnswer));
}

struct StatRun {
    explicit StatRun(const std::string& name) : dir(name) {
        makeDirs(dir.root("/opt/velmora"));
        makeDirs(dir.root("/var/log/korvane"));
        makeDirs(dir.path + "/reports");
    }
    // A report of the path entrance door1 (reports/door1_DATE.csv).
    void report(const std::string& date, const std::string& text) {
        writeFile(dir.path + "/reports/door1_" + date + ".csv", text);
    }
    void viewerReport(const std::string& name, const std::string& date, const std::string& text) {
        writeFile(dir.root("/var/log/korvane/" + name + "_" + date + ".csv"), text);
    }
    void conf(const std::string& name, const std::string& text) {
        writeFile(dir.root("/opt/velmora/" + name + ".conf"), text);
    }
    std::string door1() const { return dir.path + "/reports/door1.csv"; }
    ProcessResult run(std::vector<std::string> args, const std::string& timeZone = "UTC",
                      const std::string& fakeTime = "") {
        return runStat(dir.path, std::move(args), runTimeoutMs, timeZone, fakeTime);
    }
    ScratchDir dir;
};

std::string blocks(int count) {
    std::string bar;
    for (int i = 0; i < count; ++i) bar += "\u2588";
    return bar;
}

const std::string csvHeader =
    "period,entrance,visitors,records,unanswered,faults,days,open_days,expected,missing,"
    "carried\n";

// One entrance over a week: a look back four days, a wrap past 999999, a
// reset, an unanswered record at the start of a day, a photocell fault, a
// line that is not a record, a bad checksum, the 23:59 record at the head
// of the next day's file, and a closed day without a file.
void writeWeek(StatRun& r) {
    r.report("20110310", rec("20:00", 999990));
    r.report("20110314", rec("09:00", 5, 0, 1) +            // unanswered: no increase
                             rec("09:15", 20) +             // wrapped: 20 + 1000000 - 999990
                             rec("09:30", 50, 2) +          // +30, faults
                             "09:45;    60; 0;\n" +         // not a whole record
                             "10:00;    70; 0; 0;0X0000\n"  // checksum does not match
                             + rec("10:15", 80)             // +30 over 09:30
                             + rec("10:30", 15)             // reset: +15
                             + rec("23:59", 25));           // +10, this day's own
    r.report("20110315", rec("23:59", 40) +                 // the day before's last record: +15
                             rec("09:00", 45));
    // 2011-03-16: closed, no file.
    r.report("20110317", rec("09:00", 70));
}

}  // namespace

TEST(StatCsv, CountingRulesPerDay) {
    StatRun r("stat_rules_day");
    writeWeek(r);
    ProcessResult result =
        r.run({"--from", "2011-03-14", "--to", "2011-03-16", "--format", "csv", r.door1()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, csvHeader +
                              "2011-03-14,door1,130,7,1,1,1,,,,30\n"
                              "2011-03-15,door1,5,1,0,0,1,,,,0\n"
                              "2011-03-16,door1,0,0,0,0,1,,,,0\n");
}

TEST(StatCsv, CountingRulesPerHourAndTheNextDaysHead) {
    StatRun r("stat_rules_hour");
    writeWeek(r);
    ProcessResult result = r.run({"--date", "20110314", "--format", "csv", r.door1()});
    EXPECT_EQ(result.status, 0) << result.err;
    // Each increase counts in the hour it ends in: the unanswered 09:00 in
    // 08:00-09:00, the wrap after it carried across that gap.
    std::string expected = csvHeader +
                           "2011-03-14T08,door1,0,1,1,0,1,,,,0\n"
                           "2011-03-14T09,door1,60,2,0,1,1,,,,30\n"
                           "2011-03-14T10,door1,45,2,0,0,1,,,,0\n";
    for (int hour = 11; hour <= 22; ++hour)
        expected += "2011-03-14T" + std::to_string(hour) + ",door1,0,0,0,0,1,,,,0\n";
    expected += "2011-03-14T23,door1,25,2,0,0,1,,,,0\n";
    EXPECT_EQ(result.out, expected);
}

TEST(StatCsv, WithoutAnEarlierRecordTheFirstIncreaseIsZero) {
    StatRun r("stat_no_lookback");
    r.report("20110306", rec("20:00", 500));  // eight days back: too far
    r.report("20110314", rec("09:00", 520) + rec("10:00", 530));
    ProcessResult result =
        r.run({"--date", "2011-03-14", "--by", "day", "--format", "csv", r.door1()});
    EXPECT_EQ(result.out, csvHeader + "2011-03-14,door1,10,2,0,0,1,,,,0\n");
}

TEST(StatCsv, IsoWeeksMonthsAndWeekdaysOverAYearEnd) {
    StatRun r("stat_year_end");
    r.report("20101231", rec("12:00", 100));  // Friday of 2010-W52
    r.report("20110101", rec("12:00", 110));  // Saturday, still 2010-W52
    r.report("20110104", rec("12:00", 130));  // Tuesday of 2011-W01
    std::vector<std::string> range = {"--from",   "2010-12-27", "--to",   "2011-01-09",
                                      "--format", "csv",        r.door1()};
    auto by = [&](const std::string& period) {
        std::vector<std::string> args = range;
        args.insert(args.begin(), {"--by", period});
        return r.run(args).out;
    };
    EXPECT_EQ(by("week"),
              csvHeader + "2010-W52,door1,10,2,0,0,7,,,,0\n2011-W01,door1,20,1,0,0,7,,,,0\n");
    EXPECT_EQ(by("month"),
              csvHeader + "2010-12,door1,0,1,0,0,5,,,,0\n2011-01,door1,30,2,0,0,9,,,,0\n");
    EXPECT_EQ(by("weekday"), csvHeader +
                                 "Monday,door1,0,0,0,0,2,,,,0\n"
                                 "Tuesday,door1,20,1,0,0,2,,,,0\n"
                                 "Wednesday,door1,0,0,0,0,2,,,,0\n"
                                 "Thursday,door1,0,0,0,0,2,,,,0\n"
                                 "Friday,door1,0,1,0,0,2,,,,0\n"
                                 "Saturday,door1,10,1,0,0,2,,,,0\n"
                                 "Sunday,door1,0,0,0,0,2,,,,0\n");
}

TEST(StatCsv, DaylightSavingDaysInWarsaw) {
    StatRun r("stat_dst");
    // Spring: the clock goes from 02:00 to 03:00, so there is no hour 02;
    // the second before 03:00 is 01:59:59.
    r.report("20110327", rec("01:45", 10) + rec("03:00", 20) + rec("03:15", 25));
    // Autumn: 02:00 to 02:59 comes twice; the increases ending at 02:00
    // count for hour 01, the others for hour 02.
    r.report("20111030",
             rec("02:45", 100) + rec("02:00", 110) + rec("02:30", 120) + rec("03:00", 130));
    ProcessResult spring =
        r.run({"--date", "2011-03-27", "--format", "csv", r.door1()}, "Europe/Warsaw");
    EXPECT_EQ(spring.out, csvHeader +
                              "2011-03-27T01,door1,10,2,0,0,1,,,,0\n"
                              "2011-03-27T03,door1,5,1,0,0,1,,,,0\n");
    ProcessResult autumn =
        r.run({"--date", "2011-10-30", "--format", "csv", r.door1()}, "Europe/Warsaw");
    EXPECT_EQ(autumn.out, csvHeader +
                              "2011-10-30T01,door1,10,1,0,0,1,,,,0\n"
                              "2011-10-30T02,door1,20,3,0,0,1,,,,0\n");
}

TEST(StatCsv, JsonLinesAndQuoting) {
    StatRun r("stat_json");
    makeDirs(r.dir.path + "/odd");
    writeFile(r.dir.path + "/odd/a,\"b_20110314.csv", rec("10:00", 7) + rec("10:15", 9));
    std::string odd = r.dir.path + "/odd/a,\"b.csv";
    ProcessResult csv = r.run({"--date", "2011-03-14", "--by", "day", "--format", "csv", odd});
    EXPECT_EQ(csv.out, csvHeader + "2011-03-14,\"a,\"\"b\",2,2,0,0,1,,,,0\n");
    ProcessResult json = r.run({"--date", "2011-03-14", "--by", "day", "--format", "json", odd});
    EXPECT_EQ(json.out,
              "{\"period\":\"2011-03-14\",\"entrance\":\"a,\\\"b\",\"visitors\":2,\"records\":2,"
              "\"unanswered\":0,\"faults\":0,\"days\":1,\"open_days\":null,\"expected\":null,"
              "\"missing\":null,\"carried\":0}\n");
}

TEST(StatEntrances, ConfiguredPollersViewerNamesAndDefaults) {
    StatRun r("stat_entrances");
    // Two pollers (name order), a configuration without portname (not a
    // poller), and the viewer's files of a name without configuration.
    r.conf("door2", "portname = /dev/null\nentry = " + r.dir.path + "/reports/door2.csv\n");
    r.conf("door1", "portname = /dev/null\nentry = " + r.door1() + "\n");
    r.conf("notes", "entry = " + r.dir.path + "/reports/notes.csv\n");
    r.report("20110314", rec("10:00", 1) + rec("11:00", 4));
    writeFile(r.dir.path + "/reports/door2_20110314.csv", rec("10:30", 50) + rec("10:45", 52));
    r.viewerReport("door3", "20110314", rec("12:00", 8) + rec("12:15", 9));
    ProcessResult all = r.run({"--format", "csv"}, "UTC", "@2011-03-14 18:00:00");
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out,
              csvHeader +
                  "2011-03-14T09,door1,0,1,0,0,1,,,,0\n2011-03-14T09,door2,0,0,0,0,1,,,,0\n"
                  "2011-03-14T10,door1,3,1,0,0,1,,,,0\n2011-03-14T10,door2,2,2,0,0,1,,,,0\n")
        << "today by default, hour rows for one day";
    ProcessResult viewer = r.run({"--date", "-1", "--by", "day", "--format", "csv", "door3"}, "UTC",
                                 "@2011-03-15 08:00:00");
    EXPECT_EQ(viewer.out, csvHeader + "2011-03-14,door3,1,2,0,0,1,,,,0\n");
    ProcessResult days = r.run({"--days", "2", "--to", "2011-03-15", "--format", "csv", "door3"});
    EXPECT_EQ(days.out,
              csvHeader + "2011-03-14,door3,1,2,0,0,1,,,,0\n2011-03-15,door3,0,0,0,0,1,,,,0\n")
        << "day rows for several days";
}

TEST(StatTableOutput, ReadAsAPersonWould) {
    StatRun r("stat_table");
    r.report("20110314", rec("09:00", 100) + rec("12:00", 160) + rec("18:00", 200, 0, 1));
    r.report("20110315", rec("09:00", 220) + "broken line\n" + rec("12:00", 300));
    writeFile(r.dir.path + "/reports/door2_20110314.csv", rec("09:00", 5) + rec("12:00", 25));
    writeFile(r.dir.path + "/reports/door2_20110316.csv", rec("09:00", 45));
    ProcessResult result = r.run({"--from", "2011-03-14", "--to", "2011-03-16", r.door1(),
                                  r.dir.path + "/reports/door2.csv"});
    EXPECT_EQ(result.status, 0) << result.err;
    // door1: 0, +60, then unanswered; +60, a broken line, +80.  door2: 0,
    // +20; nothing; +20.  The bars are 40 characters for the largest sum.
    EXPECT_EQ(result.out,
              "Odwiedzający, wejścia: door1, door2\n"
              "Dni 2011-03-14 - 2011-03-16 (3 dni), wiersz na dzień\n"
              "\n"
              "dzień        ; door1; door2; razem;\n"
              "2011-03-14 pn;    60;    20;    80; " +
                  blocks(23) + "\n" + "2011-03-15 wt;   140;     0;   140; " + blocks(40) + "\n" +
                  "2011-03-16 śr;     0;    20;    20; " + blocks(6) + "\n" +
                  "razem        ;   200;    40;   240;\n"
                  "Najwięcej w dniu: 2011-03-15 wt (140)\n"
                  "Średnio na dzień otwarty: 80,0 (3 dni)\n"
                  "\n"
                  "Uwaga: 1 odczyt bez odpowiedzi licznika, 1 wiersz raportu nie do użycia; liczby "
                  "mogą być niepełne.\n"
                  "Odwiedzający po przerwie w odczytach (60, mogą należeć do wcześniejszych godzin "
                  "lub dni): 2011-03-15 wt.\n"
                  "Szczegóły: pcstat --check --from 2011-03-14 --to 2011-03-16 " +
                  r.door1() + " " + r.dir.path + "/reports/door2.csv\n");
}

TEST(StatTableOutput, OneDayByHourOfOneEntrance) {
    StatRun r("stat_table_hours");
    r.report("20110314", rec("09:00", 10) + rec("09:30", 14) + rec("11:00", 30));
    // Each increase counts in the hour it ends in: 09:30 and 11:00 end in
    // 09:00-10:00 and 10:00-11:00, and the first record's hour is shown.
    ProcessResult result = r.run({"--date", "2011-03-14", r.door1()});
    EXPECT_EQ(result.out,
              "Odwiedzający, wejście: door1\n"
              "Dzień 2011-03-14, poniedziałek, wiersz na godzinę\n"
              "\n"
              "godzina    ; door1;\n"
              "08:00-09:00;     0;\n"
              "09:00-10:00;     4; " +
                  blocks(10) + "\n" + "10:00-11:00;    16; " + blocks(40) + "\n" +
                  "razem      ;    20;\n"
                  "Najwięcej w godzinie: 10:00-11:00 (16)\n"
                  "Średnio na dzień otwarty: 20,0 (1 dzień)\n");
}

TEST(StatUsage, ErrorsGiveStatusTwoWithTheUsage) {
    StatRun r("stat_usage");
    r.report("20110314", rec("10:00", 1));
    struct Case {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"--bogus"}, "pcstat: nieznana opcja --bogus\n"},
        {{"--date"}, "pcstat: opcja --date wymaga wartosci\n"},
        {{"--date", "2011-02-30"},
         "pcstat: zla data: 2011-02-30 (RRRR-MM-DD, RRRRMMDD, today, yesterday lub -N)\n"},
        {{"--by", "year"}, "pcstat: zly okres --by year (hour, day, week, month lub weekday)\n"},
        {{"--format", "xml"}, "pcstat: zly format --format xml (table, csv, json lub html)\n"},
        {{"--days", "0"}, "pcstat: zla liczba dni: 0\n"},
        {{"--date", "today", "--from", "-3"},
         "pcstat: --date nie laczy sie z --from, --to ani --days\n"},
        {{"--from", "2011-03-15", "--to", "2011-03-14"},
         "pcstat: --from 2011-03-15 jest pozniej niz --to 2011-03-14\n"},
        {{"--check", "--by", "day"}, "pcstat: --check nie laczy sie z --by\n"},
    };
    ProcessResult help = r.run({"--help"});
    EXPECT_EQ(help.status, 0);
    ASSERT_NE(help.out.find("Uzycie: pcstat [OPCJA]... [WEJSCIE]..."), std::string::npos);
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), r.door1());
        ProcessResult result = r.run(args);
        EXPECT_EQ(result.status, 2) << c.message;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, c.message + "\n" + help.out);
    }
    ProcessResult none = r.run({});
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.err,
              "pcstat: nie podano wejscia, a w scratch/opt/velmora/ nie ma konfiguracji "
              "pollera z portname i entry\n");
    ProcessResult missing = r.run({r.dir.path + "/nowhere/door9.csv"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "pcstat: door9: nie mozna czytac katalogu " + r.dir.path +
                               "/nowhere/: No such file or directory\n");
    ProcessResult typo = r.run({"dor1"});
    EXPECT_EQ(typo.status, 2);
    EXPECT_EQ(typo.err,
              "pcstat: dor1: brak plikow raportu scratch/var/log/korvane/dor1_RRRRMMDD.csv\n");
    EXPECT_EQ(r.run({"--version"}).out, "pcstat 0.1.0\n");
    ProcessResult shortHelp = r.run({"-h"});
    EXPECT_EQ(shortHelp.status, 0);
    EXPECT_EQ(shortHelp.out, help.out) << "-h works as --help";
    EXPECT_NE(help.out.find("\n  -h, --help           ten opis\n"), std::string::npos);
}

namespace {

// A poller configuration for door1 whose reports lie in reports/: on
// Mondays 10:00-11:00 every 15 minutes, Tuesdays too, Sundays closed.
void writeScheduledDoor(StatRun& r) {
    r.conf("door1", "portname = /dev/null\nentry = " + r.door1() +
                        "\nrecordtime = 900\nopentime = 10:00-11:00\nSunday = 12:00-12:00\n");
}

void writeDayWithEveryFinding(StatRun& r) {
    writeScheduledDoor(r);
    r.report("20110314", rec("10:00", 100, 0, 1) +          // unanswered
                             rec("10:15", 110, 1) +         // fault
                             "junk\n" +                     // malformed
                             "10:30;   120; 0; 0;0X0000\n"  // checksum
                             + rec("10:05", 125)            // order
                             + rec("11:00", 30)             // reset
                             + "11:0");                     // malformed: no line feed
    // Tuesday 2011-03-15: no file.
}

}  // namespace

TEST(StatCheck, ADayWithEveryKindOfFinding) {
    StatRun r("stat_check_all");
    writeDayWithEveryFinding(r);
    std::string path = r.dir.path + "/reports/door1_20110315.csv";
    ProcessResult table = r.run({"--check", "--from", "2011-03-14", "--to", "2011-03-15", "door1"});
    EXPECT_EQ(table.status, 1) << table.err;
    EXPECT_EQ(table.err, "");
    EXPECT_EQ(table.out,
              "door1 2011-03-14 malformed wiersz 3: to nie jest cały rekord\n"
              "door1 2011-03-14 checksum wiersz 4: jest 0X0000, wyliczona " +
                  checksumText("10:30;   120; 0; 0;") + "\n" +
                  "door1 2011-03-14 order wiersz 5: 10:05 po 10:15\n"
                  "door1 2011-03-14 reset wiersz 6: stan 125 -> 30\n"
                  "door1 2011-03-14 malformed wiersz 7: ostatni wiersz bez znaku końca wiersza\n"
                  "door1 2011-03-14 missing-record 2 (10:30-10:45)\n"
                  "door1 2011-03-14 unanswered 1 (10:00)\n"
                  "door1 2011-03-14 fault 1 (10:15)\n"
                  "door1 2011-03-15 missing-file brak pliku " +
                  path +
                  ", oczekiwano 5 rekordów\n"
                  "Sprawdzono 1 wejście, 2 dni: 9 uwag. Oczekiwane rekordy według obecnej "
                  "konfiguracji pollerów.\n");
    ProcessResult csv = r.run({"--check", "--date", "2011-03-15", "--format", "csv", "door1"});
    EXPECT_EQ(csv.status, 1);
    EXPECT_EQ(csv.out,
              "entrance,date,kind,line,detail\n"
              "door1,2011-03-15,missing-file,,\"brak pliku " +
                  path + ", oczekiwano 5 rekordów\"\n");
    ProcessResult json = r.run({"--check", "--date", "2011-03-14", "--format", "json", "door1"});
    std::vector<std::string> lines = splitLines(json.out);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0],
              "{\"entrance\":\"door1\",\"date\":\"2011-03-14\",\"kind\":\"malformed\","
              "\"line\":3,\"detail\":\"to nie jest cały rekord\"}");
    EXPECT_EQ(lines[5],
              "{\"entrance\":\"door1\",\"date\":\"2011-03-14\",\"kind\":"
              "\"missing-record\",\"line\":null,\"detail\":\"2 (10:30-10:45)\"}");
}

TEST(StatCheck, TheLastRecordOfADayOpenUntilMidnightAndSharedTimeTexts) {
    StatRun r("stat_check_midnight");
    // Until 24:00 on Mondays: its 23:59:59 record opens Tuesday's file,
    // which is closed; with interval 4000 the day gives 23:00, 23:20 and
    // 23:59:59.  Then interval 70: 23:00:00 and 23:00:10 share a text.
    r.conf("door1", "portname = /dev/null\nentry = " + r.door1() +
                        "\nrecordtime = 4000\nopentime = 12:00-12:00\nMonday = 23:00-24:00\n");
    r.report("20110314", rec("23:00", 1) + rec("23:20", 2));
    r.report("20110315", rec("23:59", 3));
    ProcessResult clean = r.run({"--check", "--from", "2011-03-14", "--to", "2011-03-15", "door1"});
    EXPECT_EQ(clean.out,
              "Sprawdzono 1 wejście, 2 dni: bez uwag. Oczekiwane rekordy według "
              "obecnej konfiguracji pollerów.\n");
    EXPECT_EQ(clean.status, 0);
    r.conf("door1", "portname = /dev/null\nentry = " + r.door1() +
                        "\nrecordtime = 70\nopentime = 12:00-12:00\nMonday = 23:00-23:02\n");
    r.report("20110314", rec("23:00", 1) + rec("23:00", 2) + rec("23:01", 3) + rec("23:02", 4) +
                             rec("23:02", 5));
    ProcessResult shared = r.run({"--check", "--date", "2011-03-14", "door1"});
    EXPECT_EQ(shared.out,
              "door1 2011-03-14 order wiersz 5: 23:02 po 23:02\n"
              "Sprawdzono 1 wejście, 1 dzień: 1 uwaga. Oczekiwane rekordy według obecnej "
              "konfiguracji pollerów.\n")
        << "23:00 is the opening and 23:00:10 a multiple of 70; 23:02 is given once";
}

TEST(StatCheck, WithoutAScheduleOnlyTheLinesAreJudged) {
    StatRun r("stat_check_unscheduled");
    r.report("20110314", rec("10:00", 5) + rec("10:15", 6));
    ProcessResult result =
        r.run({"--check", "--from", "2011-03-13", "--to", "2011-03-14", r.door1()});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out,
              "Sprawdzono 1 wejście, 2 dni: bez uwag.\n"
              "Bez konfiguracji pollera nie wiadomo, kiedy są rekordy; braków nie "
              "sprawdzono: door1.\n");
}

// The real poller writes a Monday evening open until midnight and the
// head of Tuesday (closed), on a clock ten times faster (slow enough for
// the counter's answers to come within the poller's second on a busy
// machine); pcstat finds nothing to report, and counts what the simulated
// counter gave.
TEST(StatCheck, ADayWrittenByTheRealPollerIsClean) {
    PollerRig rig("stat_check_poller");
    rig.configure("60", "12:00-12:00", "Monday = 23:56-24:00\n");
    rig.simulate({"--step", "3"});
    rig.startPoller("@2011-03-14 23:55:55 x10");
    ASSERT_TRUE(rig.waitForLines("20110315", 1, 60000));
    EXPECT_EQ(rig.stopPoller().status, 0);
    ProcessSetup setup;
    setup.program = PC_TEST_STAT;
    setup.workDir = rig.dir.path;
    setup.args = {"--check", "--from", "2011-03-14", "--to", "2011-03-15"};
    ProcessResult check = runProcess(setup, runTimeoutMs);
    EXPECT_EQ(check.status, 0) << check.out << rig.report("20110314") << rig.report("20110315");
    EXPECT_EQ(check.out,
              "Sprawdzono 1 wejście, 2 dni: bez uwag. Oczekiwane rekordy według "
              "obecnej konfiguracji pollerów.\n");
    setup.args = {"--date", "2011-03-14", "--by", "day", "--format", "csv"};
    ProcessResult csv = runProcess(setup, runTimeoutMs);
    // 5 records (23:56 to 23:59, and 23:59:59 in Tuesday's file), three
    // visitors each after the first.
    EXPECT_EQ(csv.out, csvHeader + "2011-03-14,door1,12,5,0,0,1,1,5,0,0\n");
}

TEST(StatCheck, DaylightSavingDaysFollowTheLocalClock) {
    StatRun r("stat_check_dst");
    r.conf("door1", "portname = /dev/null\nentry = " + r.door1() +
                        "\nrecordtime = 1800\nopentime = 01:00-04:00\n");
    // Autumn: 02:00 and 02:30 come twice, the second time after 02:30.
    r.report("20111030", rec("01:00", 1) + rec("01:30", 2) + rec("02:00", 3) + rec("02:30", 4) +
                             rec("02:00", 5) + rec("02:30", 6) + rec("03:00", 7) + rec("03:30", 8) +
                             rec("04:00", 9));
    // Spring: there is no 02:00 to 02:59; 03:30 is missing.
    r.report("20110327", rec("01:00", 1) + rec("01:30", 2) + rec("03:00", 3) + rec("04:00", 4));
    ProcessResult autumn = r.run({"--check", "--date", "2011-10-30", "door1"}, "Europe/Warsaw");
    EXPECT_EQ(autumn.status, 0) << autumn.out;
    EXPECT_EQ(autumn.out,
              "Sprawdzono 1 wejście, 1 dzień: bez uwag. Oczekiwane rekordy według "
              "obecnej konfiguracji pollerów.\n");
    ProcessResult spring = r.run({"--check", "--date", "2011-03-27", "door1"}, "Europe/Warsaw");
    EXPECT_EQ(spring.status, 1);
    EXPECT_EQ(spring.out,
              "door1 2011-03-27 missing-record 1 (03:30)\n"
              "Sprawdzono 1 wejście, 1 dzień: 1 uwaga. Oczekiwane rekordy według "
              "obecnej konfiguracji pollerów.\n");
    ProcessResult utc = r.run({"--check", "--date", "2011-10-30", "door1"}, "UTC");
    EXPECT_EQ(utc.status, 1) << "in UTC the hour is not repeated";
    EXPECT_NE(utc.out.find("door1 2011-10-30 order wiersz 5: 02:00 po 02:30\n"), std::string::npos)
        << utc.out;
}

TEST(StatEntrances, AConfiguredPollerWithoutReportsYetCountsZero) {
    StatRun r("stat_new_poller");
    r.conf("door1", "portname = /dev/null\nentry = " + r.door1() +
                        "\nrecordtime = 900\nopentime = 09:00-10:00\n");
    ProcessResult stats = r.run({"--date", "2011-03-14", "--by", "day", "--format", "csv"});
    EXPECT_EQ(stats.status, 0) << stats.err;
    EXPECT_EQ(stats.out, csvHeader + "2011-03-14,door1,0,0,0,0,1,1,5,5,0\n");
    ProcessResult check = r.run({"--check", "--date", "2011-03-14", "--format", "csv"});
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.out,
              "entrance,date,kind,line,detail\ndoor1,2011-03-14,missing-file,,\"brak pliku " +
                  r.dir.path + "/reports/door1_20110314.csv, oczekiwano 5 rekordów\"\n");
    r.conf("door1", "portname = /dev/null\nentry = " + r.dir.path + "/gone/door1.csv\n");
    ProcessResult gone = r.run({"--date", "2011-03-14"});
    EXPECT_EQ(gone.status, 2);
    EXPECT_EQ(gone.err, "pcstat: door1: nie mozna czytac katalogu " + r.dir.path +
                            "/gone/: No such file or directory\n");
}

// ---- outside input

TEST(StatOutsideInput, OnlyRegularFilesAreReports) {
    StatRun r("stat_not_regular");
    writeScheduledDoor(r);
    r.report("20110314", rec("10:00", 100) + rec("10:15", 110) + rec("10:30", 120) +
                             rec("10:45", 130) + rec("11:00", 140));
    auto path = [&](const std::string& date) {
        return r.dir.path + "/reports/door1_" + date + ".csv";
    };
    // Before the days a FIFO; then a FIFO, a link to an endless device and a
    // directory.  None may be waited on or read: a hang is killed at the
    // run's bound and fails the status.
    ASSERT_EQ(mkfifo(path("20110313").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(path("20110315").c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", path("20110316").c_str()), 0);
    makeDirs(path("20110317"));
    const std::string notRegular = ": to nie jest zwykly plik";
    ProcessResult check = r.run({"--check", "--from", "2011-03-14", "--to", "2011-03-17", "door1"});
    EXPECT_EQ(check.status, 1) << check.err;
    EXPECT_EQ(check.err, "");
    EXPECT_EQ(check.out, "door1 2011-03-15 unreadable nie mozna czytac " + path("20110315") +
                             notRegular + "\ndoor1 2011-03-16 unreadable nie mozna czytac " +
                             path("20110316") + notRegular +
                             "\ndoor1 2011-03-17 unreadable nie mozna czytac " + path("20110317") +
                             notRegular +
                             "\nSprawdzono 1 wejście, 4 dni: 3 uwagi. Oczekiwane rekordy według "
                             "obecnej konfiguracji pollerów.\n");
    ProcessResult json = r.run({"--check", "--date", "2011-03-16", "--format", "json", "door1"});
    EXPECT_EQ(json.status, 1);
    EXPECT_EQ(json.out,
              "{\"entrance\":\"door1\",\"date\":\"2011-03-16\",\"kind\":\"unreadable\","
              "\"line\":null,\"detail\":\"nie mozna czytac " +
                  path("20110316") + notRegular + "\"}\n");
    // The statistics cannot leave a day out: status 2, naming the entrance
    // and the first such file read, the look back's included.  Each is
    // then made a day without records, so that the next comes to light.
    const std::vector<std::pair<std::string, std::string>> days = {
        {"2011-03-15", "20110315"}, {"2011-03-16", "20110316"}, {"2011-03-17", "20110317"}};
    for (const auto& [day, date] : days) {
        ProcessResult stats = r.run({"--date", day, "--by", "day", "--format", "csv", "door1"});
        EXPECT_EQ(stats.status, 2) << date;
        EXPECT_EQ(stats.out, "") << date;
        EXPECT_EQ(stats.err, "pcstat: door1: nie mozna czytac " + path(date) + notRegular + "\n");
        std::filesystem::remove(path(date));
        writeFile(path(date), "");
    }
    // The look back of the statistics reads the day before too.
    ProcessResult back = r.run({"--date", "2011-03-14", "--format", "csv", "door1"});
    EXPECT_EQ(back.status, 2);
    EXPECT_EQ(back.err, "pcstat: door1: nie mozna czytac " + path("20110313") + notRegular + "\n");
}

TEST(StatOutsideInput, AtMostAHundredFindingsOfAKindPerDay) {
    StatRun r("stat_finding_cap");
    std::string checksums, junk;
    for (int i = 0; i < 101; ++i) checksums += "10:00;   100; 0; 0;0X0000\n";
    for (int i = 0; i < 102; ++i) junk += "junk\n";
    r.report("20110314", checksums + junk);     // 101 checksum, 102 malformed
    r.report("20110315", junk.substr(0, 500));  // exactly 100 malformed: no count line
    ProcessResult csv = r.run(
        {"--check", "--from", "2011-03-14", "--to", "2011-03-15", "--format", "csv", r.door1()});
    EXPECT_EQ(csv.status, 1);
    std::string expected = "entrance,date,kind,line,detail\n";
    const std::string computed = checksumText("10:00;   100; 0; 0;");
    for (int line = 1; line <= 100; ++line)
        expected += "door1,2011-03-14,checksum," + std::to_string(line) + ",\"jest 0X0000, " +
                    "wyliczona " + computed + "\"\n";
    for (int line = 102; line <= 201; ++line)
        expected +=
            "door1,2011-03-14,malformed," + std::to_string(line) + ",to nie jest cały rekord\n";
    expected +=
        "door1,2011-03-14,malformed,,pominięto 2 dalsze uwagi tego rodzaju\n"
        "door1,2011-03-14,checksum,,pominięto 1 dalszą uwagę tego rodzaju\n";
    for (int line = 1; line <= 100; ++line)
        expected +=
            "door1,2011-03-15,malformed," + std::to_string(line) + ",to nie jest cały rekord\n";
    EXPECT_EQ(csv.out, expected);
    ProcessResult table =
        r.run({"--check", "--from", "2011-03-14", "--to", "2011-03-15", r.door1()});
    std::vector<std::string> lines = splitLines(table.out);
    ASSERT_EQ(lines.size(), 304u);
    EXPECT_EQ(lines[200], "door1 2011-03-14 malformed pominięto 2 dalsze uwagi tego rodzaju");
    EXPECT_EQ(lines[302], "Sprawdzono 1 wejście, 2 dni: 303 uwagi.");  // every one counted
}

// The peak memory in KiB of pcstat with the arguments, measured by
// /usr/bin/time; the output comes back in result.
long peakOfCheck(const StatRun& r, const std::vector<std::string>& args, ProcessResult& result) {
    ProcessSetup setup;
    setup.program = "/usr/bin/time";
    setup.args = {"-f", "%M", "-o", r.dir.path + "/peak", PC_TEST_STAT};
    setup.args.insert(setup.args.end(), args.begin(), args.end());
    setup.workDir = r.dir.path;
    constexpr int hugeRunTimeoutMs = 120000;
    result = runProcess(setup, hugeRunTimeoutMs);
    // time says first when the status was not 0, then the peak.
    std::vector<std::string> timeLines = splitLines(readFile(r.dir.path + "/peak"));
    return timeLines.empty() ? -1 : std::atol(timeLines.back().c_str());
}

// 20 MB of empty lines: twenty million malformed lines, two hundred bytes
// of findings, and a peak of memory that does not grow with the file:
// within 2 MiB of the check of a one-line file, and within 16 MiB in all
// (the sanitizers' own memory excepted).
TEST(StatOutsideInput, TheCheckOfAHugeFileStaysSmall) {
    StatRun r("stat_finding_memory");
    ASSERT_TRUE(pathExists("/usr/bin/time")) << "the peak is measured by /usr/bin/time";
    constexpr long emptyLines = 20'000'000;
    r.report("20110313", "\n");
    r.report("20110314", std::string(emptyLines, '\n'));
    ProcessResult small;
    long smallKiB = peakOfCheck(r, {"--check", "--date", "2011-03-13", r.door1()}, small);
    EXPECT_EQ(small.status, 1) << small.err;
    ProcessResult result;
    long peakKiB = peakOfCheck(r, {"--check", "--date", "2011-03-14", r.door1()}, result);
    EXPECT_EQ(result.status, 1) << result.err;
    std::string expected;
    for (int line = 1; line <= 100; ++line)
        expected += "door1 2011-03-14 malformed wiersz " + std::to_string(line) +
                    ": to nie jest cały rekord\n";
    expected +=
        "door1 2011-03-14 malformed pominięto 19999900 dalszych uwag tego rodzaju\n"
        "Sprawdzono 1 wejście, 1 dzień: 20000000 uwag.\n"
        "Bez konfiguracji pollera nie wiadomo, kiedy są rekordy; braków nie sprawdzono: door1.\n";
    EXPECT_EQ(result.out, expected);
    ASSERT_GT(smallKiB, 0);
    ASSERT_GT(peakKiB, 0);
    EXPECT_LE(peakKiB, smallKiB + 2 * 1024) << "peak memory in KiB, beside " << smallKiB;
#ifndef __SANITIZE_ADDRESS__
    EXPECT_LE(peakKiB, 16 * 1024) << "peak memory in KiB";
#endif
}

TEST(StatOutsideInput, ControlCharactersAndBadBytesAreEscapedInEveryFormat) {
    StatRun r("stat_escaped");
    // A report path whose name holds an escape sequence and a byte that is
    // not UTF-8, and a checksum field that would clear the screen.
    const std::string name = "d\x1B[31m\xC5";
    const std::string label = "d\\x1B[31m\\xC5";
    const std::string odd = r.dir.path + "/reports/" + name + ".csv";
    writeFile(r.dir.path + "/reports/" + name + "_20110314.csv",
              rec("10:00", 7) + rec("10:15", 9) + "10:30;    12; 0; 0;\x1B[2J\xC2\x9B\xFE\n");
    const std::string detail =
        "jest \\x1B[2J\\xC2\\x9B\\xFE, wyliczona " + checksumText("10:30;    12; 0; 0;");

    ProcessResult csv = r.run({"--date", "2011-03-14", "--by", "day", "--format", "csv", odd});
    EXPECT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out, csvHeader + "2011-03-14," + label + ",2,2,0,0,1,,,,0\n");
    ProcessResult json = r.run({"--date", "2011-03-14", "--by", "day", "--format", "json", odd});
    EXPECT_EQ(json.out,
              "{\"period\":\"2011-03-14\",\"entrance\":\"d\\\\x1B[31m\\\\xC5\","
              "\"visitors\":2,\"records\":2,\"unanswered\":0,\"faults\":0,\"days\":1,"
              "\"open_days\":null,\"expected\":null,\"missing\":null,\"carried\":0}\n");
    ProcessResult table = r.run({"--date", "2011-03-14", "--by", "day", odd});
    EXPECT_EQ(table.status, 0);
    std::vector<std::string> lines = splitLines(table.out);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Odwiedzający, wejście: " + label);
    EXPECT_EQ(lines[3], "dzień        ;" + label + ";");
    EXPECT_EQ(table.out.find('\x1B'), std::string::npos);
    // The command the note names takes the same bytes back, through the
    // shell's $'...' form.
    EXPECT_EQ(lines.back(), "Szczegóły: pcstat --check --date 2011-03-14 $'" + r.dir.path +
                                "/reports/d\\x1B[31m\\xC5.csv'");
    EXPECT_EQ(table.out.find('\xC5'), table.out.find("\xC5\x9B"))  // only in the letters
        << table.out;

    ProcessResult checkTable = r.run({"--check", "--date", "2011-03-14", odd});
    EXPECT_EQ(checkTable.status, 1);
    EXPECT_EQ(splitLines(checkTable.out)[0], label + " 2011-03-14 checksum wiersz 3: " + detail);
    ProcessResult checkCsv = r.run({"--check", "--date", "2011-03-14", "--format", "csv", odd});
    EXPECT_EQ(checkCsv.out, "entrance,date,kind,line,detail\n" + label +
                                ",2011-03-14,checksum,3,\"" + detail + "\"\n");
    ProcessResult checkJson = r.run({"--check", "--date", "2011-03-14", "--format", "json", odd});
    EXPECT_EQ(checkJson.out,
              "{\"entrance\":\"d\\\\x1B[31m\\\\xC5\",\"date\":\"2011-03-14\",\"kind\":\"checksum\","
              "\"line\":3,\"detail\":\"jest \\\\x1B[2J\\\\xC2\\\\x9B\\\\xFE, wyliczona " +
                  checksumText("10:30;    12; 0; 0;") + "\"}\n");

    // Messages name what was given, escaped too.
    ProcessResult none = r.run({"--date", "2011-03-14", r.dir.path + "/reports/\x07x.csv"});
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.err, "pcstat: \\x07x: brak plikow raportu " + r.dir.path +
                            "/reports/\\x07x_RRRRMMDD.csv\n");
}

TEST(StatOutsideInput, NumbersThePollerNeverWritesAreRangeFindings) {
    StatRun r("stat_range");
    r.report("20110314", rec("10:00", 100) +                                   // line 1
                             recordLine("10:15;    -5; 0; 0;") +               // 2: negative total
                             recordLine("10:30;1000000; 0; 0;") +              // 3: beyond 999999
                             recordLine("10:45;   150;86; 0;") +               // 4: faults
                             recordLine("11:00;   160; 0; 2;") +               // 5: flag
                             recordLine("11:15;9223372036854775807;-1;-1;") +  // 6: all three
                             rec("11:30", 200) +                               // 7: +100 over 10:00
                             rec("11:45", 999999, 85, 1));                     // 8: the limits
    ProcessResult csv =
        r.run({"--date", "2011-03-14", "--by", "day", "--format", "csv", r.door1()});
    EXPECT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out, csvHeader + "2011-03-14,door1,100,3,1,1,1,,,,0\n");
    ProcessResult check = r.run({"--check", "--date", "2011-03-14", r.door1()});
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.out,
              "door1 2011-03-14 range wiersz 2: stan -5 poza 0..999999\n"
              "door1 2011-03-14 range wiersz 3: stan 1000000 poza 0..999999\n"
              "door1 2011-03-14 range wiersz 4: liczba usterek 86 poza 0..85\n"
              "door1 2011-03-14 range wiersz 5: znacznik braku odpowiedzi 2 poza 0..1\n"
              "door1 2011-03-14 range wiersz 6: stan 9223372036854775807 poza 0..999999, "
              "liczba usterek -1 poza 0..85, znacznik braku odpowiedzi -1 poza 0..1\n"
              "door1 2011-03-14 unanswered 1 (11:45)\n"
              "door1 2011-03-14 fault 1 (11:45)\n"
              "Sprawdzono 1 wejście, 1 dzień: 7 uwag.\n"
              "Bez konfiguracji pollera nie wiadomo, kiedy są rekordy; braków nie "
              "sprawdzono: door1.\n");
}

// ---- what the statistics know: hours, the new columns, the present moment

TEST(StatCsv, AnIncreaseCountsInTheHourItEndsIn) {
    StatRun r("stat_hour_ends");
    r.report("20110313", rec("23:30", 1));
    // 00:00 ends the day's first hour; 10:00 ends 09:00-10:00.
    r.report("20110314", rec("00:00", 5) + rec("10:00", 10) + rec("10:15", 12) + rec("11:00", 20));
    ProcessResult whole = r.run({"--date", "2011-03-14", "--format", "csv", r.door1()});
    EXPECT_EQ(whole.status, 0) << whole.err;
    std::string expected = csvHeader + "2011-03-14T00,door1,4,1,0,0,1,,,,0\n";
    for (int hour = 1; hour <= 8; ++hour)
        expected += "2011-03-14T0" + std::to_string(hour) + ",door1,0,0,0,0,1,,,,0\n";
    expected +=
        "2011-03-14T09,door1,5,1,0,0,1,,,,0\n"
        "2011-03-14T10,door1,10,2,0,0,1,,,,0\n";
    EXPECT_EQ(whole.out, expected);
    // With seconds: 10:00.00 ends 09:00-10:00, 10:00.10 lies in 10:00-11:00.
    r.report("20110315", rec("09:59.50", 100) + rec("10:00.00", 101) + rec("10:00.10", 103));
    ProcessResult seconds = r.run({"--date", "2011-03-15", "--format", "csv", r.door1()});
    EXPECT_EQ(seconds.out, csvHeader +
                               "2011-03-15T09,door1,81,2,0,0,1,,,,0\n"
                               "2011-03-15T10,door1,2,1,0,0,1,,,,0\n");
}

namespace {

// door1 open 10:00-11:00 every 15 minutes, Sundays closed, from Saturday
// 2011-03-12 to Wednesday 2011-03-16: a whole Saturday, the closed Sunday,
// a Monday without 10:15 and 10:30, no file on Tuesday, and a Wednesday
// with two unanswered records between answered ones.
void writeIncompleteWeek(StatRun& r) {
    writeScheduledDoor(r);
    r.report("20110312", rec("10:00", 100) + rec("10:15", 110) + rec("10:30", 120) +
                             rec("10:45", 130) + rec("11:00", 140));
    r.report("20110314", rec("10:00", 150) + rec("10:45", 170) + rec("11:00", 175));
    r.report("20110316", rec("10:00", 200) + rec("10:15", 0, 0, 1) + rec("10:30", 0, 0, 1) +
                             rec("10:45", 230) + rec("11:00", 240));
}

}  // namespace

TEST(StatCsv, TheNewColumnsSayWhatIsMissingAndWhatWasCarried) {
    StatRun r("stat_new_columns");
    writeIncompleteWeek(r);
    std::vector<std::string> range = {"--from",   "2011-03-12", "--to", "2011-03-16",
                                      "--format", "csv",        "door1"};
    auto by = [&](const std::string& period) {
        std::vector<std::string> args = range;
        args.insert(args.begin(), {"--by", period});
        return r.run(args).out;
    };
    // Monday: +10 over Saturday (the closed Sunday is no gap), +20 after
    // two missing moments (carried), +5.  Tuesday: no file, five moments
    // missing.  Wednesday: +25 after the missing day and +30 after the
    // unanswered records are carried, +10 is not.
    EXPECT_EQ(by("day"), csvHeader +
                             "2011-03-12,door1,40,5,0,0,1,1,5,0,0\n"
                             "2011-03-13,door1,0,0,0,0,1,0,0,0,0\n"
                             "2011-03-14,door1,35,3,0,0,1,1,5,2,20\n"
                             "2011-03-15,door1,0,0,0,0,1,1,5,5,0\n"
                             "2011-03-16,door1,65,5,2,0,1,1,5,0,55\n");
    // The weeks lie partly in the range: 2 of week 10, 3 of week 11.
    EXPECT_EQ(by("week"), csvHeader +
                              "2011-W10,door1,40,5,0,0,2,1,5,0,0\n"
                              "2011-W11,door1,100,8,2,0,3,3,15,7,75\n");
    std::string json =
        r.run({"--date", "2011-03-15", "--by", "day", "--format", "json", "door1"}).out;
    EXPECT_EQ(json,
              "{\"period\":\"2011-03-15\",\"entrance\":\"door1\",\"visitors\":0,\"records\":0,"
              "\"unanswered\":0,\"faults\":0,\"days\":1,\"open_days\":1,\"expected\":5,"
              "\"missing\":5,\"carried\":0}\n");
    // By hour the moment 10:00 counts in 09:00-10:00, as its record would.
    EXPECT_EQ(r.run({"--date", "2011-03-14", "--format", "csv", "door1"}).out,
              csvHeader +
                  "2011-03-14T09,door1,10,1,0,0,1,1,1,0,0\n"
                  "2011-03-14T10,door1,25,2,0,0,1,1,4,2,20\n");
}

TEST(StatCsv, ARowIsTheSameWhereverTheRangeStarts) {
    // The look back before a range sees the gaps a range from earlier
    // would see: Wednesday's +25 comes after Tuesday's missing file, and is
    // carried whether Tuesday lies in the range or not; Monday's first
    // increase follows a closed Sunday and a whole Saturday, and is not.
    StatRun r("stat_look_back_gaps");
    writeIncompleteWeek(r);
    auto rows = [&](const std::string& from) {
        std::string out =
            r.run({"--from", from, "--to", "2011-03-16", "--by", "day", "--format", "csv", "door1"})
                .out;
        std::vector<std::string> lines = splitLines(out);
        return std::vector<std::string>(lines.begin() + 1, lines.end());
    };
    std::vector<std::string> whole = rows("2011-03-12");
    ASSERT_EQ(whole.size(), 5u);
    EXPECT_EQ(whole[4], "2011-03-16,door1,65,5,2,0,1,1,5,0,55");
    for (int start = 13; start <= 16; ++start) {
        std::vector<std::string> part = rows("2011-03-" + std::to_string(start));
        std::vector<std::string> tail(whole.end() - static_cast<long>(part.size()), whole.end());
        EXPECT_EQ(part, tail) << "from 2011-03-" << start;
    }
}

TEST(StatTableOutput, TheTableNamesWhatIsIncompleteAndWhatIsClosed) {
    StatRun r("stat_table_notes");
    writeIncompleteWeek(r);
    ProcessResult days = r.run({"--from", "2011-03-12", "--to", "2011-03-16", "door1"});
    EXPECT_EQ(days.status, 0) << days.err;
    EXPECT_EQ(days.out,
              "Odwiedzający, wejście: door1\n"
              "Dni 2011-03-12 - 2011-03-16 (5 dni), wiersz na dzień\n"
              "\n"
              "dzień        ;     door1;\n"
              "2011-03-12 sb;        40; " +
                  blocks(25) + "\n" + "2011-03-13 nd; zamknięte;\n" + "2011-03-14 pn;        35; " +
                  blocks(22) + "\n" + "2011-03-15 wt;         0;\n" + "2011-03-16 śr;        65; " +
                  blocks(40) + "\n" +
                  "razem        ;       140;\n"
                  "Najwięcej w dniu: 2011-03-16 śr (65)\n"
                  "Średnio na dzień otwarty: 35,0 (4 dni)\n"
                  "\n"
                  "Uwaga: 2 odczyty bez odpowiedzi licznika; liczby mogą być niepełne.\n"
                  "Brak odczytów (2): 2011-03-14 pn.\n"
                  "Brak plików raportu: 2011-03-15 wt.\n"
                  "Odwiedzający po przerwie w odczytach (75, mogą należeć do wcześniejszych "
                  "godzin lub dni): 2011-03-14 pn, 2011-03-16 śr.\n"
                  "Szczegóły: pcstat --check --from 2011-03-12 --to 2011-03-16 door1\n");
    ProcessResult weeks =
        r.run({"--from", "2011-03-12", "--to", "2011-03-16", "--by", "week", "door1"});
    EXPECT_NE(weeks.out.find("\n2011-W10 (2/7 dni);    40; "), std::string::npos) << weeks.out;
    EXPECT_NE(weeks.out.find("\n2011-W11 (3/7 dni);   100; "), std::string::npos) << weeks.out;
}

TEST(StatTableOutput, WeekdaysShowTheAveragePerDayWithTheNumberOfDays) {
    StatRun r("stat_table_weekdays");
    // Two Mondays (+10 and +30) and a Tuesday (+10) in eight days.
    r.report("20110314", rec("10:00", 100) + rec("11:00", 110));
    r.report("20110315", rec("10:00", 120));
    r.report("20110321", rec("10:00", 120) + rec("11:00", 150));
    ProcessResult result =
        r.run({"--from", "2011-03-14", "--to", "2011-03-21", "--by", "weekday", r.door1()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "Odwiedzający, wejście: door1\n"
              "Dni 2011-03-14 - 2011-03-21 (8 dni), wiersz na dzień tygodnia, średnio na dzień\n"
              "\n"
              "dzień tygodnia      ; door1;\n"
              "poniedziałek (2 dni);    20; " +
                  blocks(40) + "\n" + "wtorek (1 dzień)    ;    10; " + blocks(20) + "\n" +
                  "środa (1 dzień)     ;     0;\n"
                  "czwartek (1 dzień)  ;     0;\n"
                  "piątek (1 dzień)    ;     0;\n"
                  "sobota (1 dzień)    ;     0;\n"
                  "niedziela (1 dzień) ;     0;\n"
                  "średnio             ;     6;\n");
    // csv keeps the sums, with the days beside them.
    ProcessResult csv = r.run({"--from", "2011-03-14", "--to", "2011-03-21", "--by", "weekday",
                               "--format", "csv", r.door1()});
    EXPECT_NE(csv.out.find("\nMonday,door1,40,4,0,0,2,,,,0\nTuesday,door1,10,1,0,0,1,,,,0\n"),
              std::string::npos)
        << csv.out;
}

TEST(StatCheck, NothingIsExpectedAfterThePresentMoment) {
    StatRun r("stat_check_now");
    writeScheduledDoor(r);
    r.report("20110314", rec("10:00", 100) + rec("10:15", 104));
    // 10:20 on Monday: 10:30 to 11:00 are not due yet, Tuesday has not come.
    const std::string now = "@2011-03-14 10:20:00";
    ProcessResult today = r.run({"--check", "door1"}, "UTC", now);
    EXPECT_EQ(today.status, 0) << today.out;
    EXPECT_EQ(today.out,
              "Sprawdzono 1 wejście, 1 dzień: bez uwag. Oczekiwane rekordy według obecnej "
              "konfiguracji pollerów.\n");
    ProcessResult tomorrow = r.run({"--check", "--date", "2011-03-15", "door1"}, "UTC", now);
    EXPECT_EQ(tomorrow.status, 0) << tomorrow.out;
    ProcessResult week = r.run({"--check", "--days", "7", "--format", "csv", "door1"}, "UTC", now);
    EXPECT_EQ(week.out,
              "entrance,date,kind,line,detail\n"
              "door1,2011-03-08,missing-file,,\"brak pliku " +
                  r.dir.path +
                  "/reports/door1_20110308.csv, oczekiwano 5 rekordów\"\n"
                  "door1,2011-03-09,missing-file,,\"brak pliku " +
                  r.dir.path +
                  "/reports/door1_20110309.csv, oczekiwano 5 rekordów\"\n"
                  "door1,2011-03-10,missing-file,,\"brak pliku " +
                  r.dir.path +
                  "/reports/door1_20110310.csv, oczekiwano 5 rekordów\"\n"
                  "door1,2011-03-11,missing-file,,\"brak pliku " +
                  r.dir.path +
                  "/reports/door1_20110311.csv, oczekiwano 5 rekordów\"\n"
                  "door1,2011-03-12,missing-file,,\"brak pliku " +
                  r.dir.path + "/reports/door1_20110312.csv, oczekiwano 5 rekordów\"\n")
        << "the closed Sunday and the rest of Monday expect nothing";
    // The same moment in the statistics: two of the day's moments are
    // expected, and its hour and day are counted so far.
    ProcessResult csv = r.run({"--by", "day", "--format", "csv", "door1"}, "UTC", now);
    EXPECT_EQ(csv.out, csvHeader + "2011-03-14,door1,4,2,0,0,1,1,2,0,0\n");
    ProcessResult table = r.run({"door1"}, "UTC", now);
    EXPECT_NE(table.out.find("\n10:00-11:00 (do teraz);     4; "), std::string::npos) << table.out;
    ProcessResult future = r.run({"--date", "2011-03-15", "--format", "csv", "door1"}, "UTC", now);
    EXPECT_EQ(future.out, csvHeader) << "no hour of a day to come is expected";
}

TEST(StatEntrances, ADanglingConfigurationLinkIsToldOnStandardErrorOnly) {
    StatRun r("stat_dangling_conf");
    r.conf("door1", "portname = /dev/null\nentry = " + r.door1() + "\n");
    r.report("20110314", rec("10:00", 1) + rec("10:15", 4));
    // A configuration whose file has gone, as a link left behind says.
    std::string gone = r.dir.root("/opt/velmora/door0.conf");
    ASSERT_EQ(symlink((r.dir.path + "/removed.conf").c_str(), gone.c_str()), 0);
    ProcessResult all = r.run({"--date", "2011-03-14", "--by", "day", "--format", "csv"});
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out, csvHeader + "2011-03-14,door1,3,2,0,0,1,,,,0\n");
    EXPECT_EQ(all.err,
              "pcstat: nie mozna czytac konfiguracji scratch/opt/velmora/door0.conf: No such file "
              "or directory\n");
}
