// The real pcstat (scratch-root copy) on what a manager asks next: the
// compared period of each row, the summary lines, conversion with a sales
// file, directories of copied reports as shops, labels, a copied poller
// configuration, --by-shop, --league and semicolon csv.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "record.h"
#include "statrun.h"
#include "testsupport.h"

using namespace testsupport;

namespace {

constexpr int runTimeoutMs = 30000;

std::string rec(const std::string& time, int total, int noAnswer = 0) {
    return recordLine(recordBodyText(time, total, 0, noAnswer));
}

// A day's records at 09:00, 10:00, 11:00 and 12:00 rising by step from
// start: the visitors of 09:00-12:00 are 3 steps (the first record has no
// earlier one on a day without a day before).
std::string day(int start, int step) {
    return rec("09:00", start) + rec("10:00", start + step) + rec("11:00", start + 2 * step) +
           rec("12:00", start + 3 * step);
}

struct ShopRun {
    explicit ShopRun(const std::string& name) : dir(name) {
        makeDirs(dir.root("/opt/velmora"));
        makeDirs(dir.root("/var/log/korvane"));
    }
    // DIR/NAME_DATE.csv under the scratch directory.
    void report(const std::string& shop, const std::string& name, const std::string& date,
                const std::string& text) {
        makeDirs(dir.path + "/" + shop);
        writeFile(dir.path + "/" + shop + "/" + name + "_" + date + ".csv", text);
    }
    std::string at(const std::string& relative) const { return dir.path + "/" + relative; }
    ProcessResult run(std::vector<std::string> args, const std::string& fakeTime = "") {
        return runStat(dir.path, std::move(args), runTimeoutMs, "UTC", fakeTime);
    }
    ScratchDir dir;
};

}  // namespace

// ---- --compare

TEST(StatCompare, PreviousDaysAcrossAYearEnd) {
    ShopRun r("compare_previous");
    // 2023-12-30 .. 2024-01-02, one file a day; each day's first record
    // rises over the day before's last.
    r.report("shop", "door1", "20231230", day(100, 10));
    r.report("shop", "door1", "20231231", day(140, 20));
    r.report("shop", "door1", "20240101", day(210, 5));
    r.report("shop", "door1", "20240102", day(225, 30));
    ProcessResult result = r.run({"--from", "2024-01-01", "--to", "2024-01-02", "--compare",
                                  "previous", "--format", "csv", r.at("shop/door1.csv")});
    EXPECT_EQ(result.status, 0) << result.err;
    // 2023-12-30 has no day before: 30; 12-31: 10 + 60 = 70; 01-01: 10 +
    // 15 = 25; 01-02: 0 + 90 = 90.
    EXPECT_EQ(result.out,
              "period,entrance,visitors,records,unanswered,faults,days,open_days,expected,"
              "missing,carried,compare_period,compare_visitors,change_percent\n"
              "2024-01-01,door1,25,4,0,0,1,,,,0,2023-12-30,30,-16.7\n"
              "2024-01-02,door1,90,4,0,0,1,,,,0,2023-12-31,70,28.6\n");
}

