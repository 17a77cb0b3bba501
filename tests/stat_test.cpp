// pcstat's library in process: calendar days and the command line, the
// expected moments against a second-by-second model of the poller's loop,
// the head rule of a day's file, increases, the texts of the output, and
// pcstat's table turned into a chart.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "calendar.h"
#include "chart_input.h"
#include "dayfile.h"
#include "entrance.h"
#include "expected.h"
#include "options.h"
#include "quoting.h"
#include "polish.h"
#include "record.h"
#include "stream.h"
#include "testsupport.h"

namespace {

using std::chrono::days;

Day date(int y, unsigned m, unsigned d) {
    return std::chrono::sys_days{std::chrono::year{y} / m / d};
}

// Sets the time zone of the process for one test.
struct Zone {
    explicit Zone(const char* name) {
        const char* old = std::getenv("TZ");
        saved = old != nullptr ? old : "";
        setenv("TZ", name, 1);
        tzset();
    }
    ~Zone() {
        setenv("TZ", saved.c_str(), 1);
        tzset();
    }
    std::string saved;
};

// The poller's loop, second by second, as a model: each sample judged by
// the weekday and hours of the second before, a cycle of two seconds when
// due, a record when the judging day's opening and closing differ, into the
// file of the date two seconds later.
std::vector<int> modelMoments(const Schedule& s, Day day) {
    std::vector<int> moments;
    std::time_t from = dayStart(day) - 30;
    std::time_t to = dayStart(day + days{1});
    std::time_t nextSample = from;
    std::string file = compactDate(day);
    for (std::time_t e = from; e < to; ++e) {
        if (e < nextSample) continue;
        std::tm before{}, now{}, written{};
        std::time_t previous = e - 1, write = e + cycleSeconds;
        localtime_r(&previous, &before);
        localtime_r(&e, &now);
        localtime_r(&write, &written);
        int open = s.openTimes[before.tm_wday];
        int stop = closingSecond(s.closeTimes[before.tm_wday]);
        int second = now.tm_hour * 3600 + now.tm_min * 60 + now.tm_sec;
        if (!isDue(second, open, stop, s.interval)) continue;
        nextSample = e + cycleSeconds + 1;
        char name[16];
        std::strftime(name, sizeof name, "%Y%m%d", &written);
        if (open != stop && file == name) moments.push_back(second);
    }
    return moments;
}

std::vector<int> moments(const Schedule& s, Day day) {
    std::vector<ExpectedMoment> found;
    expectedMoments(s, day, found);
    std::vector<int> seconds;
    for (const ExpectedMoment& m : found) seconds.push_back(m.second);
    return seconds;
}

Schedule every(const char* hours, int interval) {
    Schedule s;
    EXPECT_TRUE(buildOpeningTable(hours, {}, s));
    s.interval = interval;
    return s;
}

int hm(int h, int m, int sec = 0) { return h * 3600 + m * 60 + sec; }

// The lines of a day's file; the views into the reader's buffer are
// replaced by copies of the checksum field, kept in checksums.
std::vector<DayLine> headOf(const std::string& content,
                            std::vector<std::string>* checksums = nullptr) {
    char path[] = "/tmp/stat-test-XXXXXX";
    int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    FILE* file = fdopen(fd, "w");
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
    DayFile day;
    EXPECT_TRUE(day.open(path));
    std::vector<DayLine> lines;
    DayLine line;
    while (day.next(line)) {
        if (checksums != nullptr) checksums->emplace_back(line.record.checksum);
        line.record = RecordView{};
        lines.push_back(line);
    }
    std::remove(path);
    return lines;
}

std::string rec(const std::string& time, int total) {
    return recordLine(recordBodyText(time, total, 0, 0));
}

}  // namespace

// ---- calendar and command line

