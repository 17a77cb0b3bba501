// Poller stages that need no process: the answer parser, the byte dump,
// the decoding of settings, the record line and the schedule rule.
#include <gtest/gtest.h>

#include "poller.h"

namespace {

struct Parsed {
    int total;
    int faults;
};

Parsed parse(const std::string& answer, int previousTotal = 77, int previousFaults = 9) {
    Parsed p{previousTotal, previousFaults};
    getdata(answer, p.total, p.faults);
    return p;
}

}  // namespace

TEST(GetData, ValueAfterLineFeedAndCarriageReturn) {
    EXPECT_EQ(parse("\n\r000123").total, 123);
    EXPECT_EQ(parse("\n\r000123").faults, 0);
    EXPECT_EQ(parse("\n\r999999").total, 999999);
    EXPECT_EQ(parse("\n\r000000").total, 0);
}

TEST(GetData, MarkerOrderMatters) {
    EXPECT_EQ(parse("\r\n000123").total, 77);
    EXPECT_EQ(parse("\n\n\r000042").total, 42);
    EXPECT_EQ(parse("\n \r000042").total, 77);
}

TEST(GetData, PhotocellFaults) {
    Parsed one = parse("\n\rF");
    EXPECT_EQ(one.faults, 1);
    EXPECT_EQ(one.total, 77);
    EXPECT_EQ(parse("\n\rF\n\rF\n\r000005").faults, 2);
    EXPECT_EQ(parse("\n\rF\n\rF\n\r000005").total, 5);
    EXPECT_EQ(parse("F\rF\nF").faults, 0) << "only an F right after the marker counts";
    EXPECT_EQ(parse("\n\r000001").faults, 0) << "every answer sets the fault count anew";
}

TEST(GetData, ValueIsExactlySixDigits) {
    EXPECT_EQ(parse("\n\r12345\n").total, 77);
    EXPECT_EQ(parse("\n\r12345").total, 77);
    EXPECT_EQ(parse("\n\r1234567").total, 123456);
    EXPECT_EQ(parse("\n\r12a456").total, 77);
}

TEST(GetData, LastCompleteValueWins) {
    EXPECT_EQ(parse("\n\r000100junk\n\r000105").total, 105);
    EXPECT_EQ(parse("\n\r000100\n\r0001").total, 100);
    EXPECT_EQ(parse("\n\r0001\n\r000024").total, 24) << "a line feed breaks off a digit run";
}

TEST(GetData, GarbageGivesNothing) {
    EXPECT_EQ(parse("xyz\r\n12\x80\xff\x7f").total, 77);
    EXPECT_EQ(parse("").total, 77);
    EXPECT_EQ(parse("").faults, 0);
    EXPECT_EQ(parse(std::string("\n\r00\0"
                                "0123",
                                9))
                  .total,
              77)
        << "a zero byte ends the text";
}

TEST(GetData, OnlyTheFirst255CharactersAreScanned) {
    std::string filler(247, 'A');
    EXPECT_EQ(parse(filler + "\n\r000321").total, 321) << "value ends at character 255";
    EXPECT_EQ(parse(filler + "A\n\r000321").total, 77) << "sixth digit is character 256";
    EXPECT_EQ(parse(std::string(100000, '\n') + "\r000001").total, 77);
}

TEST(ByteDump, PrintableBareOthersInHex) {
    EXPECT_EQ(byteDump("\n\r000123"), "0ah 0dh 000123");
    EXPECT_EQ(byteDump(std::string("\0 ~\x7f", 4)), "00h  ~7fh ");
    EXPECT_EQ(byteDump("\x80\xff"), "ffffff80h ffffffffh ");
    EXPECT_EQ(byteDump(""), "");
}