TEST(StatCompare, YearIs52WeeksBeforeOverALeapDayByDayWeekAndHour) {
    ShopRun r("compare_year");
    // 2024-02-29 (Thursday) less 364 days is 2023-03-02 (Thursday).
    r.report("shop", "door1", "20230302", day(0, 8));
    r.report("shop", "door1", "20240229", day(500, 10));
    r.report("shop", "door1", "20240301", day(530, 0));
    ProcessResult days = r.run({"--from", "2024-02-29", "--to", "2024-03-01", "--compare", "year",
                                "--format", "csv", r.at("shop/door1.csv")});
    EXPECT_EQ(days.status, 0) << days.err;
    EXPECT_EQ(days.out,
              "period,entrance,visitors,records,unanswered,faults,days,open_days,expected,"
              "missing,carried,compare_period,compare_visitors,change_percent\n"
              "2024-02-29,door1,30,4,0,0,1,,,,0,2023-03-02,24,25.0\n"
              "2024-03-01,door1,0,4,0,0,1,,,,0,2023-03-03,0,\n");

    ProcessResult weeks = r.run({"--from", "2024-02-26", "--to", "2024-03-03", "--by", "week",
                                 "--compare", "year", "--format", "json", r.at("shop/door1.csv")});
    EXPECT_EQ(weeks.status, 0) << weeks.err;
    EXPECT_EQ(weeks.out,
              "{\"period\":\"2024-W09\",\"entrance\":\"door1\",\"visitors\":30,\"records\":8,"
              "\"unanswered\":0,\"faults\":0,\"days\":7,\"open_days\":null,\"expected\":null,"
              "\"missing\":null,\"carried\":0,\"compare_period\":\"2023-W09\","
              "\"compare_visitors\":24,\"change_percent\":25.0}\n");

    ProcessResult hours = r.run(
        {"--date", "2024-02-29", "--compare", "year", "--format", "csv", r.at("shop/door1.csv")});
    EXPECT_EQ(hours.status, 0) << hours.err;
    // Each record's increase in the hour it ends in: 10:00 counts for 09:00-10:00.
    EXPECT_EQ(hours.out,
              "period,entrance,visitors,records,unanswered,faults,days,open_days,expected,"
              "missing,carried,compare_period,compare_visitors,change_percent\n"
              "2024-02-29T08,door1,0,1,0,0,1,,,,0,2023-03-02T08,0,\n"
              "2024-02-29T09,door1,10,1,0,0,1,,,,0,2023-03-02T09,8,25.0\n"
              "2024-02-29T10,door1,10,1,0,0,1,,,,0,2023-03-02T10,8,25.0\n"
              "2024-02-29T11,door1,10,1,0,0,1,,,,0,2023-03-02T11,8,25.0\n");
}

TEST(StatCompare, TheTableShowsBothNumbersTheChangeAndTheSummaryLines) {
    ShopRun r("compare_table");
    r.report("shop", "door1", "20240226", day(0, 10));
    r.report("shop", "door1", "20240227", rec("09:00", 30) + rec("10:00", 35, 1));
    r.report("shop", "door1", "20240228", day(100, 10));
    r.report("shop", "door1", "20240229", day(130, 20));
    ProcessResult result = r.run({"--from", "2024-02-28", "--to", "2024-02-29", "--compare",
                                  "previous", r.at("shop/door1.csv")});
    EXPECT_EQ(result.status, 0) << result.err;
    // 02-26: 30; 02-27: 0 (the unanswered record gives nothing); 02-28:
    // 70 + 30 = 100, the 70 carried across 02-27's unanswered record before
    // the range; 02-29: 0 + 60.
    std::string bar100(40 * 3, ' '), bar60(24 * 3, ' ');
    bar100.clear();
    bar60.clear();
    for (int i = 0; i < 40; ++i) bar100 += "\u2588";
    for (int i = 0; i < 24; ++i) bar60 += "\u2588";
    EXPECT_EQ(result.out,
              "Odwiedzający, wejście: door1\n"
              "Dni 2024-02-28 - 2024-02-29 (2 dni), wiersz na dzień\n"
              "\n"
              "dzień        ; door1;wcześniej; zmiana;\n"
              "2024-02-28 śr;   100;       30;+233,3%; " +
                  bar100 +
                  "\n"
                  "2024-02-29 cz;    60;        0;       ; " +
                  bar60 +
                  "\n"
                  "razem        ;   160;       30;+433,3%;\n"
                  "Najwięcej w dniu: 2024-02-28 śr (100)\n"
                  "Średnio na dzień otwarty: 80,0 (2 dni)\n"
                  "Zmiana całego okresu: +433,3% (160 wobec 30 w dniach 2024-02-26 - "
                  "2024-02-27)\n"
                  "\n"
                  "Uwaga: liczby mogą być niepełne.\n"
                  "Odwiedzający po przerwie w odczytach (70, mogą należeć do wcześniejszych "
                  "godzin lub dni): 2024-02-28 śr.\n"
                  "Szczegóły: pcstat --check --from 2024-02-28 --to 2024-02-29 " +
                  r.at("shop/door1.csv") +
                  "\n"
                  "Uwaga: porównywane okresy z niepełnymi liczbami: 2024-02-27.\n");
}