TEST(StatCalendar, DateForms) {
    Day now = date(2011, 3, 14);
    Day day{};
    ASSERT_TRUE(parseDate("2011-03-01", now, day));
    EXPECT_EQ(day, date(2011, 3, 1));
    ASSERT_TRUE(parseDate("20110301", now, day));
    EXPECT_EQ(day, date(2011, 3, 1));
    ASSERT_TRUE(parseDate("today", now, day));
    EXPECT_EQ(day, now);
    ASSERT_TRUE(parseDate("yesterday", now, day));
    EXPECT_EQ(day, date(2011, 3, 13));
    ASSERT_TRUE(parseDate("-14", now, day));
    EXPECT_EQ(day, date(2011, 2, 28)) << "calendar days back";
    ASSERT_TRUE(parseDate("-0", now, day));
    EXPECT_EQ(day, now);
    for (const char* bad : {"2011-02-29", "2011-3-14", "2011-13-01", "201103014", "1899-12-31", "",
                            "-", "-x", "+3", "Today", "2011/03/14", "-999999999"})
        EXPECT_FALSE(parseDate(bad, now, day)) << bad;
}

TEST(StatCalendar, IsoWeeksOverYearEnds) {
    EXPECT_EQ(isoWeek(date(2010, 1, 3)), "2009-W53");
    EXPECT_EQ(isoWeek(date(2010, 1, 4)), "2010-W01");
    EXPECT_EQ(isoWeek(date(2011, 1, 2)), "2010-W52");
    EXPECT_EQ(isoWeek(date(2012, 12, 31)), "2013-W01");
    EXPECT_EQ(isoWeek(date(2011, 3, 14)), "2011-W11");
    EXPECT_EQ(isoWeekday(date(2011, 3, 14)), 0);
    EXPECT_EQ(posixWeekday(date(2011, 3, 13)), 0);
    EXPECT_EQ(monthOf(date(2011, 3, 14)), "2011-03");
    EXPECT_EQ(compactDate(date(2011, 3, 14)), "20110314");
}

TEST(StatCalendar, DaylightSavingDaysInWarsaw) {
    Zone zone("Europe/Warsaw");
    EXPECT_FALSE(hourExists(date(2011, 3, 27), 2));
    EXPECT_TRUE(hourExists(date(2011, 3, 27), 3));
    EXPECT_TRUE(hourExists(date(2011, 10, 30), 2));
    EXPECT_EQ(dayStart(date(2011, 3, 28)) - dayStart(date(2011, 3, 27)), 23 * 3600);
    EXPECT_EQ(dayStart(date(2011, 10, 31)) - dayStart(date(2011, 10, 30)), 25 * 3600);
    int from = 0, to = 0;
    EXPECT_FALSE(repeatedHour(date(2011, 3, 27), from, to));
    ASSERT_TRUE(repeatedHour(date(2011, 10, 30), from, to));
    EXPECT_EQ(from, hm(2, 0));
    EXPECT_EQ(to, hm(3, 0));
}

TEST(StatOptions, DefaultsAndRanges) {
    Day now = date(2011, 3, 14);
    auto parse = [&](std::vector<std::string> args, Options& options, std::string& error) {
        std::vector<char*> argv{const_cast<char*>("pcstat")};
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        return parseOptions(static_cast<int>(argv.size()) - 1, argv.data(), now, options, error);
    };
    Options o;
    std::string error;
    ASSERT_TRUE(parse({"door1"}, o, error));
    EXPECT_EQ(o.from, now);
    EXPECT_EQ(o.to, now);
    EXPECT_EQ(o.by, Period::hour);
    EXPECT_EQ(o.format, OutputFormat::table);
    EXPECT_EQ(o.entrances, std::vector<std::string>{"door1"});
    ASSERT_TRUE(parse({"--days", "7", "--to", "yesterday", "a", "b/c.csv"}, o, error));
    EXPECT_EQ(o.from, date(2011, 3, 7));
    EXPECT_EQ(o.to, date(2011, 3, 13));
    EXPECT_EQ(o.by, Period::day);
    EXPECT_EQ(o.entrances.size(), 2u);
    ASSERT_TRUE(parse({"--from=-2", "--by", "weekday", "--format", "json"}, o, error));
    EXPECT_EQ(o.from, date(2011, 3, 12));
    EXPECT_EQ(o.to, now);
    EXPECT_EQ(o.by, Period::weekday);
    ASSERT_TRUE(parse({"--to", "2011-03-10"}, o, error));
    EXPECT_EQ(o.from, date(2011, 3, 10)) << "--from defaults to --to";
    EXPECT_FALSE(parse({"--days", "3", "--from", "-5"}, o, error));
    EXPECT_EQ(error, "--days nie laczy sie z --from");
    EXPECT_FALSE(parse({"-x"}, o, error));
    EXPECT_EQ(error, "nieznana opcja -x");
}

