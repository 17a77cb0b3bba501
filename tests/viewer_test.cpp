// The report viewer in process: reading numbers, the record split, the
// table rows, the exit status and the prompt.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "pcutil.h"
#include "testsupport.h"
#include "viewer.h"
#include "viewerhelpers.h"
#include "viewerscreen.h"

using namespace testsupport;

namespace {

// What printRows makes of a report file's text.
std::string rowsOf(const std::string& text) {
    std::FILE* report = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), report);
    std::rewind(report);
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    printRows(report, out);
    std::fclose(out);
    std::fclose(report);
    std::string rows(buffer, size);
    std::free(buffer);
    return rows;
}

}  // namespace

// ---- numbers

TEST(ViewerNumbers, ReadsPaddedSignedDecimals) {
    long long value = 0;
    EXPECT_TRUE(parseDecimal("   100", value));
    EXPECT_EQ(value, 100);
    EXPECT_TRUE(parseDecimal(" -5 ", value));
    EXPECT_EQ(value, -5);
    EXPECT_TRUE(parseDecimal("+7", value));
    EXPECT_EQ(value, 7);
    EXPECT_TRUE(parseDecimal("\t0\r", value));
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(parseDecimal("-9223372036854775808", value));
    EXPECT_EQ(value, LLONG_MIN);
}

TEST(ViewerNumbers, RefusesAnythingElse) {
    long long value = 42;
    for (const char* text : {"", "   ", "abc", "12a", "1 2", "-", "+", "+-1", "-+1", "- 1", "0x10",
                             "1.5", "9223372036854775808", "99999999999999999999"}) {
        EXPECT_FALSE(parseDecimal(text, value)) << '"' << text << '"';
    }
    EXPECT_EQ(value, 42);
}

TEST(ViewerNumbers, KeepsToTheRangeOfTheType) {
    int count = 0;
    EXPECT_TRUE(parseInt("2147483647", count));
    EXPECT_FALSE(parseInt("2147483648", count));
    EXPECT_FALSE(parseInt("-2147483649", count));
    long total = 0;
    EXPECT_TRUE(parseLong("9223372036854775807", total));
    EXPECT_EQ(total, LONG_MAX);
}

// ---- record split

TEST(ViewerSplit, SplitsAPollerLine) {
    Record record;
    ASSERT_TRUE(splitRecord("08:15.30;    52; 1; 0;0X0A66\n", record));
    EXPECT_EQ(record.time, "08:15.30");
    EXPECT_EQ(record.total, 52);
    EXPECT_EQ(record.faults, 1);
    EXPECT_EQ(record.noAnswer, 0);
    ASSERT_TRUE(splitRecord("10:15;   100; 0; 1;0X8EC1\n", record));
    EXPECT_EQ(record.noAnswer, 1);
}

TEST(ViewerSplit, AcceptsEveryTerminator) {
    Record record;
    ASSERT_TRUE(splitRecord("10:00\xFF   100\n 2\xFF 1;0X8764\xFF\n", record));
    EXPECT_EQ(record.time, "10:00");
    EXPECT_EQ(record.total, 100);
    EXPECT_EQ(record.faults, 2);
    EXPECT_EQ(record.noAnswer, 1);
}

TEST(ViewerSplit, RefusesLinesWithoutFiveTerminatedFields) {
    Record record;
    EXPECT_FALSE(splitRecord("\n", record));
    EXPECT_FALSE(splitRecord("10:00;   100; 0;\n", record));
    EXPECT_FALSE(splitRecord("10:00;   100; 0; 0;0X8764", record));  // no line feed
    EXPECT_FALSE(splitRecord("10:00;   100; 0; 0;", record));
    EXPECT_FALSE(splitRecord("", record));
}

TEST(ViewerSplit, ARefusedLineLeavesTheRecordAlone) {
    Record record;
    ASSERT_TRUE(splitRecord("10:00;   100; 0; 0;0X8764\n", record));
    EXPECT_FALSE(splitRecord("10:15;   112; 3; x;0X90D8\n", record));
    EXPECT_EQ(record.time, "10:00");
    EXPECT_EQ(record.total, 100);
    EXPECT_EQ(record.faults, 0);
}

TEST(ViewerSplit, TheChecksumIsNotChecked) {
    Record record;
    EXPECT_TRUE(splitRecord("10:00;   100; 0; 0;\n", record));
    EXPECT_TRUE(splitRecord("10:00;   100; 0; 0;0X0000\n", record));
    EXPECT_TRUE(splitRecord("10:00;   100; 0; 0;0X8764;more;\n", record));
}