// ---- --sales

TEST(StatSales, EveryTimeFormBothDecimalsABadLineAndASaleWithoutVisitors) {
    ShopRun r("sales");
    r.report("shop", "door1", "20240229", day(0, 10));
    writeFile(r.at("sales.csv"),
              "time,transactions,revenue,till\n"
              "2024-02-29 10:15,2,\"12,50\",1\n"
              "2024-02-29 10:45:10,1,7.50,2\n"
              "2024-02-29T11,4,40,1\n"
              "2024-02-29,1,\"1,00\",1\n"
              "2024-02-29 08:30,1,5.00,1\n"
              "2024-02-29 25:00,1,5.00,1\n");
    ProcessResult hours = r.run({"--date", "2024-02-29", "--sales", r.at("sales.csv"), "--format",
                                 "csv", r.at("shop/door1.csv")});
    EXPECT_EQ(hours.status, 1);
    EXPECT_EQ(hours.err, "pcstat: " + r.at("sales.csv") +
                             ": wiersz 7: zly czas (RRRR-MM-DD GG:MM[:SS], RRRR-MM-DDTGG lub "
                             "RRRR-MM-DD)\n");
    // The 08:30 sale lands in the 08:00-09:00 row, which has no visitors
    // (the 09:00 record is the day's first).
    EXPECT_EQ(hours.out,
              "period,entrance,visitors,records,unanswered,faults,days,open_days,expected,"
              "missing,carried,transactions,revenue,conversion_percent,revenue_per_visitor\n"
              "2024-02-29T08,door1,0,1,0,0,1,,,,0,1,5.00,,\n"
              "2024-02-29T09,door1,10,1,0,0,1,,,,0,0,0.00,0.0,0.00\n"
              "2024-02-29T10,door1,10,1,0,0,1,,,,0,3,20.00,30.0,2.00\n"
              "2024-02-29T11,door1,10,1,0,0,1,,,,0,4,40.00,40.0,4.00\n");

    ProcessResult table =
        r.run({"--date", "2024-02-29", "--by", "day", "--sales", r.at("sales.csv"), "--csv-sep",
               ";", "--format", "csv", r.at("shop/door1.csv")});
    EXPECT_EQ(table.status, 1);
    EXPECT_EQ(table.out,
              "period;entrance;visitors;records;unanswered;faults;days;open_days;expected;"
              "missing;carried;transactions;revenue;conversion_percent;revenue_per_visitor\n"
              "2024-02-29;door1;30;4;0;0;1;;;;0;9;66,00;30,0;2,20\n");

    ProcessResult notes =
        r.run({"--date", "2024-02-29", "--sales", r.at("sales.csv"), r.at("shop/door1.csv")});
    EXPECT_EQ(notes.status, 1);
    EXPECT_NE(notes.out.find("godzina    ; door1;transakcje;konwersja;\n"
                             "08:00-09:00;     0;         1;         ;\n"),
              std::string::npos)
        << notes.out;
    EXPECT_NE(notes.out.find("09:00-10:00;    10;         0;     0,0%;"), std::string::npos)
        << notes.out;
    EXPECT_NE(notes.out.find("razem      ;    30;         8;    26,7%;\n"), std::string::npos)
        << notes.out;
    EXPECT_NE(notes.out.find("Uwaga: sprzedaż w okresach bez policzonych odwiedzających (zwykle "
                             "brak odczytu): 2024-02-29T08.\n"
                             "Uwaga: 1 transakcja z samą datą, bez godziny, poza wierszami "
                             "godzin.\n"),
              std::string::npos)
        << notes.out;
}

