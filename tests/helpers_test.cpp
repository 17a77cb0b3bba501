// The shared helpers: configuration reader, checksum, line reader, clock
// and date texts, UTF-8 and the escaping of outside text.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <ctime>

#include "escape.h"
#include "pcutil.h"
#include "utf8.h"
#include "testsupport.h"

using testsupport::ScratchDir;
using testsupport::writeFile;

namespace {

struct ConfFile {
    explicit ConfFile(const std::string& text) : dir("helpers_conf") {
        path = dir.path + "/test.conf";
        writeFile(path, text);
    }
    ScratchDir dir;
    std::string path;
};

int lookUp(const std::string& text, const std::string& key, std::string& value,
           ConfSyntax syntax = confHashComments) {
    ConfFile file(text);
    return confRead(file.path, key, value, syntax);
}

}  // namespace

TEST(ConfRead, FindsTripleAndDropsTheLastUnterminatedToken) {
    std::string value = "untouched";
    EXPECT_EQ(lookUp("portname = /dev/ttyS0", "portname", value), 0);
    EXPECT_EQ(value, "untouched");
    EXPECT_EQ(lookUp("portname = /dev/ttyS0\n", "portname", value), 1);
    EXPECT_EQ(value, "/dev/ttyS0");
    EXPECT_EQ(lookUp("portname = /dev/ttyS0 ", "portname", value), 1);
}

TEST(ConfRead, EqualsSignMustStandAlone) {
    std::string value = "untouched";
    EXPECT_EQ(lookUp("portname=/dev/ttyS0\n", "portname", value), 0);
    EXPECT_EQ(lookUp("portname =/dev/ttyS0\n", "portname", value), 0);
    EXPECT_EQ(lookUp("Portname = x\n", "portname", value), 0);
    EXPECT_EQ(value, "untouched");
}

TEST(ConfRead, LastValueWinsAndAllAreCounted) {
    std::string value;
    EXPECT_EQ(lookUp("entry = a\nentry = b\n", "entry", value), 2);
    EXPECT_EQ(value, "b");
}

TEST(ConfRead, TripleMaySpreadOverLinesAndBlanks) {
    std::string value;
    EXPECT_EQ(lookUp("entry\n=\n/x.csv\n", "entry", value), 1);
    EXPECT_EQ(value, "/x.csv");
    EXPECT_EQ(lookUp("\t  entry \t =\t\t v1   \n\n", "entry", value), 1);
    EXPECT_EQ(value, "v1");
}

TEST(ConfRead, WindowSlidesOverEveryToken) {
    // "a = entry = v": the window sees (a,=,entry) then (=,entry,=) then
    // (entry,=,v): one match.
    std::string value;
    EXPECT_EQ(lookUp("a = entry = v\n", "entry", value), 1);
    EXPECT_EQ(value, "v");
    // A value can itself be a key of the next triple.
    EXPECT_EQ(lookUp("x = x = x\n", "x", value), 2);
}

TEST(ConfRead, CommentsOnlyInThePollerVariant) {
    std::string value = "untouched";
    EXPECT_EQ(lookUp("# entry = x\n", "entry", value, confHashComments), 0);
    EXPECT_EQ(value, "untouched");
    EXPECT_EQ(lookUp("# entry = x\n", "entry", value, confPlain), 1);
    EXPECT_EQ(value, "x");
}

TEST(ConfRead, CommentEndsTheTokenAtTheEndOfTheLine) {
    std::string value;
    EXPECT_EQ(lookUp("entry = abc#note = 5\n", "entry", value, confHashComments), 1);
    EXPECT_EQ(value, "abc");
    EXPECT_EQ(lookUp("entry = abc#note\n", "entry", value, confPlain), 1);
    EXPECT_EQ(value, "abc#note");
    // A comment on the last line without a line feed drops its token.
    EXPECT_EQ(lookUp("entry = abc#note", "entry", value, confHashComments), 0);
}

TEST(ConfRead, CarriageReturnIsTokenMaterial) {
    std::string value;
    EXPECT_EQ(lookUp("entry = door1\r\n", "entry", value), 1);
    EXPECT_EQ(value, "door1\r");
    EXPECT_EQ(lookUp("entry =\r door1\n", "entry", value), 0);
}