TEST(ViewerSplit, TimeTextHoldsAtMostFifteenCharacters) {
    Record record;
    EXPECT_TRUE(splitRecord("123456789012345;   100; 0; 0;0X8764\n", record));
    EXPECT_EQ(record.time, "123456789012345");
    EXPECT_FALSE(splitRecord("1234567890123456;   100; 0; 0;0X8764\n", record));
}

TEST(ViewerSplit, NumberFieldsHoldAtMostNineteenCharacters) {
    Record record;
    std::string blanks(16, ' ');
    EXPECT_TRUE(
        splitRecord("10:00;" + blanks + "100;" + blanks + "  2;" + blanks + "  1;X\n", record));
    EXPECT_EQ(record.total, 100);
    EXPECT_EQ(record.faults, 2);
    EXPECT_EQ(record.noAnswer, 1);
    EXPECT_FALSE(splitRecord("10:00;" + blanks + " 100; 0; 0;0X8764\n", record));
    EXPECT_FALSE(splitRecord("10:00;   100;" + blanks + "   0; 0;0X8764\n", record));
    EXPECT_FALSE(splitRecord("10:00;   100; 0;" + blanks + "   0;0X8764\n", record));
}

TEST(ViewerSplit, RefusesNumbersThatDoNotParse) {
    Record record;
    EXPECT_FALSE(splitRecord("10:00;  12a; 0; 0;0X8764\n", record));
    EXPECT_FALSE(splitRecord("10:00;      ; 0; 0;0X8764\n", record));
    EXPECT_FALSE(splitRecord("10:00;   100; x; 0;0X8764\n", record));
    EXPECT_FALSE(splitRecord("10:00;   100; 0;  ;0X8764\n", record));
    EXPECT_FALSE(splitRecord("10:00;9999999999999999999; 0; 0;0X8764\n", record));
    EXPECT_FALSE(splitRecord("10:00;   100;3000000000; 0;0X8764\n", record));
}

// ---- rows

TEST(ViewerRows, IncreaseIsPrintedExactly) {
    EXPECT_EQ(increaseText(112, 100), "    12");
    EXPECT_EQ(increaseText(90, 100), "   -10");
    EXPECT_EQ(increaseText(5, 5), "     0");
    EXPECT_EQ(increaseText(1234567, 0), "1234567");
    EXPECT_EQ(increaseText(-1, LONG_MAX), "-9223372036854775808");
    EXPECT_EQ(increaseText(LONG_MAX, LONG_MIN), "18446744073709551615");
    EXPECT_EQ(increaseText(LONG_MIN, LONG_MAX), "-18446744073709551615");
    EXPECT_EQ(increaseText(LONG_MAX, -1), "9223372036854775808");
}

TEST(ViewerRows, SkippedLinesDoNotBreakTheIncrease) {
    EXPECT_EQ(rowsOf("10:00;   100; 0; 0;0X8764\n"
                     "10:15;  1x2; 0; 0;0X90D8\n"
                     "10:20;   112; x; 0;0X90D8\n"
                     "10:25;    90; 0;99999999999; 0X8566\n"
                     "10:30;\n"
                     "10:45;   130; 0; 0;0X930F\n"),
              "10:00;     0;   100;\n"
              "10:45;    30;   130;\n");
}

TEST(ViewerRows, AnOverlongLineIsSkippedWhole) {
    // The tail after the first 99 characters would be a record by itself.
    std::string overlong = std::string(99, 'x') + "10:45;   999; 0; 0;0XAADD\n";
    EXPECT_EQ(rowsOf("10:00;   100; 0; 0;0X8764\n" + overlong + "11:00;   140; 0; 0;0X8C9A\n"),
              "10:00;     0;   100;\n"
              "11:00;    40;   140;\n");
}

TEST(ViewerRows, NinetyNineCharactersAreTheLongestLine) {
    std::string body = "10:00;   100; 0; 0;";
    std::string fits = body + std::string(98 - body.size(), 'C') + "\n";
    std::string tooLong = body + std::string(99 - body.size(), 'C') + "\n";
    ASSERT_EQ(fits.size(), 99u);
    EXPECT_EQ(rowsOf(fits), "10:00;     0;   100;\n");
    EXPECT_EQ(rowsOf(tooLong), "");
    EXPECT_EQ(rowsOf(tooLong + "11:00;   140; 0; 0;0X8C9A\n"), "11:00;     0;   140;\n");
}

TEST(ViewerRows, ALastLineWithoutLineFeedIsNotShown) {
    EXPECT_EQ(rowsOf("10:00;   100; 0; 0;0X8764\n10:15;   112; 0; 0;0X90D8"),
              "10:00;     0;   100;\n");
    EXPECT_EQ(rowsOf("10:00;   100; 0; 0;0X8764\n10:15;   112; 0; 0;"), "10:00;     0;   100;\n");
}