TEST(StatSales, AFileThatCannotBeReadIsStatusTwo) {
    ShopRun r("sales_unreadable");
    r.report("shop", "door1", "20240229", day(0, 10));
    ProcessResult missing =
        r.run({"--date", "2024-02-29", "--sales", r.at("none.csv"), r.at("shop/door1.csv")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err,
              "pcstat: nie mozna czytac " + r.at("none.csv") + ": No such file or directory\n");
    EXPECT_EQ(missing.out, "");
}

// ---- shops

TEST(StatShops, ADirectoryOfThreeEntrancesInNameOrder) {
    ShopRun r("shops_directory");
    r.report("shopA", "side", "20240229", day(0, 1));
    r.report("shopA", "door1", "20240229", day(0, 2));
    r.report("shopA", "back", "20240229", day(0, 3));
    writeFile(r.at("shopA/notes.txt"), "not a report\n");
    ProcessResult result =
        r.run({"--date", "2024-02-29", "--by", "day", "--format", "csv", r.at("shopA")});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "period,entrance,visitors,records,unanswered,faults,days,open_days,expected,missing,"
              "carried\n"
              "2024-02-29,back,9,4,0,0,1,,,,0\n"
              "2024-02-29,door1,6,4,0,0,1,,,,0\n"
              "2024-02-29,side,3,4,0,0,1,,,,0\n");

    makeDirs(r.at("empty"));
    ProcessResult empty = r.run({"--date", "2024-02-29", r.at("empty")});
    EXPECT_EQ(empty.status, 2);
    EXPECT_EQ(empty.err,
              "pcstat: " + r.at("empty") + ": brak plikow raportu NAZWA_RRRRMMDD.csv w katalogu\n");
}

TEST(StatShops, ClashingLabelsTakeTheirShopAndLabelSetsOne) {
    ShopRun r("shops_labels");
    r.report("shopA", "door1", "20240229", day(0, 1));
    r.report("shopB", "door1", "20240229", day(0, 2));
    r.report("shopB", "garden", "20240229", day(0, 4));
    ProcessResult clash = r.run({"--date", "2024-02-29", "--by", "day", "--format", "csv",
                                 r.at("shopA/door1.csv"), r.at("shopB")});
    EXPECT_EQ(clash.status, 0) << clash.err;
    EXPECT_EQ(clash.out,
              "period,entrance,visitors,records,unanswered,faults,days,open_days,expected,missing,"
              "carried\n"
              "2024-02-29,shopA/door1,3,4,0,0,1,,,,0\n"
              "2024-02-29,shopB/door1,6,4,0,0,1,,,,0\n"
              "2024-02-29,garden,12,4,0,0,1,,,,0\n");

    ProcessResult labelled =
        r.run({"--date", "2024-02-29", "--by", "day", "--format", "csv", "--label",
               "front=" + r.at("shopB/door1.csv"), "--label", "Ogród, tył=shopB/garden",
               r.at("shopA/door1.csv"), r.at("shopB")});
    EXPECT_EQ(labelled.status, 0) << labelled.err;
    EXPECT_EQ(labelled.out,
              "period,entrance,visitors,records,unanswered,faults,days,open_days,expected,missing,"
              "carried\n"
              "2024-02-29,shopA/door1,3,4,0,0,1,,,,0\n"
              "2024-02-29,front,6,4,0,0,1,,,,0\n"
              "2024-02-29,\"Ogród, tył\",12,4,0,0,1,,,,0\n");

    ProcessResult unknown =
        r.run({"--date", "2024-02-29", "--label", "x=shopC/door1", r.at("shopB")});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err, "pcstat: --label x=shopC/door1: nie ma takiego wejscia\n");
    ProcessResult bad = r.run({"--label", "nothing", r.at("shopB")});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err.substr(0, bad.err.find('\n')),
              "pcstat: zla etykieta --label nothing (NAZWA=WEJSCIE)");
}

