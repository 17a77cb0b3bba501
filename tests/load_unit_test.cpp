// What pcstat --load decides before the database sees it, in process: the
// sales file's header and lines, the shop of an entrance, the options of
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
#include "salesfile.h"
#include "testsupport.h"

using namespace testsupport;

namespace {

Day dayOf(const std::string& dashed) {
    Day day{};
    EXPECT_TRUE(parseDate(dashed, Day{}, day)) << dashed;
    return day;
}

// The sale of a line under the header time,shop,transactions,revenue; the
// error when it is refused.
std::string saleOf(const std::string& header, const std::string& line) {
    SalesReader reader;
    std::string error;
    if (!reader.header(header, true, error)) return "header: " + error;
    SaleLine sale;
    if (!reader.line(line, sale, error)) return "error: " + error;
    return dashedDate(sale.day) + " " + std::to_string(sale.hour) + " " + sale.shop + " " +
           std::to_string(sale.transactions) + " [" + sale.revenue + "]";
}

const std::string fullHeader = "time,shop,transactions,revenue";

}  // namespace

TEST(SalesFile, TimeFormsAndDecimals) {
    EXPECT_EQ(saleOf(fullHeader, "2011-03-14 10:15,krakow,3,120.50"),
              "2011-03-14 10 krakow 3 [120.50]");
    EXPECT_EQ(saleOf(fullHeader, "2011-03-14 23:59:59,krakow,1,\"9,99\""),
              "2011-03-14 23 krakow 1 [9.99]");
    EXPECT_EQ(saleOf(fullHeader, "2011-03-14T00,gdansk,0,"), "2011-03-14 0 gdansk 0 []");
    EXPECT_EQ(saleOf(fullHeader, "2011-03-14,gdansk,12,-3"), "2011-03-14 -1 gdansk 12 [-3]");
    // Without transactions each line is one; the columns in any order.
    EXPECT_EQ(saleOf("shop,time", "\"sklep, nr 2\",2011-03-14 10:15"),
              "2011-03-14 10 sklep, nr 2 1 []");
}

TEST(SalesFile, BadLinesAndHeadersAreNamed) {
    EXPECT_EQ(saleOf(fullHeader, "2011-13-40,krakow,1,1"), "error: zly czas 2011-13-40");
    EXPECT_EQ(saleOf(fullHeader, "20110314,krakow,1,1"), "error: zly czas 20110314");
    EXPECT_EQ(saleOf(fullHeader, "2011-03-14 24:00,krakow,1,1"),
              "error: zly czas 2011-03-14 24:00");
    EXPECT_EQ(saleOf(fullHeader, "2011-03-14T7,krakow,1,1"), "error: zly czas 2011-03-14T7");
    EXPECT_EQ(saleOf(fullHeader, "2011-03-14,krakow,-1,1"), "error: zla liczba transakcji -1");
    EXPECT_EQ(saleOf(fullHeader, "2011-03-14,krakow,1,1.5.0"), "error: zly przychod 1.5.0");
    EXPECT_EQ(saleOf(fullHeader, "2011-03-14,krakow,1,.5"), "error: zly przychod .5");
    EXPECT_EQ(saleOf(fullHeader, "2011-03-14,krakow,1,1.12345"), "error: zly przychod 1.12345");
    EXPECT_EQ(saleOf(fullHeader, "2011-03-14,,1,1"), "error: pusty sklep");
    EXPECT_EQ(saleOf(fullHeader, "2011-03-14,krakow,1"), "error: zla liczba pol");
    EXPECT_EQ(saleOf(fullHeader, "2011-03-14,\"krakow,1,1"), "error: zla liczba pol");
    EXPECT_EQ(saleOf("time,transactions", "2011-03-14,1"), "header: brak kolumny shop w naglowku");
    EXPECT_EQ(saleOf("shop,revenue", "x,1"), "header: brak kolumny time w naglowku");
    EXPECT_EQ(saleOf("time,shop,time", "x"), "header: kolumna time dwa razy w naglowku");
}

TEST(LoadShop, TheLastComponentOfTheReportDirectory) {
    Entrance entrance;
    entrance.base = "/srv/reports/krakow/door1";
    EXPECT_EQ(shopOf(entrance), "krakow");
    entrance.base = "/srv/reports/krakow//door1";
    EXPECT_EQ(shopOf(entrance), "krakow");
    entrance.base = "/door1";
    EXPECT_EQ(shopOf(entrance), "/");
    // A relative directory is the working directory's.
    ScratchDir dir("load_shop");
    makeDirs(dir.path + "/gdansk");
    char* previous = getcwd(nullptr, 0);
    ASSERT_EQ(chdir((dir.path + "/gdansk").c_str()), 0);
    entrance.base = "door1";
    EXPECT_EQ(shopOf(entrance), "gdansk");
    entrance.base = "../gdansk/door1";
    EXPECT_EQ(shopOf(entrance), "gdansk");
    ASSERT_EQ(chdir(previous), 0);
    std::free(previous);
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
    EXPECT_EQ(parse({"--sales", "s.csv"}, error), "");
    EXPECT_EQ(error, "--sales wymaga --load");
    EXPECT_EQ(parse({"--load", "x", "--check"}, error), "");
    EXPECT_EQ(error, "--load nie laczy sie z --check");
    EXPECT_EQ(parse({"--load", "x", "--by", "day"}, error), "");
    EXPECT_EQ(error, "--load nie laczy sie z --by");
    EXPECT_EQ(parse({"--load", "x", "--format", "csv"}, error), "");
    EXPECT_EQ(error, "--load nie laczy sie z --format");
    EXPECT_EQ(parse({"--load", "x", "--chart", "a.png"}, error), "");
    EXPECT_EQ(error, "--load nie laczy sie z --chart");
}

namespace {

// What FileCounter tells, as text: records "line day hour +increase[c]",
// moments "m day hour[!]" (! for missing).
class Told : public CountVisitor {
public:
    void record(const CountedRecord& r) override {
        text += std::to_string(r.line) + " " + dashedDate(r.day) + " " + std::to_string(r.hour) +
                " +" + std::to_string(r.increase) + (r.carried ? "c" : "") + "\n";
    }
    void moment(const CountedMoment& m) override {
        moments += dashedDate(m.day) + " " + std::to_string(m.hour) + (m.missing ? "!" : "") +
                   (m.ofMissingFile ? "f" : "") + "\n";
    }
    void unusableLine() override { ++unusable; }
    std::string text, moments;
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
    EXPECT_EQ(told.moments,
              "2011-03-14 9\n2011-03-14 10!\n2011-03-14 10\n2011-03-14 10\n2011-03-14 10\n");
    EXPECT_EQ(told.unusable, 1);
    EXPECT_TRUE(counter.allDue());
    EXPECT_EQ(state.tracker.previous(), 131);
    EXPECT_FALSE(state.gap);
    // A missing file: every moment missing, and a gap carried to the next.
    Told none;
    ASSERT_EQ(counter.count(dayOf("2011-03-15"), false, state, none, error), Opened::missing);
    EXPECT_EQ(none.text, "");
    EXPECT_EQ(none.moments.substr(0, 17), "2011-03-15 9!f\n20");
    EXPECT_TRUE(state.gap);
    // Moments after now are not expected, and the file is not all due.
    FileCounter early(entrance, dayStart(dayOf("2011-03-14")) + 10 * 3600 + 600);
    CountState fresh;
    Told part;
    ASSERT_EQ(early.count(dayOf("2011-03-14"), false, fresh, part, error), Opened::yes);
    EXPECT_EQ(part.moments, "2011-03-14 9\n");
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
