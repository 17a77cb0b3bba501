// What pcstat --load decides before the database sees it, in process: the
// sales lines it stores, the shop and name of an entrance, the options of
// --load, and FileCounter's decisions per record and moment (the same
// ones the statistics sum), across a gap and a spring change.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "calendar.h"
#include "filecount.h"
#include "loader.h"
#include "options.h"
#include "record.h"
#include "sales.h"
#include "shops.h"
#include "testsupport.h"

using namespace testsupport;

namespace {

Day dayOf(const std::string& dashed) {
    Day day{};
    EXPECT_TRUE(parseDate(dashed, Day{}, day)) << dashed;
    return day;
}

// The sales of a file as the loader reads them (its shop column needed),
// one text a sale or a bad line; the error when the header is refused.
std::string salesOf(const std::string& text) {
    std::FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    EXPECT_NE(file, nullptr);
    std::string seen, error;
    auto sale = [&](long line, const Sale& s) {
        seen += std::to_string(line) + ": " + dashedDate(s.day) + " " + std::to_string(s.hour) +
                " [" + s.shop + "] " + std::to_string(s.transactions) + " " +
                std::to_string(s.revenue) + "\n";
    };
    auto bad = [&](long line, const std::string& reason) {
        seen += std::to_string(line) + ": bad: " + reason + "\n";
    };
    bool read = readSaleLines(file, true, sale, bad, error);
    std::fclose(file);
    return read ? seen : "header: " + error;
}

const std::string fullHeader = "time,shop,transactions,revenue";

}  // namespace

TEST(SalesLines, EachSaleWithItsLineShopHourAndHundredths) {
    EXPECT_EQ(salesOf(fullHeader + "\n2011-03-14 10:15,krakow,3,120.50\n"
                                   "2011-03-14 23:59:59, krakow ,1,\"9,99\"\n"
                                   "\n"
                                   "2011-03-14T00,gdansk,0,0\n"
                                   "2011-03-14,gdansk,12,-3\n"),
              "2: 2011-03-14 10 [krakow] 3 12050\n"
              "3: 2011-03-14 23 [krakow] 1 999\n"
              "5: 2011-03-14 0 [gdansk] 0 0\n"
              "6: 2011-03-14 24 [gdansk] 12 -300\n");
    // Without transactions each line is one; the columns in any order.
    EXPECT_EQ(salesOf("shop,time\n\"sklep, nr 2\",2011-03-14 10:15\n"),
              "2: 2011-03-14 10 [sklep, nr 2] 1 0\n");
    EXPECT_EQ(salesOf("shop;time;revenue\nkrakow;2011-03-14T09;1,5\n"),
              "2: 2011-03-14 9 [krakow] 1 150\n");
}

TEST(SalesLines, BadLinesAreToldAndTheRestRead) {
    EXPECT_EQ(salesOf(fullHeader + "\n2011-13-40,krakow,1,1\n"
                                   "2011-03-14 24:00,krakow,1,1\n"
                                   "2011-03-14,krakow,-1,1\n"
                                   "2011-03-14,krakow,1,1.5.0\n"
                                   "2011-03-14,krakow\n"
                                   "2011-03-14,\"krakow,1,1\n"
                                   "2011-03-14,krakow,1,1\n"),
              "2: bad: zly czas (RRRR-MM-DD GG:MM[:SS], RRRR-MM-DDTGG lub RRRR-MM-DD)\n"
              "3: bad: zly czas (RRRR-MM-DD GG:MM[:SS], RRRR-MM-DDTGG lub RRRR-MM-DD)\n"
              "4: bad: zla liczba transakcji\n"
              "5: bad: zla kwota (np. 12.50 lub 12,50)\n"
              "6: bad: za malo pol\n"
              "7: bad: niezamkniety cudzyslow\n"
              "8: 2011-03-14 24 [krakow] 1 100\n");
    EXPECT_EQ(salesOf("time,transactions\n2011-03-14,1\n"),
              "header: brak kolumny shop w naglowku (potrzebna sprzedaz wedlug sklepow)");
    EXPECT_EQ(salesOf("shop,revenue\nx,1\n"), "header: brak kolumny time w naglowku");
    EXPECT_EQ(salesOf("time,shop,time\nx\n"), "header: kolumna time powtorzona w naglowku");
    EXPECT_EQ(salesOf(""), "header: brak naglowka");
}