TEST(ConfRead, TokensBeyondEveryCapacityAreKeptWhole) {
    std::string longValue(100000, 'v');
    std::string longKey(5000, 'k');
    std::string value;
    EXPECT_EQ(lookUp(longKey + " = " + longValue + "\n", longKey, value), 1);
    EXPECT_EQ(value, longValue);
}

TEST(ConfRead, MissingFileSaysSoOnStandardOutput) {
    std::string value = "untouched";
    testing::internal::CaptureStdout();
    EXPECT_EQ(confRead("/nonexistent/pc.conf", "entry", value, confPlain), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "\nBlad - nie znaleziono pliku kofiguracji /nonexistent/pc.conf\n");
    EXPECT_EQ(value, "untouched");
}

TEST(ConfTokens, TheTokensConfReadSees) {
    ConfFile file("# head\nportname = /dev/ttyS0 # the port\ncomlog=yes\n\tlast");
    std::vector<std::string> tokens;
    ASSERT_TRUE(confTokens(file.path, confHashComments, tokens));
    EXPECT_EQ(tokens, (std::vector<std::string>{"portname", "=", "/dev/ttyS0", "comlog=yes"}))
        << "comments honoured, the unterminated last token dropped";
    ASSERT_TRUE(confTokens(file.path, confPlain, tokens));
    EXPECT_EQ(tokens.front(), "#");
    EXPECT_FALSE(confTokens(file.path + ".missing", confHashComments, tokens));
}

TEST(Checksum, WorkedValues) {
    EXPECT_EQ(checksumll("abc"), 0x2B54);
    EXPECT_EQ(checksumll("12:00;   123; 0; 0;"), 0x8EB2);
    EXPECT_EQ(checksumll("08:15.30;     0; 0; 1;"), 0x0A66);
    EXPECT_EQ(checksumll(""), 0);
}

TEST(Checksum, HighBytesCountAsNegative) {
    EXPECT_EQ(checksumll("\xff"), -257);
    EXPECT_EQ(fmt("0X%04X", checksumll("\xff")), "0XFFFFFEFF");
}

TEST(Checksum, OnlyTheFirst255CharactersCount) {
    std::string text(255, 'x');
    EXPECT_EQ(checksumll(text + "more text"), checksumll(text));
    EXPECT_NE(checksumll(std::string(254, 'x') + "y"), checksumll(text));
}

TEST(FGetLine, ReturnsLinesWithTheirLineFeedAndPiecesOfLongLines) {
    ScratchDir dir("helpers_fgetline");
    std::string path = dir.path + "/lines";
    writeFile(path, "ab\n\n" + std::string(150, 'x') + "\nlast");
    std::FILE* file = std::fopen(path.c_str(), "r");
    ASSERT_NE(file, nullptr);
    std::string line;
    EXPECT_EQ(fgetline(file, line, 100), 3);
    EXPECT_EQ(line, "ab\n");
    EXPECT_EQ(fgetline(file, line, 100), 1);
    EXPECT_EQ(line, "\n");
    EXPECT_EQ(fgetline(file, line, 100), 99);
    EXPECT_EQ(line, std::string(99, 'x'));
    EXPECT_EQ(fgetline(file, line, 100), 52);
    EXPECT_EQ(line, std::string(51, 'x') + "\n");
    EXPECT_EQ(fgetline(file, line, 100), 4);
    EXPECT_EQ(line, "last");
    EXPECT_EQ(fgetline(file, line, 100), 0);
    EXPECT_EQ(line, "");
    std::fclose(file);
}

TEST(FGetLine, LineFeedCountsWithinTheCapacity) {
    ScratchDir dir("helpers_fgetline_cap");
    std::string path = dir.path + "/lines";
    writeFile(path, "abc\n");
    std::FILE* file = std::fopen(path.c_str(), "r");
    ASSERT_NE(file, nullptr);
    std::string line;
    EXPECT_EQ(fgetline(file, line, 4), 3);
    EXPECT_EQ(line, "abc");
    EXPECT_EQ(fgetline(file, line, 4), 1);
    EXPECT_EQ(line, "\n");
    std::fclose(file);
}

TEST(FileExists, OnlyReadableFilesExist) {
    ScratchDir dir("helpers_exists");
    writeFile(dir.path + "/f", "x");
    EXPECT_EQ(fileExists(dir.path + "/f"), 1);
    EXPECT_EQ(fileExists(dir.path + "/missing"), 0);
}