TEST(StatShops, ACopiedConfigurationGivesTheSchedule) {
    ShopRun r("shops_conf");
    // door1 open 09:00-12:00 every day, a record an hour; 10:00 is missing.
    r.report("shopA", "door1", "20240229", rec("09:00", 0) + rec("11:00", 20) + rec("12:00", 30));
    writeFile(r.at("shopA/door1.conf"),
              "portname = /dev/ttyS0\nentry = /var/log/korvane/door1.csv\n"
              "recordtime = 3600\nopentime = 09:00-12:00\n");
    r.report("shopA", "side", "20240229", day(0, 1));
    ProcessResult check =
        r.run({"--check", "--date", "2024-02-29", "--format", "csv", r.at("shopA")},
              "@2024-03-01 12:00:00");
    EXPECT_EQ(check.status, 1) << check.err;
    EXPECT_EQ(check.out,
              "entrance,date,kind,line,detail\n"
              "door1,2024-02-29,missing-record,,1 (10:00)\n");

    ProcessResult table =
        r.run({"--date", "2024-02-29", "--by", "day", r.at("shopA")}, "@2024-03-01 12:00:00");
    EXPECT_EQ(table.status, 0) << table.err;
    EXPECT_NE(table.out.find("Bez harmonogramu (konfiguracji pollera), braków nie liczono: "
                             "side.\n"),
              std::string::npos)
        << table.out;
}