TEST(LoadShop, TheLastComponentOfTheReportDirectory) {
    EXPECT_EQ(shopOfBase("/srv/reports/krakow/door1"), "krakow");
    EXPECT_EQ(shopOfBase("/srv/reports/krakow//door1"), "krakow");
    EXPECT_EQ(shopOfBase("/door1"), "/");
    // A relative directory is the working directory's.
    ScratchDir dir("load_shop");
    makeDirs(dir.path + "/gdansk");
    char* previous = getcwd(nullptr, 0);
    ASSERT_EQ(chdir((dir.path + "/gdansk").c_str()), 0);
    EXPECT_EQ(shopOfBase("door1"), "gdansk");
    EXPECT_EQ(shopOfBase("../gdansk/door1"), "gdansk");
    EXPECT_EQ(shopOfBase("./door1"), "gdansk");
    ASSERT_EQ(chdir(previous), 0);
    std::free(previous);
}

TEST(LoadEntranceName, ClashingLabelsKeepTheirNames) {
    std::vector<Entrance> entrances(2);
    entrances[0].label = "door1";
    entrances[0].base = "/srv/reports/krakow/door1";
    entrances[1].label = "door1";
    entrances[1].base = "/srv/reports/gdansk/door1";
    std::string error;
    ASSERT_TRUE(settleLabels(entrances, {}, error)) << error;
    EXPECT_EQ(entrances[0].label, "krakow/door1");
    EXPECT_EQ(entrances[1].label, "gdansk/door1");
    EXPECT_EQ(entrances[0].name, "door1");
    EXPECT_EQ(entrances[1].name, "door1");
}

TEST(LoadOptions, WhatGoesWithLoad) {
    auto parse = [](std::vector<std::string> words, std::string& error) {
        std::vector<char*> argv;
        words.insert(words.begin(), "pcstat");
        for (std::string& word : words) argv.push_back(word.data());
        Options options;
        error.clear();
        bool ok = parseOptions(static_cast<int>(argv.size()), argv.data(), dayOf("2011-03-14"),
                               options, error);
        return ok ? options.load + "|" + options.sales + "|" + dashedDate(options.from) : "";
    };
    std::string error;
    EXPECT_EQ(parse({"--load", "dbname=x", "--days", "2", "door1"}, error), "dbname=x||2011-03-13");
    EXPECT_EQ(parse({"--load", "dbname=x", "--sales", "s.csv"}, error),
              "dbname=x|s.csv|2011-03-14");
    // Without --load, --sales is the conversion of the statistics.
    EXPECT_EQ(parse({"--sales", "s.csv"}, error), "|s.csv|2011-03-14");
    EXPECT_EQ(parse({"--load", "x", "--check"}, error), "");
    EXPECT_EQ(error, "--load nie laczy sie z --check");
    EXPECT_EQ(parse({"--load", "x", "--by", "day"}, error), "");
    EXPECT_EQ(error, "--load nie laczy sie z --by");
    EXPECT_EQ(parse({"--load", "x", "--format", "csv"}, error), "");
    EXPECT_EQ(error, "--load nie laczy sie z --format");
    EXPECT_EQ(parse({"--load", "x", "--chart", "a.png"}, error), "");
    EXPECT_EQ(error, "--load nie laczy sie z --chart");
    const std::vector<std::vector<std::string>> printing = {
        {"--compare", "year"}, {"--label", "a=door1"}, {"--by-shop"},
        {"--league"},          {"--csv-sep", ";"},     {"--dashboard", "www"}};
    for (const std::vector<std::string>& other : printing) {
        std::vector<std::string> words = {"--load", "x"};
        words.insert(words.end(), other.begin(), other.end());
        EXPECT_EQ(parse(words, error), "");
        EXPECT_EQ(error, "--load nie laczy sie z " + other[0]);
    }
}

namespace {

// What FileCounter tells, as text: records "line day hour +increase[c]",
// hour rows "day hour expected/missing[f]" (f for a missing file) with
// their records' visitors and carried part.
class Told : public CountVisitor {
public:
    bool keepsRecords() const override { return true; }
    void record(const CountedRecord& r) override {
        text += std::to_string(r.line) + " " + dashedDate(r.day) + " " + std::to_string(r.hour) +
                " +" + std::to_string(r.increase) + (r.carried ? "c" : "") + "\n";
    }
    void hour(const CountedHour& h) override {
        const PeriodCounts& c = h.counts;
        hours += dashedDate(h.day) + " " + std::to_string(h.hour) + " " +
                 std::to_string(c.expected) + "/" + std::to_string(c.missing) +
                 (h.ofMissingFile ? "f" : "") + " " + std::to_string(c.records) + "r +" +
                 std::to_string(c.visitors) + " " + std::to_string(c.carried) + "c " +
                 std::to_string(c.unanswered) + "u\n";
    }
    void unusableLine() override { ++unusable; }
    std::string text, hours;
    int unusable = 0;
};

std::string rec(const std::string& time, int total, int noAnswer = 0) {
    return recordLine(recordBodyText(time, total, 0, noAnswer));
}

}  // namespace