TEST(HourMinute, SplitSecondsOfDay) {
    EXPECT_EQ(sTh(86399), 23);
    EXPECT_EQ(sTm(86399), 59);
    EXPECT_EQ(sTh(86400), 24);
    EXPECT_EQ(sTm(86400), 0);
    EXPECT_EQ(sTh(9 * 3600 + 15 * 60 + 59), 9);
    EXPECT_EQ(sTm(9 * 3600 + 15 * 60 + 59), 15);
}

// The clock helpers run against the real clock: they are compared with
// texts formed from the same moment, read around the call.
TEST(ClockTexts, DateSelectors) {
    std::tm parts{};
    parts.tm_year = 2011 - 1900;
    parts.tm_mon = 2;
    parts.tm_mday = 14;
    parts.tm_hour = 8;
    parts.tm_min = 5;
    parts.tm_sec = 3;
    setenv("TZ", "UTC", 1);
    tzset();
    std::time_t when = timegm(&parts);
    EXPECT_EQ(dateText(when, '0'), "20110314");
    EXPECT_EQ(dateText(when, '-'), "2011-03-14");
    EXPECT_EQ(dateText(when, '.'), "2011.03.14");
    EXPECT_EQ(timeText(when), "08:05.03");
}

TEST(ClockTexts, TodayAndDaysBack) {
    setenv("TZ", "UTC", 1);
    tzset();
    std::time_t before = std::time(nullptr);
    std::string today = getdate('0');
    std::string back = olddate(1, '-');
    std::string back0 = olddate(0, '0');
    std::time_t after = std::time(nullptr);
    if (dateText(before, '0') != dateText(after, '0')) GTEST_SKIP() << "midnight passed";
    EXPECT_EQ(today, dateText(before, '0'));
    EXPECT_EQ(back0, today);
    EXPECT_EQ(back, dateText(before - 86400, '-'));
    EXPECT_EQ(olddate(36500, '0'), dateText(before - 36500LL * 86400, '0'));
}

TEST(ClockTexts, DaysBackBeyondEveryCalendarGiveAnEmptyDate) {
    EXPECT_EQ(olddate(100000, '0').size(), 8u) << "about 274 years back still has a date";
    EXPECT_EQ(olddate(9'000'000'000'000'000'000LL, '0'), "");
    EXPECT_EQ(olddate(-9'000'000'000'000'000'000LL, '0'), "");
}

TEST(ClockTexts, WeekdayAndSecondsOfDayMatchTheClock) {
    setenv("TZ", "UTC", 1);
    tzset();
    std::time_t before = std::time(nullptr);
    int day = weekday();
    int second = gettimesec();
    std::string time = gettime();
    std::time_t after = std::time(nullptr);
    if (before != after) GTEST_SKIP() << "the clock moved on";
    std::tm parts{};
    gmtime_r(&before, &parts);
    EXPECT_EQ(day, parts.tm_wday);
    EXPECT_EQ(second, parts.tm_hour * 3600 + parts.tm_min * 60 + parts.tm_sec);
    EXPECT_EQ(time, timeText(before));
}

// ---- UTF-8 and the escaping of outside text

TEST(Utf8, SequenceLengthsByTheByteRangesOfWellFormedUtf8) {
    EXPECT_EQ(utf8SequenceLength("a", 0), 1u);
    EXPECT_EQ(utf8SequenceLength(std::string_view("\0", 1), 0), 1u);
    EXPECT_EQ(utf8SequenceLength("\xC5\x82", 0), 2u);          // ł
    EXPECT_EQ(utf8SequenceLength("\xE2\x96\x88", 0), 3u);      // U+2588
    EXPECT_EQ(utf8SequenceLength("\xF0\x9F\x98\x80", 0), 4u);  // U+1F600
    EXPECT_EQ(utf8SequenceLength("\xF4\x8F\xBF\xBF", 0), 4u);  // U+10FFFF
    // Not sequences: stray continuation, overlong forms, surrogates,
    // beyond U+10FFFF, lead bytes that never start one, cut short.
    for (const char* bad : {"\x80", "\xBF", "\xC0\x80", "\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80",
                            "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFE",
                            "\xFF", "\xC5", "\xE2\x96", "\xC5z"})
        EXPECT_EQ(utf8SequenceLength(bad, 0), 0u) << bad;
    // The end of the view is the end of the text, whatever follows it.
    EXPECT_EQ(utf8SequenceLength(std::string_view("\xC5\x82", 1), 0), 0u);
    EXPECT_EQ(utf8SequenceLength("a\xC5\x82", 1), 2u);
}