// ---- expected moments

TEST(StatExpected, AgreesWithTheLoopSecondBySecond) {
    struct Case {
        const char* hours;
        int interval;
    } cases[] = {{"09:00-21:00", 900},  {"00:00-24:00", 900}, {"00:00-20:00", 600},
                 {"00:00-00:00", 900},  {"12:00-12:00", 900}, {"20:00-08:00", 60},
                 {"09:00-21:00", 1000}, {"09:05-09:40", 900}, {"23:00-24:30", 900},
                 {"00:00-24:00", 10},   {"02:00-03:30", 70},  {"09:00-24:00", 86399}};
    Day sampleDays[] = {date(2011, 3, 14), date(2011, 3, 27), date(2011, 3, 28), date(2011, 10, 30),
                        date(2011, 10, 31)};
    for (const char* zone : {"UTC", "Europe/Warsaw"}) {
        Zone z(zone);
        for (const Case& c : cases)
            for (Day day : sampleDays)
                EXPECT_EQ(moments(every(c.hours, c.interval), day),
                          modelMoments(every(c.hours, c.interval), day))
                    << zone << " " << c.hours << " every " << c.interval << " on "
                    << dashedDate(day);
    }
    // Weekdays with different hours: an evening until midnight before a
    // closed day, a day opening at midnight after a closed one.
    Schedule mixed = every("09:00-21:00", 900);
    mixed.closeTimes[1] = 86400;                   // Monday until 24:00
    mixed.openTimes[2] = mixed.closeTimes[2] = 0;  // Tuesday 00:00-00:00
    mixed.openTimes[3] = 0;                        // Wednesday from 00:00
    mixed.closeTimes[3] = hm(20, 0);
    Zone z("Europe/Warsaw");
    for (int i = 0; i < 7; ++i) {
        Day day = date(2011, 3, 13) + days{i};
        EXPECT_EQ(moments(mixed, day), modelMoments(mixed, day)) << dashedDate(day);
    }
}

TEST(StatExpected, DaysInTurnAgreeWithEachDayWalkedAlone) {
    // Days in turn through both daylight-saving changes, with weekdays of
    // different hours: the moments kept from a day of the same weekday,
    // moved to the day, are those of the day walked alone, sample times
    // included.
    auto same = [](const std::vector<ExpectedMoment>& a, const std::vector<ExpectedMoment>& b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (a[i].second != b[i].second || a[i].when != b[i].when ||
                a[i].dayBefore != b[i].dayBefore)
                return false;
        return true;
    };
    Schedule mixed = every("09:00-21:00", 1000);
    mixed.closeTimes[1] = 86400;  // Monday until 24:00
    mixed.openTimes[2] = 0;       // Tuesday 00:00-20:00
    mixed.closeTimes[2] = hm(20, 0);
    mixed.openTimes[0] = mixed.closeTimes[0] = 0;  // Sunday 00:00-00:00
    for (const char* zone : {"UTC", "Europe/Warsaw"})
        for (const Schedule& schedule :
             {mixed, every("00:00-24:00", 10), every("02:00-03:30", 70)}) {
            Zone z(zone);
            for (Day first : {date(2011, 3, 14), date(2011, 10, 17)}) {
                DayMoments inTurn(schedule);
                for (int i = 0; i < 28; ++i) {
                    Day day = first + days{i};
                    std::vector<ExpectedMoment> kept, alone;
                    inTurn.of(day, kept);
                    expectedMoments(schedule, day, alone);
                    ASSERT_TRUE(same(kept, alone)) << zone << " " << dashedDate(day);
                }
            }
        }
}