TEST(FileCounter, IncreasesHoursAndCarriedAcrossGapsAndFiles) {
    ScratchDir dir("load_filecount");
    Entrance entrance;
    entrance.label = "door1";
    entrance.base = dir.path + "/door1";
    entrance.ext = "csv";
    entrance.scheduled = true;
    for (int day = 0; day < daysPerWeek; ++day) {
        entrance.schedule.openTimes[day] = 10 * 3600;
        entrance.schedule.closeTimes[day] = 11 * 3600;
    }
    entrance.schedule.interval = 900;
    // 10:15 is missing, 10:30 unanswered: 10:45 is carried across both.
    writeFile(dir.path + "/door1_20110314.csv", rec("10:00", 100) + "junk\n" + rec("10:30", 0, 1) +
                                                    rec("10:45", 130) + rec("11:00", 131));
    FileCounter counter(entrance, std::numeric_limits<std::time_t>::max());
    CountState state;
    state.tracker.seed(90);
    Told told;
    std::string error;
    ASSERT_EQ(counter.count(dayOf("2011-03-14"), false, state, told, error), Opened::yes);
    EXPECT_EQ(told.text,
              "1 2011-03-14 9 +10\n"
              "3 2011-03-14 10 +0\n"
              "4 2011-03-14 10 +30c\n"
              "5 2011-03-14 10 +1\n");
    EXPECT_EQ(told.hours,
              "2011-03-14 9 1/0 1r +10 0c 0u\n"
              "2011-03-14 10 4/1 3r +31 30c 1u\n");
    EXPECT_EQ(told.unusable, 1);
    EXPECT_TRUE(counter.allDue());
    EXPECT_EQ(state.tracker.previous(), 131);
    EXPECT_FALSE(state.gap);
    // A missing file: every moment missing, and a gap carried to the next.
    Told none;
    ASSERT_EQ(counter.count(dayOf("2011-03-15"), false, state, none, error), Opened::missing);
    EXPECT_EQ(none.text, "");
    EXPECT_EQ(none.hours, "2011-03-15 9 1/1f 0r +0 0c 0u\n2011-03-15 10 4/4f 0r +0 0c 0u\n");
    EXPECT_TRUE(state.gap);
    // A file with a record at each moment: every hour row expects its records.
    writeFile(dir.path + "/door1_20110316.csv", rec("10:00", 140) + rec("10:15", 141) +
                                                    rec("10:30", 143) + rec("10:45", 146) +
                                                    rec("11:00", 150));
    Told whole;
    ASSERT_EQ(counter.count(dayOf("2011-03-16"), false, state, whole, error), Opened::yes);
    EXPECT_EQ(whole.hours, "2011-03-16 9 1/0 1r +9 9c 0u\n2011-03-16 10 4/0 4r +10 0c 0u\n");
    EXPECT_FALSE(state.gap);
    // Moments after now are not expected, and the file is not all due.
    FileCounter early(entrance, dayStart(dayOf("2011-03-14")) + 10 * 3600 + 600);
    CountState fresh;
    Told part;
    ASSERT_EQ(early.count(dayOf("2011-03-14"), false, fresh, part, error), Opened::yes);
    EXPECT_EQ(part.hours, "2011-03-14 9 1/0 1r +0 0c 0u\n2011-03-14 10 0/0 3r +31 30c 1u\n");
    EXPECT_FALSE(early.allDue());
}

TEST(FileCounter, TheHourRowAroundASpringChange) {
    ASSERT_EQ(setenv("TZ", "Europe/Warsaw", 1), 0);
    tzset();
    HourRule rule;
    Day spring = dayOf("2011-03-27");  // 02:00-03:00 does not exist
    EXPECT_EQ(rule.hourOf(spring, 2 * 3600), 1);
    EXPECT_EQ(rule.hourOf(spring, 3 * 3600), 1);  // the second before 03:00 is 01:59:59
    EXPECT_EQ(rule.hourOf(spring, 3 * 3600 + 10), 3);
    EXPECT_EQ(rule.hourOf(dayOf("2011-03-26"), 3 * 3600), 2);
    EXPECT_EQ(rule.hourOf(spring, 0), 0);
    ASSERT_EQ(setenv("TZ", "UTC", 1), 0);
    tzset();
}