TEST(Verbosity, FirstArgumentOnly) {
    auto level = [](std::vector<std::string> words) {
        std::vector<char*> argv;
        for (auto& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        return verbosityFromArgument(static_cast<int>(words.size()), argv.data());
    };
    EXPECT_EQ(level({"pcpoll"}), 0);
    EXPECT_EQ(level({"pcpoll", "-v"}), 1);
    EXPECT_EQ(level({"pcpoll", "-vv", "-x"}), 2);
    EXPECT_EQ(level({"pcpoll", "-x", "-v"}), 3);
    EXPECT_EQ(level({"pcpoll", "-V"}), 3);
    EXPECT_EQ(level({"pcpoll", "--v"}), 3);
    EXPECT_EQ(level({"pcpoll", ""}), 3);
}

TEST(Decode, RecordInterval) {
    EXPECT_EQ(decodeRecordtime("900"), 900);
    EXPECT_EQ(decodeRecordtime("5"), 10);
    EXPECT_EQ(decodeRecordtime("9"), 10);
    EXPECT_EQ(decodeRecordtime("10"), 10);
    EXPECT_EQ(decodeRecordtime("abc"), 10);
    EXPECT_EQ(decodeRecordtime("60s"), 60);
    EXPECT_EQ(decodeRecordtime("-600"), 10);
    EXPECT_EQ(decodeRecordtime("+600"), 600);
    EXPECT_EQ(decodeRecordtime(std::string(400, '9')), 2147483647);
}

TEST(Decode, OpeningHours) {
    int open = -1, close = -1, numbers[4] = {};
    ASSERT_TRUE(decodeHours("8:00-20:00", open, close, numbers));
    EXPECT_EQ(open, 8 * 3600);
    EXPECT_EQ(close, 20 * 3600);
    ASSERT_TRUE(decodeHours("08:00-20:00", open, close, numbers));
    EXPECT_EQ(open, 8 * 3600);
    ASSERT_TRUE(decodeHours("09:00-21:00h", open, close, numbers));
    EXPECT_EQ(close, 21 * 3600);
    ASSERT_TRUE(decodeHours("00:00-24:00", open, close, numbers));
    EXPECT_EQ(close, 86400);
    ASSERT_TRUE(decodeHours("10:30-14:45", open, close, numbers));
    EXPECT_EQ(open, 10 * 3600 + 30 * 60);
    EXPECT_EQ(close, 14 * 3600 + 45 * 60);
    EXPECT_EQ(numbers[3], 45);
    open = close = -1;
    EXPECT_FALSE(decodeHours("08.00-20.00", open, close, numbers));
    EXPECT_FALSE(decodeHours("009:00-21:00", open, close, numbers));
    EXPECT_FALSE(decodeHours("", open, close, numbers));
    EXPECT_FALSE(decodeHours("08:00-20", open, close, numbers));
    EXPECT_EQ(open, -1) << "a failed decoding leaves the table alone";
}

TEST(Decode, NameBreakAtTheFirstPoint) {
    std::string base, ext;
    nameBreak("/var/log/korvane/door1.csv", base, ext);
    EXPECT_EQ(base, "/var/log/korvane/door1");
    EXPECT_EQ(ext, "csv");
    nameBreak("/data/set.1/d.csv", base, ext);
    EXPECT_EQ(base, "/data/set");
    EXPECT_EQ(ext, "1/d.csv");
    nameBreak("/var/log/korvane/door1", base, ext);
    EXPECT_EQ(base, "/var/log/korvane/door1");
    EXPECT_EQ(ext, "");
    Settings s;
    s.base = base;
    s.ext = ext;
    EXPECT_EQ(reportFileName(s, "20110314"), "/var/log/korvane/door1_20110314.");
}

TEST(Record, BodyChecksumAndLine) {
    PollResult answered{123, 0, 0};
    EXPECT_EQ(recordBody("12:00", answered), "12:00;   123; 0; 0;");
    EXPECT_EQ(checksumText("12:00;   123; 0; 0;"), "0X8EB2");
    Settings s;
    verbose = levelQuiet;
    std::string line = formRecord(s, "12:00", answered);
    EXPECT_EQ(line, "12:00;   123; 0; 0;0X8EB2\n");
    EXPECT_EQ(line.size(), 26u);
    std::string seconds = formRecord(s, "08:15.30", PollResult{0, 0, 1});
    EXPECT_EQ(seconds, "08:15.30;     0; 0; 1;0X0A66\n");
    EXPECT_EQ(seconds.size(), 29u);
    EXPECT_EQ(recordBody("10:00", PollResult{999999, 12, 1}), "10:00;999999;12; 1;");
}

TEST(Schedule, TwentyFourHundredIsTestedAtTheLastSecond) {
    EXPECT_EQ(closingSecond(86400), 86399);
    EXPECT_EQ(closingSecond(86399), 86399);
    EXPECT_EQ(closingSecond(88200), 88200) << "only 24:00 itself is mapped";
    EXPECT_EQ(closingSecond(0), 0);
}

namespace {
std::vector<int> dueSeconds(int open, int close, int interval) {
    std::vector<int> due;
    for (int second = 0; second < secondsPerDay; ++second)
        if (isDue(second, open, closingSecond(close), interval)) due.push_back(second);
    return due;
}
int hm(int hours, int minutes) { return hours * 3600 + minutes * 60; }
}  // namespace

TEST(Schedule, IntervalMultiplesWithinTheHoursBothEndsIncluded) {
    std::vector<int> due = dueSeconds(hm(9, 0), hm(21, 0), 900);
    ASSERT_EQ(due.size(), 49u);
    EXPECT_EQ(due.front(), hm(9, 0));
    EXPECT_EQ(due[1], hm(9, 15));
    EXPECT_EQ(due.back(), hm(21, 0));
}

TEST(Schedule, IntervalThatDoesNotDivideTheHour) {
    std::vector<int> due = dueSeconds(hm(9, 0), hm(21, 0), 1000);
    ASSERT_GE(due.size(), 4u);
    EXPECT_EQ(due[0], hm(9, 0));
    EXPECT_EQ(due[1], hm(9, 10));
    EXPECT_EQ(due[2], hm(9, 26) + 40);
    EXPECT_EQ(due.back(), hm(21, 0));
    EXPECT_EQ(due.size(), 2u + (hm(21, 0) - 1) / 1000 - hm(9, 0) / 1000);
}

TEST(Schedule, OpeningAndClosingOffTheGrid) {
    std::vector<int> due = dueSeconds(hm(9, 5), hm(9, 40), 900);
    EXPECT_EQ(due, (std::vector<int>{hm(9, 5), hm(9, 15), hm(9, 30), hm(9, 40)}));
}

TEST(Schedule, MidnightAndClosedDays) {
    std::vector<int> allDay = dueSeconds(0, 86400, 900);
    EXPECT_EQ(allDay.size(), 97u);
    EXPECT_EQ(allDay.front(), 0);
    EXPECT_EQ(allDay.back(), 86399);
    EXPECT_EQ(dueSeconds(hm(12, 0), hm(12, 0), 900), std::vector<int>{hm(12, 0)});
    EXPECT_EQ(dueSeconds(0, 0, 900), std::vector<int>{0});
    EXPECT_TRUE(dueSeconds(hm(20, 0), hm(8, 0), 900).empty());
    std::vector<int> late = dueSeconds(hm(23, 0), hm(24, 30), 900);
    EXPECT_EQ(late.back(), hm(23, 45)) << "a closing after 24:00 has no closing cycle";
}

TEST(Health, GoodSilentOrWithoutValue) {
    int total = 7, faults = 0;
    EXPECT_TRUE(getdata("\n\r000123", total, faults));
    EXPECT_FALSE(getdata("\n\rF", total, faults)) << "a fault marker is no value";
    EXPECT_FALSE(getdata("\n\r12345\n", total, faults));
    EXPECT_EQ(classifyPoll(false, false, 0), healthSilent);
    EXPECT_EQ(classifyPoll(true, true, 0), healthGood);
    EXPECT_EQ(classifyPoll(true, false, 2), healthGood) << "fault markers are an answer";
    EXPECT_EQ(classifyPoll(true, false, 0), healthNoValue);
    EXPECT_EQ(healthText(healthSilent), "Licznik nie odpowiada");
    EXPECT_EQ(healthText(healthNoValue), "Licznik odpowiada bez wartosci");
    EXPECT_EQ(healthText(healthGood), "Licznik odpowiada poprawnie");
}

TEST(Journal, EveryLineGetsThePriorityAndEmptyLinesGo) {
    EXPECT_EQ(journalText(3, "\nprogram przerwany\n2011-03-14 08:05.03 STOP\n"),
              "<3>program przerwany\n<3>2011-03-14 08:05.03 STOP\n");
    EXPECT_EQ(journalText(4, "no line feed"), "<4>no line feed\n");
    EXPECT_EQ(journalText(6, ""), "");
}

TEST(Warnings, KeysGluedSettingsAndDaysThatNeverOpen) {
    Settings s;
    s.confPath = "door1.conf";
    for (int day = 0; day < daysPerWeek; ++day) {
        s.openTimes[day] = 9 * 3600;
        s.closeTimes[day] = 21 * 3600;
    }
    s.openTimes[6] = 12 * 3600;
    s.closeTimes[6] = 12 * 3600;  // closed on purpose: no warning
    s.openTimes[3] = 24 * 3600;   // 24:00-21:00
    std::vector<std::string> tokens = {
        "portname",   "=",     "/dev/ttyS0", "Entry",        "=",       "x", "Entry", "=", "y",
        "comlog=yes", "entry", "=",          "/srv/a=b.csv", "metrics", "=", "m.prom"};
    EXPECT_EQ(configurationWarnings(s, tokens),
              "Uwaga: nieznany parametr Entry w pliku door1.conf\n"
              "Uwaga: comlog=yes nie jest czytane, brak odstepow wokol = w pliku door1.conf\n"
              "Uwaga: Wednesday nigdy nie otwarte (24:00-21:00)\n")
        << "a value may hold '='; metrics is a key of the poller";
    s.openTimes[3] = 9 * 3600;
    EXPECT_EQ(configurationWarnings(s, {"portname", "=", "/dev/ttyS0"}), "");
}