TEST(StatExpected, TheMidnightRules) {
    Zone z("UTC");
    Day monday = date(2011, 3, 14);
    std::vector<int> shop = moments(every("09:00-21:00", 900), monday);
    ASSERT_EQ(shop.size(), 49u);
    EXPECT_EQ(shop.front(), hm(9, 0));
    EXPECT_EQ(shop.back(), hm(21, 0));
    std::vector<int> allDay = moments(every("00:00-24:00", 900), monday);
    ASSERT_EQ(allDay.size(), 96u) << "the day before's 23:59:59, then 00:15 to 23:45";
    EXPECT_EQ(allDay.front(), hm(23, 59, 59));
    EXPECT_EQ(allDay[1], hm(0, 15)) << "no cycle at 00:00:00 while the last one runs";
    EXPECT_EQ(allDay.back(), hm(23, 45));
    Schedule evening = every("12:00-12:00", 900);
    evening.openTimes[1] = 0;  // Monday 00:00-20:00: its extra cycle opens Tuesday's file
    evening.closeTimes[1] = hm(20, 0);
    std::vector<int> tuesday = moments(evening, monday + days{1});
    EXPECT_EQ(tuesday, std::vector<int>{0});
    EXPECT_TRUE(moments(every("12:00-12:00", 900), monday).empty()) << "closed: no record";
    EXPECT_EQ(momentText(hm(23, 59, 59), 900), "23:59");
    EXPECT_EQ(momentText(hm(8, 15, 30), 30), "08:15.30");
}

// ---- a day's file

TEST(StatDayFile, DayEndRecordsAtTheHeadBelongToTheDayBefore) {
    auto owners = [](const std::string& content) {
        std::string text;
        for (const DayLine& line : headOf(content)) {
            if (line.kind != LineClass::record) {
                text += "x";
                continue;
            }
            text += line.dayBefore ? "B" : "T";
        }
        return text;
    };
    EXPECT_EQ(owners(rec("23:59", 1) + rec("00:15", 2)), "BT");
    EXPECT_EQ(owners(rec("23:59.59", 1) + rec("00:00.10", 2)), "BT");
    EXPECT_EQ(owners(rec("23:59", 1)), "B") << "followed by nothing";
    EXPECT_EQ(owners(rec("23:59", 1) + "junk\n" + rec("09:00", 2)), "BxT");
    EXPECT_EQ(owners(rec("23:59", 1) + rec("23:59.30", 2)), "TT") << "not an earlier time";
    EXPECT_EQ(owners(rec("23:58", 1) + rec("09:00", 2)), "TT");
    EXPECT_EQ(owners(rec("09:00", 1) + rec("23:59", 2)), "TT") << "only at the head";
    std::string many;
    for (int i = 0; i < 12; ++i) many += rec("23:59", i);
    EXPECT_EQ(owners(many), std::string(12, 'T')) << "more than a day's end holds";
}

TEST(StatDayFile, LinesAreClassified) {
    std::string bad = "10:00;   100; 0; 0;0X0000\n";
    std::vector<std::string> checksums;
    std::vector<DayLine> lines =
        headOf(rec("10:00", 100) + bad + "1:00;     1; 0; 0;" + checksumText("1:00;     1; 0; 0;") +
                   "\n" + std::string(120, 'z') + "\n" + rec("23:59", 5) + "10:1",
               &checksums);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].kind, LineClass::record);
    EXPECT_EQ(lines[0].second, hm(10, 0));
    EXPECT_FALSE(lines[0].withSeconds);
    EXPECT_EQ(lines[1].kind, LineClass::checksum);
    EXPECT_EQ(checksums[1], "0X0000");
    EXPECT_EQ(lines[2].kind, LineClass::malformed);
    EXPECT_EQ(lines[2].reason, MalformedReason::time);
    EXPECT_EQ(lines[3].reason, MalformedReason::overlong);
    EXPECT_EQ(lines[3].number, 4);
    EXPECT_EQ(lines[4].kind, LineClass::record);
    EXPECT_EQ(lines[5].reason, MalformedReason::unterminated);
    int second = 0;
    bool withSeconds = false;
    EXPECT_TRUE(readRecordTime("08:15.30", second, withSeconds));
    EXPECT_EQ(second, hm(8, 15, 30));
    EXPECT_TRUE(withSeconds);
    for (const char* bad : {"24:00", "12:60", "12:00.60", "12:00:00", "1200", " 12:00"})
        EXPECT_FALSE(readRecordTime(bad, second, withSeconds)) << bad;
}