TEST(Utf8, CodePointsWholeTextsAndControls) {
    EXPECT_EQ(utf8CodePoint("\xC5\x82", 0, 2), U'\u0142');
    EXPECT_EQ(utf8CodePoint("x\xF0\x9F\x98\x80", 1, 4), U'\U0001F600');
    EXPECT_EQ(utf8CodePoint("\xC2\x9B", 0, 2), U'\u009B');
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("Zażółć gęślą jaźń"));
    EXPECT_FALSE(isValidUtf8("Za\xBFó"));
    EXPECT_FALSE(isValidUtf8("gęś\xC5"));
    for (char32_t code : {0x00u, 0x1Bu, 0x1Fu, 0x7Fu, 0x80u, 0x9Bu, 0x9Fu})
        EXPECT_TRUE(isControlCharacter(code)) << static_cast<unsigned>(code);
    for (char32_t code : {0x20u, 0x7Eu, 0xA0u, 0x142u, 0x2028u})
        EXPECT_FALSE(isControlCharacter(code)) << static_cast<unsigned>(code);
}

TEST(Escape, PrintableTextStaysByteForByte) {
    for (const char* text : {"", "door1", "12:00;   123; 0; 0;0X8EB2", "wejście główne",
                             "C:\\raporty\\x41", "\xE2\x96\x88\xF0\x9F\x98\x80"}) {
        EXPECT_FALSE(needsEscaping(text)) << text;
        EXPECT_EQ(escapedText(text), text);
    }
}

TEST(Escape, ControlsAndBadBytesBecomeHexEscapes) {
    EXPECT_EQ(escapedText("\x1B[2J\x1B]0;owned\x07"), "\\x1B[2J\\x1B]0;owned\\x07");
    EXPECT_EQ(escapedText(std::string_view("a\0b\tc\nd\re\x7F", 10)),
              "a\\x00b\\x09c\\x0Ad\\x0De\\x7F");
    // C1 controls: both bytes of the sequence.
    EXPECT_EQ(escapedText("\xC2\x9B"
                          "31m\xC2\x80"),
              "\\xC2\\x9B31m\\xC2\\x80");
    EXPECT_EQ(escapedText("\xC2\xA0"), "\xC2\xA0");  // no-break space is printable
    // Bad bytes one at a time; what follows them is looked at afresh.
    EXPECT_EQ(escapedText("g\xC4\x99\xC5\x9B\xC5"), "g\xC4\x99\xC5\x9B\\xC5");
    EXPECT_EQ(escapedText("\xC5\xC5\x82"), "\\xC5\xC5\x82");
    EXPECT_EQ(escapedText("\xE2\x96z"), "\\xE2\\x96z");
    EXPECT_EQ(escapedText("\xED\xA0\x80"), "\\xED\\xA0\\x80");
    EXPECT_EQ(escapedText("\xFF\xFE"), "\\xFF\\xFE");
    EXPECT_TRUE(needsEscaping("ok\x1B"));
    EXPECT_TRUE(needsEscaping("ok\xC5"));
    std::string out = "x=";
    appendEscaped(out, "\x01");
    EXPECT_EQ(out, "x=\\x01");
}

TEST(Escape, EveryByteValueComesOutPrintableUtf8) {
    for (int first = 0; first < 256; ++first)
        for (int second : {0x00, 0x41, 0x80, 0x9B, 0xBF, 0xC5}) {
            std::string text{static_cast<char>(first), static_cast<char>(second)};
            std::string out = escapedText(text);
            EXPECT_TRUE(isValidUtf8(out)) << first << " " << second;
            for (std::size_t at = 0; at < out.size();) {
                std::size_t length = utf8SequenceLength(out, at);
                ASSERT_GT(length, 0u);
                EXPECT_FALSE(isControlCharacter(utf8CodePoint(out, at, length)));
                at += length;
            }
            EXPECT_EQ(escapedText(out), out);  // escaping twice changes nothing more
        }
}