TEST(ViewerRows, NullBytesInTheTimeAreKept) {
    // Kept, and written as the escape of a control character.
    EXPECT_EQ(rowsOf(std::string("10\0"
                                 "00;   100; 0; 0;0X8764\n",
                                 26)),
              "10\\x0000;     0;   100;\n");
}

TEST(ViewerRows, ControlCharactersAndBadBytesInTheTimeAreEscaped) {
    // The longest time, every byte escaped: four times as long.
    std::string dels(15, '\x7F'), escapedDels;
    for (int i = 0; i < 15; ++i) escapedDels += "\\x7F";
    // The checksum is not checked, so any time text is a row.
    EXPECT_EQ(rowsOf("\x1B[2J\x1B]0;x\n"  // not a record: the fields end early
                     "\x1B[2J;   100; 0; 0;0X0000\n"
                     "\xC2\x9B"
                     "31m\x07;   105; 0; 0;0X0000\n"
                     "g\xC5\x82\xC3;   107; 0; 0;0X0000\n" +
                     dels + ";   110; 0; 0;X\n" + "10:15;   112; 0; 0;0X90D8\n"),
              "\\x1B[2J;     0;   100;\n"
              "\\xC2\\x9B31m\\x07;     5;   105;\n"
              "g\xC5\x82\\xC3;     2;   107;\n" +
                  escapedDels + ";     3;   110;\n" + "10:15;     2;   112;\n");
}

// ---- exit status

TEST(ViewerStatus, LowEightBitsOfTheNumberTyped) {
    EXPECT_EQ(exitStatusFor(-1), 255);
    EXPECT_EQ(exitStatusFor(-5), 251);
    EXPECT_EQ(exitStatusFor(-255), 1);
    EXPECT_EQ(exitStatusFor(-257), 255);
}

TEST(ViewerStatus, AnEndRequestNeverLooksLikeEndOfInput) {
    EXPECT_EQ(exitStatusFor(-256), 255);
    EXPECT_EQ(exitStatusFor(-512), 255);
    EXPECT_EQ(exitStatusFor(LLONG_MIN), 255);
}

// ---- the prompt

TEST(ViewerPrompt, OutputIsFlushedBeforeEachRead) {
    ScratchDir dir("viewer_flush");
    int toViewer[2];
    int fromViewer[2];
    ASSERT_EQ(pipe(toViewer), 0);
    ASSERT_EQ(pipe(fromViewer), 0);
    std::FILE* in = fdopen(toViewer[0], "r");
    std::FILE* out = fdopen(fromViewer[1], "w");
    int status = -1;
    std::thread viewer([&] {
        status = viewerRun(in, out, dir.path + "/none.conf", dir.path + "/");
        std::fclose(out);
    });
    // Nothing is typed until the prompt has come through the pipe.
    std::string expected = "nie znaleziono pliku " + dir.path + "/none.conf\n" + banner + prompt;
    std::string seen;
    char buffer[256];
    pollfd ready{fromViewer[0], POLLIN, 0};
    while (seen.size() < expected.size() && poll(&ready, 1, 5000) == 1) {
        ssize_t count = read(fromViewer[0], buffer, sizeof buffer);
        if (count <= 0) break;
        seen.append(buffer, static_cast<std::size_t>(count));
    }
    EXPECT_EQ(seen, expected);
    ASSERT_EQ(write(toViewer[1], "x\n", 2), 2);
    seen.clear();
    while (seen.size() < prompt.size() && poll(&ready, 1, 5000) == 1) {
        ssize_t count = read(fromViewer[0], buffer, sizeof buffer);
        if (count <= 0) break;
        seen.append(buffer, static_cast<std::size_t>(count));
    }
    EXPECT_EQ(seen, prompt);
    ASSERT_EQ(write(toViewer[1], "-3\n", 3), 3);
    close(toViewer[1]);
    viewer.join();
    std::fclose(in);
    close(fromViewer[0]);
    EXPECT_EQ(status, 253);
}

TEST(ViewerPrompt, AnOverlongAnswerIsNotANumber) {
    std::FILE* in = std::tmpfile();
    std::string typed = std::string(maxAnswerLength, ' ') + "1\n-1\n";
    std::fwrite(typed.data(), 1, typed.size(), in);
    std::rewind(in);
    std::string line;
    bool overlong = false;
    ASSERT_TRUE(readAnswerLine(in, line, overlong));
    EXPECT_TRUE(overlong);
    ASSERT_TRUE(readAnswerLine(in, line, overlong));
    EXPECT_FALSE(overlong);
    EXPECT_EQ(line, "-1");
    EXPECT_FALSE(readAnswerLine(in, line, overlong));
    std::fclose(in);
}