TEST(StatIncrease, WrapResetAndTheFirstRecord) {
    IncreaseTracker tracker;
    Fall fall;
    EXPECT_EQ(tracker.take(500, fall), 0);
    EXPECT_EQ(tracker.take(520, fall), 20);
    EXPECT_EQ(fall, Fall::none);
    EXPECT_EQ(tracker.take(3, fall), 3) << "a fall from below 900000 is a reset";
    EXPECT_EQ(fall, Fall::reset);
    tracker.seed(999990);
    EXPECT_EQ(tracker.take(15, fall), 25);
    EXPECT_EQ(fall, Fall::wrap);
    tracker.seed(900000);
    EXPECT_EQ(tracker.take(99999, fall), 199999);
    tracker.seed(900000);
    EXPECT_EQ(tracker.take(100000, fall), 100000) << "not below 100000: a reset";
    EXPECT_EQ(fall, Fall::reset);
    EXPECT_EQ(tracker.take(100000, fall), 0);
}

// ---- texts

TEST(StatTexts, PolishCountsAndQuoting) {
    EXPECT_EQ(polishCount(1, "uwaga", "uwagi", "uwag"), "1 uwaga");
    EXPECT_EQ(polishCount(3, "uwaga", "uwagi", "uwag"), "3 uwagi");
    EXPECT_EQ(polishCount(5, "uwaga", "uwagi", "uwag"), "5 uwag");
    EXPECT_EQ(polishCount(12, "uwaga", "uwagi", "uwag"), "12 uwag");
    EXPECT_EQ(polishCount(22, "uwaga", "uwagi", "uwag"), "22 uwagi");
    EXPECT_EQ(polishCount(0, "uwaga", "uwagi", "uwag"), "0 uwag");
    EXPECT_EQ(csvField("door1"), "door1");
    EXPECT_EQ(csvField("a,b"), "\"a,b\"");
    EXPECT_EQ(csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(csvField("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(jsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\u000a\\u0001\"");
}

// ---- pcstat's table as a chart

namespace {

PeriodRow row(PeriodRow made, std::vector<long long> visitors) {
    for (long long v : visitors) made.entrances.push_back(PeriodCounts{v, 4, 1, 0});
    return made;
}

PeriodRow hourRow(Day day, int hour, std::vector<long long> visitors) {
    return row({.day = day, .hour = hour, .entrances = {}}, std::move(visitors));
}

PeriodRow dayRow(Day day, std::vector<long long> visitors) {
    return row({.day = day, .entrances = {}}, std::move(visitors));
}

}  // namespace

TEST(ChartFromTable, HoursOfSeveralDaysAreGroupedByDayAndAnEmptyDayKeepsItsPlace) {
    StatTable table;
    table.entrances = {"door1", "door2"};
    table.by = Period::hour;
    table.from = date(2011, 3, 13);
    table.to = date(2011, 3, 16);
    // Nothing on the 13th and the 15th; three hours on the 14th, one on the 16th.
    table.rows = {hourRow(date(2011, 3, 14), 9, {5, 1}), hourRow(date(2011, 3, 14), 10, {7, 0}),
                  hourRow(date(2011, 3, 14), 11, {0, 2}), hourRow(date(2011, 3, 16), 23, {3, 3})};
    const ChartInput input = chartInputFromTable(table);
    EXPECT_EQ(input.title,
              "Odwiedzający, wejścia: door1, door2 — dni 2011-03-13 - 2011-03-16 "
              "(4 dni), słupek na godzinę");
    EXPECT_EQ(input.entrances, table.entrances);
    EXPECT_EQ(input.total, 21);
    const std::vector<std::string> periods{"", "", "", "09", "10", "11", "", "", "", "23"};
    const std::vector<std::string> groups{"2011-03-13", "2011-03-13", "2011-03-13", "2011-03-14",
                                          "2011-03-14", "2011-03-14", "2011-03-15", "2011-03-15",
                                          "2011-03-15", "2011-03-16"};
    EXPECT_EQ(input.periods, periods);
    EXPECT_EQ(input.groups, groups);
    ASSERT_EQ(input.visitors.size(), 10u);
    EXPECT_EQ(input.visitors[3], (std::vector<long long>{5, 1}));
    EXPECT_EQ(input.visitors[5], (std::vector<long long>{0, 2}));
    EXPECT_EQ(input.visitors[9], (std::vector<long long>{3, 3}));
    EXPECT_EQ(input.visitors[0], (std::vector<long long>{}));
}

TEST(ChartFromTable, HoursOfOneDayAreNotGrouped) {
    StatTable table;
    table.entrances = {"door1"};
    table.by = Period::hour;
    table.from = table.to = date(2011, 3, 14);
    table.rows = {hourRow(date(2011, 3, 14), 9, {5}), hourRow(date(2011, 3, 14), 10, {0}),
                  hourRow(date(2011, 3, 14), 11, {9})};
    const ChartInput input = chartInputFromTable(table);
    EXPECT_EQ(input.title,
              "Odwiedzający, wejście: door1 — dzień 2011-03-14, poniedziałek, słupek na godzinę");
    EXPECT_EQ(input.periods, (std::vector<std::string>{"09", "10", "11"}));
    EXPECT_TRUE(input.groups.empty());
    EXPECT_EQ(input.total, 14);

    // Past four entrances the title counts them and the legend names them.
    table.entrances = {"door1", "door2", "door3", "door4"};
    EXPECT_EQ(chartInputFromTable(table).title,
              "Odwiedzający, wejścia: door1, door2, door3, door4 — dzień 2011-03-14, "
              "poniedziałek, słupek na godzinę");
    table.entrances.push_back("door5");
    EXPECT_EQ(chartInputFromTable(table).title,
              "Odwiedzający, 5 wejść — dzień 2011-03-14, poniedziałek, słupek na godzinę");
    EXPECT_EQ(chartInputFromTable(table).entrances, table.entrances);
}

TEST(ChartFromTable, OtherPeriodsKeepTheirRowsAndWeekdaysAreNamedInPolish) {
    StatTable table;
    table.entrances = {"door1"};
    table.from = date(2011, 3, 1);
    table.to = date(2011, 3, 31);
    table.by = Period::weekday;
    for (int weekday = 0; weekday < 7; ++weekday)
        table.rows.push_back(row({.weekday = weekday, .entrances = {}}, {10}));
    ChartInput input = chartInputFromTable(table);
    EXPECT_EQ(input.title,
              "Odwiedzający, wejście: door1 — dni 2011-03-01 - 2011-03-31 (31 dni), "
              "słupek na dzień tygodnia");
    EXPECT_EQ(input.periods,
              (std::vector<std::string>{"poniedziałek", "wtorek", "środa", "czwartek", "piątek",
                                        "sobota", "niedziela"}));
    EXPECT_EQ(input.total, 70);

    // Days with their weekday; weeks and months as the CSV writes them.
    table.by = Period::day;
    table.from = date(2011, 3, 13);
    table.to = date(2011, 3, 14);
    table.rows = {dayRow(date(2011, 3, 13), {1}), dayRow(date(2011, 3, 14), {0})};
    input = chartInputFromTable(table);
    EXPECT_EQ(
        input.title,
        "Odwiedzający, wejście: door1 — dni 2011-03-13 - 2011-03-14 (2 dni), słupek na dzień");
    EXPECT_EQ(input.periods, (std::vector<std::string>{"nd 13.03", "pn 14.03"}));
    EXPECT_EQ(input.visitors, (std::vector<std::vector<long long>>{{1}, {0}}));
    // A row carries a day of its week or month; the label is its csv text.
    struct Kind {
        Period by;
        const char* name;
        std::vector<std::string> labels;
    };
    const Kind kinds[] = {{Period::week, "tydzień (ISO)", {"2011-W11", "2011-W13"}},
                          {Period::month, "miesiąc", {"2011-03", "2011-04"}}};
    for (const Kind& kind : kinds) {
        table.by = kind.by;
        table.rows = {dayRow(date(2011, 3, 14), {0}), dayRow(date(2011, 4, 1), {2})};
        input = chartInputFromTable(table);
        EXPECT_EQ(input.title, std::string("Odwiedzający, wejście: door1 — dni 2011-03-13 - "
                                           "2011-03-14 (2 dni), słupek na ") +
                                   kind.name);
        EXPECT_EQ(input.periods, kind.labels);
        EXPECT_TRUE(input.groups.empty());
        EXPECT_EQ(input.visitors, (std::vector<std::vector<long long>>{{0}, {2}}));
        EXPECT_EQ(input.total, 2);
    }
}

TEST(ChartFromTable, CarriedVisitorsAndClosedDaysReachTheChart) {
    StatTable table;
    table.entrances = {"door1"};
    table.scheduled = {true};
    table.by = Period::day;
    table.from = date(2011, 3, 12);
    table.to = date(2011, 3, 14);
    table.rows = {dayRow(date(2011, 3, 12), {40}), dayRow(date(2011, 3, 13), {0}),
                  dayRow(date(2011, 3, 14), {35})};
    for (PeriodRow& r : table.rows) r.entrances[0].days = 1;
    table.rows[0].entrances[0].openDays = 1;
    table.rows[1].entrances[0].records = 0;  // closed: no open day, no record
    table.rows[2].entrances[0].openDays = 1;
    table.rows[2].entrances[0].carried = 20;
    const ChartInput input = chartInputFromTable(table);
    EXPECT_EQ(input.carried, (std::vector<std::vector<long long>>{{0}, {0}, {20}}));
    EXPECT_EQ(input.notes, (std::vector<std::string>{"", "zamknięte", ""}));
    EXPECT_EQ(input.carriedLabel, "po przerwie w odczytach");
    table.scheduled = {false};  // without a schedule nothing is known closed
    EXPECT_EQ(chartInputFromTable(table).notes, (std::vector<std::string>{"", "", ""}));
}

TEST(StatEntrance, TheScheduleIsTheOpeningTableTheStartUpWouldBuild) {
    testsupport::ScratchDir dir("stat_schedule");
    std::string path = dir.path + "/door1.conf";
    testsupport::writeFile(path,
                           "portname = /dev/null\nentry = x.csv\nrecordtime = 5\n"
                           "opentime = 9:00-21:00\nSaturday = 10:00-14:00\n");
    Schedule s;
    ASSERT_TRUE(readSchedule(path, s));
    EXPECT_EQ(s.interval, minInterval);
    EXPECT_EQ(s.openTimes[1], hm(9, 0));
    EXPECT_EQ(s.closeTimes[1], hm(21, 0));
    EXPECT_EQ(s.openTimes[6], hm(10, 0));
    EXPECT_EQ(s.closeTimes[6], hm(14, 0));

    // A day that does not decode, or no opentime: the poller refuses it.
    Schedule untouched = every("08:00-09:00", 900);
    for (const char* text : {"recordtime = 900\nopentime = 9:00-21:00\nMonday = 9.00-21.00\n",
                             "recordtime = 900\nSunday = 9:00-21:00\n"}) {
        testsupport::writeFile(path, text);
        Schedule kept = untouched;
        EXPECT_FALSE(readSchedule(path, kept)) << text;
        EXPECT_EQ(kept.openTimes[0], hm(8, 0));
        EXPECT_EQ(kept.interval, 900);
    }
}

TEST(StatEntrance, AnUnreadableConfigurationIsToldAndLeftOutQuietly) {
    testsupport::ScratchDir dir("stat_unreadable");
    testsupport::writeFile(dir.path + "/door2.conf", "portname = /dev/null\nentry = b.csv\n");
    testsupport::writeFile(dir.path + "/door1.conf", "portname = /dev/null\nentry = a.csv\n");
    testsupport::writeFile(dir.path + "/notes.conf", "entry = c.csv\n");
    std::string gone = dir.path + "/door0.conf";
    ASSERT_EQ(symlink((dir.path + "/removed").c_str(), gone.c_str()), 0);
    std::vector<std::string> told;
    testing::internal::CaptureStdout();
    std::vector<std::string> names =
        configuredEntrances(dir.path + "/", [&](const std::string& path, int error) {
            told.push_back(path + ": " + std::strerror(error));
        });
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(names, (std::vector<std::string>{"door1", "door2"}));
    EXPECT_EQ(told, std::vector<std::string>{gone + ": No such file or directory"});
    EXPECT_EQ(configuredEntrances(dir.path + "/"), names);  // nobody to tell
}