TEST(StatShops, ByShopAndTheLeagueOverThreeShopDirectories) {
    ShopRun r("shops_league");
    for (const char* date : {"20240222", "20240229"}) {
        bool now = std::string(date) == "20240229";
        r.report("north", "door1", date, day(0, now ? 10 : 20));
        r.report("north", "door2", date, day(0, 5));
        r.report("south", "door1", date, day(0, now ? 40 : 10));
        r.report("west", "door1", date, day(0, 1));
    }
    writeFile(r.at("sales.csv"),
              "shop;time;transactions;revenue\n"
              "north;2024-02-29 10:00;9;90,00\n"
              "south;2024-02-29;12;\"100,50\"\n"
              "east;2024-02-29;5;1\n");
    ProcessResult byShop = r.run({"--date", "2024-02-29", "--by", "day", "--by-shop", "--format",
                                  "csv", r.at("north"), r.at("south"), r.at("west")});
    EXPECT_EQ(byShop.status, 0) << byShop.err;
    EXPECT_EQ(byShop.out,
              "period,entrance,visitors,records,unanswered,faults,days,open_days,expected,missing,"
              "carried\n"
              "2024-02-29,north,45,8,0,0,1,,,,0\n"
              "2024-02-29,south,120,4,0,0,1,,,,0\n"
              "2024-02-29,west,3,4,0,0,1,,,,0\n");

    std::vector<std::string> league = {"--date",      "2024-02-29", "--league",        "--compare",
                                       "previous",    "--sales",    r.at("sales.csv"), r.at("west"),
                                       r.at("north"), r.at("south")};
    // previous of one day is 2024-02-28, which has no files; a week
    // earlier would be the --from/--to of seven days.
    std::vector<std::string> csv = league;
    csv.insert(csv.end(), {"--format", "csv"});
    ProcessResult leagueCsv = r.run(csv, "@2024-03-05 12:00:00");
    EXPECT_EQ(leagueCsv.status, 0) << leagueCsv.err;
    EXPECT_EQ(leagueCsv.out,
              "shop,entrances,visitors,days,open_days,visitors_per_open_day,unanswered,faults,"
              "unusable_lines,missing,carried,compare_period,compare_visitors,change_percent,"
              "transactions,"
              "revenue,conversion_percent,revenue_per_visitor\n"
              "south,1,120,1,,120.0,0,0,0,,0,2024-02-28/2024-02-28,0,,12,100.50,10.0,0.84\n"
              "north,2,45,1,,45.0,0,0,0,,0,2024-02-28/2024-02-28,0,,9,90.00,20.0,2.00\n"
              "west,1,3,1,,3.0,0,0,0,,0,2024-02-28/2024-02-28,0,,0,0.00,0.0,0.00\n");

    ProcessResult json =
        r.run({"--from", "2024-02-23", "--to", "2024-02-29", "--league", "--compare", "previous",
               "--format", "json", r.at("north"), r.at("south"), r.at("west")},
              "@2024-03-05 12:00:00");
    EXPECT_EQ(json.status, 0) << json.err;
    // The week before holds 2024-02-22.
    EXPECT_EQ(json.out,
              "{\"shop\":\"south\",\"entrances\":1,\"visitors\":120,\"days\":7,\"open_days\":null,"
              "\"visitors_per_open_day\":17.1,\"unanswered\":0,\"faults\":0,"
              "\"unusable_lines\":0,\"missing\":null,\"carried\":0,\"compare_period\":\"2024-02-16/"
              "2024-02-22\","
              "\"compare_visitors\":30,\"change_percent\":300.0}\n"
              "{\"shop\":\"north\",\"entrances\":2,\"visitors\":45,\"days\":7,\"open_days\":null,"
              "\"visitors_per_open_day\":6.4,\"unanswered\":0,\"faults\":0,"
              "\"unusable_lines\":0,\"missing\":null,\"carried\":0,\"compare_period\":\"2024-02-16/"
              "2024-02-22\","
              "\"compare_visitors\":75,\"change_percent\":-40.0}\n"
              "{\"shop\":\"west\",\"entrances\":1,\"visitors\":3,\"days\":7,\"open_days\":null,"
              "\"visitors_per_open_day\":0.4,\"unanswered\":0,\"faults\":0,"
              "\"unusable_lines\":0,\"missing\":null,\"carried\":0,\"compare_period\":\"2024-02-16/"
              "2024-02-22\","
              "\"compare_visitors\":3,\"change_percent\":0.0}\n");

    ProcessResult table = r.run(league, "@2024-03-05 12:00:00");
    EXPECT_EQ(table.status, 0) << table.err;
    EXPECT_EQ(table.out,
              "Sklepy według liczby odwiedzających\n"
              "Dni 2024-02-29 - 2024-02-29 (1 dzień), porównanie z 2024-02-28 - 2024-02-28\n"
              "\n"
              "sklep;odwiedzający;średnio na dzień otwarty;wcześniej;zmiana;transakcje;"
              "konwersja;braki;po przerwie;\n"
              "south;         120;                   120,0;        0;      ;        12;    "
              "10,0%;     ;          0;\n"
              "north;          45;                    45,0;        0;      ;         9;    "
              "20,0%;     ;          0;\n"
              "west ;           3;                     3,0;        0;      ;         0;     "
              "0,0%;     ;          0;\n"
              "razem: 168 odwiedzających, wcześniej 0, 21 transakcji\n");
}

TEST(StatShops, OptionsThatDoNotGoTogether) {
    ShopRun r("shops_usage");
    r.report("shopA", "door1", "20240229", day(0, 1));
    auto firstLine = [](const std::string& text) { return text.substr(0, text.find('\n')); };
    ProcessResult a = r.run({"--league", "--by-shop", r.at("shopA")});
    EXPECT_EQ(a.status, 2);
    EXPECT_EQ(firstLine(a.err), "pcstat: --league nie laczy sie z --by-shop");
    ProcessResult b = r.run({"--check", "--compare", "year", r.at("shopA")});
    EXPECT_EQ(b.status, 2);
    EXPECT_EQ(firstLine(b.err),
              "pcstat: --check nie laczy sie z --compare, --sales, --by-shop ani --league");
    ProcessResult c = r.run({"--compare", "month", r.at("shopA")});
    EXPECT_EQ(c.status, 2);
    EXPECT_EQ(firstLine(c.err), "pcstat: zle porownanie --compare month (previous lub year)");
    ProcessResult d = r.run({"--csv-sep", "tab", r.at("shopA")});
    EXPECT_EQ(d.status, 2);
    EXPECT_EQ(firstLine(d.err), "pcstat: zly separator --csv-sep tab (',' lub ';')");
}
