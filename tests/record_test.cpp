// The shared record line: forming it as the poller writes it, reading it
// by the viewer's rules, the checksum test, and the line reader of report
// files and the rule that only regular files are opened as reports.
#include <gtest/gtest.h>

#include <regex>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "pcutil.h"
#include "record.h"
#include "testsupport.h"

namespace {

// Every line the reader gives for a file's text, with its kind.
struct ReadLine {
    std::string text;
    LineKind kind;
};

std::vector<ReadLine> readAll(const std::string& content) {
    std::FILE* file = std::tmpfile();
    std::fwrite(content.data(), 1, content.size(), file);
    std::rewind(file);
    ReportReader reader;
    reader.start(file);
    std::vector<ReadLine> lines;
    std::string_view text;
    LineKind kind;
    while (reader.next(text, kind)) lines.push_back({std::string(text), kind});
    std::fclose(file);
    return lines;
}

}  // namespace

TEST(RecordForm, LinesAsThePollerWritesThem) {
    EXPECT_EQ(recordBodyText("12:00", 123, 0, 0), "12:00;   123; 0; 0;");
    EXPECT_EQ(recordLine(recordBodyText("12:00", 123, 0, 0)), "12:00;   123; 0; 0;0X8EB2\n");
    EXPECT_EQ(recordLine(recordBodyText("08:15.30", 0, 0, 1)), "08:15.30;     0; 0; 1;0X0A66\n");
    EXPECT_EQ(recordBodyText("10:00", 999999, 12, 1), "10:00;999999;12; 1;");
    EXPECT_EQ(checksumText("abc"), "0X2B54");
    EXPECT_EQ(checksumText(""), "0X0000");
    EXPECT_EQ(checksumText("\xff"), "0XFFFFFEFF") << "negative sums print as unsigned";
    EXPECT_EQ(checksumText("12:00;   123; 0; 0;"),
              fmt("0X%04X", checksumll("12:00;   123; 0; 0;")));
}

TEST(RecordRead, FieldsBodyAndChecksum) {
    RecordView record;
    ASSERT_TRUE(readRecord("08:15.30;    52; 1; 0;0X0A66\n", record));
    EXPECT_EQ(record.time, "08:15.30");
    EXPECT_EQ(record.total, 52);
    EXPECT_EQ(record.faults, 1);
    EXPECT_EQ(record.noAnswer, 0);
    EXPECT_EQ(record.body, "08:15.30;    52; 1; 0;");
    EXPECT_EQ(record.checksum, "0X0A66");
    ASSERT_TRUE(readRecord("10:00\xFF   100\n 2\xFF 1;0X8764\xFF\n", record));
    EXPECT_EQ(record.total, 100);
    EXPECT_EQ(record.noAnswer, 1);
    EXPECT_EQ(record.body, "10:00\xFF   100\n 2\xFF 1;");
}

TEST(RecordRead, ThePollersLinesCarryTheirSecondOfTheDay) {
    // Read with the line where the poller wrote it: a time of the clock
    // in either form, every total "%6d" prints, either "%2d" form.
    struct Case {
        const char* line;
        int second;
        long total;
        int faults;
    };
    for (const Case& c : {Case{"08:15.30;    52;12; 1;0X0A66\n", 8 * 3600 + 15 * 60 + 30, 52, 12},
                          Case{"23:59;999999; 0; 0;0X0000\n", 23 * 3600 + 59 * 60, 999999, 0},
                          Case{"00:00.00;     0; 9; 0;0XFFFF\n", 0, 0, 9},
                          Case{"12:34;  4321;85; 1;0XABCD\n", 12 * 3600 + 34 * 60, 4321, 85}}) {
        RecordView record;
        ASSERT_TRUE(readRecord(c.line, record)) << c.line;
        EXPECT_EQ(record.second, c.second) << c.line;
        EXPECT_EQ(record.total, c.total) << c.line;
        EXPECT_EQ(record.faults, c.faults) << c.line;
    }
    // Anything else is read by the general rules, its time left to the
    // reader of times: a time that is no time of the clock, fields of
    // other widths or signs, a checksum in other letters.
    for (const char* line : {"24:00;   100; 0; 0;0X8764\n", "10:60;   100; 0; 0;0X8764\n",
                             "10:00.60;   100; 0; 0;0X8764\n", "10:00;   100; 0; 0;0x8764\n",
                             "10:00;  +100; 0; 0;0X8764\n", "10:00;   100;+1; 0;0X8764\n",
                             "10:00;  100 ; 0; 0;0X8764\n", "10:00;   100;  ; 0;0X8764\n",
                             "10:00;100; 0; 0;0X8764     \n", "1:00.00;   100; 0; 0;0X8764\n",
                             "10:00;   100; 0; 0;0X87G4\n", "10.00;   100; 0; 0;0X8764\n"}) {
        RecordView record;
        record.second = 7;
        bool read = readRecord(line, record);
        EXPECT_EQ(record.second, read ? -1 : 7) << line;
    }
}

TEST(RecordRead, RefusesWhatIsNotAWholeRecord) {
    RecordView record;
    record.total = -5;
    for (const char* line :
         {"", "\n", "10:00;   100; 0;\n", "10:00;   100; 0; 0;0X8764",
          "1234567890123456;   1; 0; 0;0X0000\n", "10:00;  1x; 0; 0;0X0\n",
          "10:00; 99999999999999999999; 0; 0;0X0\n", "10:00;   1; 2147483648; 0;0X0\n",
          "10:00;  ; 0; 0;0X0\n", "10:00;   1; 0;  +;0X0\n"})
        EXPECT_FALSE(readRecord(line, record)) << line;
    EXPECT_EQ(record.total, -5) << "a refused line leaves the record alone";
    EXPECT_TRUE(readRecord("123456789012345; +1;\t0\r; -0 ;\n", record));
    EXPECT_EQ(record.time.size(), maxRecordTime);
}

TEST(RecordRead, ChecksumTest) {
    RecordView record;
    ASSERT_TRUE(readRecord("12:00;   123; 0; 0;0X8EB2\n", record));
    EXPECT_TRUE(checksumMatches(record));
    ASSERT_TRUE(readRecord("12:00;   124; 0; 0;0X8EB2\n", record));
    EXPECT_FALSE(checksumMatches(record));
    ASSERT_TRUE(readRecord("12:00;   123; 0; 0;0x8eb2\n", record));
    EXPECT_FALSE(checksumMatches(record)) << "the text is compared exactly";
    ASSERT_TRUE(readRecord("12:00;   123; 0; 0;0X8EB2 \n", record));
    EXPECT_FALSE(checksumMatches(record));
    char text[16];
    EXPECT_EQ(std::string(text, computeChecksumText("abc", text)), "0X2B54");
}

TEST(ReportReaderTest, LinesUpToTheCapacityAndBeyond) {
    std::string fits(98, 'a');  // 98 characters and the line feed: 99
    std::string tooLong(99, 'b');
    std::string huge(200000, 'c');
    auto lines = readAll(fits + "\n" + tooLong + "\nshort\n" + huge + "\nlast");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].text, fits + "\n");
    EXPECT_EQ(lines[0].kind, LineKind::complete);
    EXPECT_EQ(lines[1].kind, LineKind::overlong);
    EXPECT_EQ(lines[1].text, tooLong);
    EXPECT_EQ(lines[2].text, "short\n");
    EXPECT_EQ(lines[3].kind, LineKind::overlong);
    EXPECT_EQ(lines[3].text, std::string(maxRecordLine, 'c'));
    EXPECT_EQ(lines[4].text, "last");
    EXPECT_EQ(lines[4].kind, LineKind::unterminated);
}

TEST(ReportReaderTest, LinesAcrossBufferRefillsAndOddBytes) {
    std::string content;
    for (int i = 0; i < 20000; ++i) content += recordLine(recordBodyText("10:00.00", i, 0, 0));
    content += std::string("a\0b\n", 4) + "\n" + std::string(150, 'x');
    auto lines = readAll(content);
    ASSERT_EQ(lines.size(), 20003u);
    RecordView record;
    for (int i = 0; i < 20000; ++i) {
        ASSERT_EQ(lines[i].kind, LineKind::complete);
        ASSERT_TRUE(readRecord(lines[i].text, record));
        ASSERT_EQ(record.total, i);
        ASSERT_TRUE(checksumMatches(record));
    }
    EXPECT_EQ(lines[20000].text, std::string("a\0b\n", 4));
    EXPECT_EQ(lines[20001].text, "\n");
    EXPECT_EQ(lines[20002].kind, LineKind::unterminated);
    EXPECT_EQ(lines[20002].text.size(), maxRecordLine);
    EXPECT_TRUE(readAll("").empty());
}

TEST(RecordChecksum, AgreesWithTheRunningSumsOverRandomTexts) {
    // The checksum as defined: A adds each signed byte, B adds A after each,
    // over the first 255 characters; (A mod 251) * 256 + (B mod 251).
    auto model = [](const std::string& text) {
        int a = 0, b = 0;
        for (std::size_t i = 0; i < text.size() && i < 255; ++i) {
            a += static_cast<signed char>(text[i]);
            b += a;
        }
        return (a % 251) * 256 + (b % 251);
    };
    unsigned seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    for (int round = 0; round < 20000; ++round) {
        std::string text(next() % 300, ' ');
        for (char& c : text) c = static_cast<char>(round % 2 ? next() % 256 : 32 + next() % 95);
        ASSERT_EQ(checksumll(text), model(text)) << round;
        RecordView record;
        record.body = text;
        std::string printed = fmt("0X%04X", model(text));
        record.checksum = printed;
        ASSERT_TRUE(checksumMatches(record)) << round;
    }
}

TEST(RecordRead, LinesOfThePollersShapeAndTheirNeighbours) {
    // Lines laid out as the poller writes them are read straight from their
    // places; anything else of the same length by the general rules, with
    // the same results either way.
    struct Case {
        const char* line;
        bool record;
        long total;
    } cases[] = {
        {"10:00;   123; 0; 0;0X8EB2\n", true, 123},
        {"10:00;123456;12; 1;0X8EB2\n", true, 123456},
        {"10:00;  -123; 0; 0;0X8EB2\n", true, -123},
        {"10:00;  +123; 0; 0;0X8EB2\n", true, 123},
        {"10:00;  1 23; 0; 0;0X8EB2\n", false, 0},
        {"10:00;      ; 0; 0;0X8EB2\n", false, 0},
        {"10:00;\t  123; 0; 0;0X8EB2\n", true, 123},  // a tab is a blank
        {"10:00;  123 ; 0; 0;0X8EB2\n", true, 123},
        {"1a:00;   123; 0; 0;0X8EB2\n", true, 123},
        {"10:00;   123; 0; 0;0x8eb2\n", true, 123},
        {"10:00;   123;-1; 0;0X8EB2\n", true, 123},
        {"10:00.30;   123; 0; 0;0X8EB2\n", true, 123},
        {"10:00.3x;   123; 0; 0;0X8EB2\n", true, 123},
        {"10:00;   123; 0; 0\n0X8EB2\n", true, 123},
    };
    for (const Case& c : cases) {
        RecordView record;
        bool read = readRecord(c.line, record);
        EXPECT_EQ(read, c.record) << c.line;
        if (read) {
            EXPECT_EQ(record.total, c.total) << c.line;
        }
    }
    RecordView record;
    ASSERT_TRUE(readRecord("10:00;   123;-1; 0;0X8EB2\n", record));
    EXPECT_EQ(record.faults, -1);
    ASSERT_TRUE(readRecord("1a:00;   123; 0; 0;0X8EB2\n", record));
    EXPECT_EQ(record.time, "1a:00");
    EXPECT_EQ(record.checksum, "0X8EB2");
}

TEST(RecordRead, RandomNumberFieldsReadAsTheGeneralRulesSay) {
    // Fields of the poller's widths filled from characters that lie next to
    // the ones it writes; a field is a number when it is blanks, an
    // optional sign, digits and blanks, whichever reader takes the line.
    // (A semicolon or a byte 0xFF would end the field early.)
    const std::string alphabet = std::string(" 0123456789+-\t/:\x80\xB0") + '\0';
    std::regex number("[ \t]*[+-]?([0-9]+)[ \t]*");
    unsigned seed = 2011;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    auto field = [&](int width) {
        std::string text(static_cast<std::size_t>(width), ' ');
        // Mostly right-aligned digits, as printed; sometimes anything.
        bool printed = next() % 2 == 0;
        for (int i = 0; i < width; ++i) {
            int blanks = static_cast<int>(next() % static_cast<unsigned>(width + 1));
            if (printed)
                text[static_cast<std::size_t>(i)] =
                    i < blanks ? ' ' : static_cast<char>('0' + next() % 10);
            else
                text[static_cast<std::size_t>(i)] = alphabet[next() % alphabet.size()];
        }
        return text;
    };
    auto model = [&](const std::string& text, long long& value) {
        std::smatch match;
        if (!std::regex_match(text, match, number)) return false;
        value = std::stoll(match[0]);
        return true;
    };
    for (int round = 0; round < 20000; ++round) {
        std::string total = field(6), faults = field(2), flag = field(2);
        std::string line = "10:00;" + total + ";" + faults + ";" + flag + ";0X0000\n";
        long long totalValue = 0, faultsValue = 0, flagValue = 0;
        bool expected =
            model(total, totalValue) && model(faults, faultsValue) && model(flag, flagValue);
        RecordView record;
        ASSERT_EQ(readRecord(line, record), expected) << round << ": " << line;
        if (!expected) continue;
        ASSERT_EQ(record.total, totalValue) << line;
        ASSERT_EQ(record.faults, faultsValue) << line;
        ASSERT_EQ(record.noAnswer, flagValue) << line;
    }
}

TEST(ReportFileOpen, OnlyRegularFilesOpen) {
    testsupport::ScratchDir dir("record_open");
    const std::string regular = dir.path + "/door1_20110314.csv";
    testsupport::writeFile(regular, "10:00;   100; 0; 0;0X8764\n");
    const std::string fifo = dir.path + "/door1_20110315.csv";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string device = dir.path + "/door1_20110316.csv";
    ASSERT_EQ(symlink("/dev/zero", device.c_str()), 0);
    const std::string directory = dir.path + "/door1_20110317.csv";
    testsupport::makeDirs(directory);
    const std::string linked = dir.path + "/door1_20110318.csv";
    ASSERT_EQ(symlink(regular.c_str(), linked.c_str()), 0);
    const std::string loop = dir.path + "/door1_20110319.csv";
    ASSERT_EQ(symlink(loop.c_str(), loop.c_str()), 0);

    ReportFileStatus status = ReportFileStatus::opened;
    for (const std::string& path : {regular, linked}) {
        std::FILE* file = openReportFile(path, status);
        ASSERT_NE(file, nullptr) << path;
        EXPECT_EQ(status, ReportFileStatus::opened);
        char text[32] = {};
        EXPECT_EQ(std::fread(text, 1, sizeof text, file), 26u);
        std::fclose(file);
    }
    // A FIFO without a writer would block an ordinary open for ever.
    for (const std::string& path : {fifo, device, directory}) {
        EXPECT_EQ(openReportFile(path, status), nullptr) << path;
        EXPECT_EQ(status, ReportFileStatus::notRegular) << path;
    }
    EXPECT_EQ(openReportFile(dir.path + "/door1_20110320.csv", status), nullptr);
    EXPECT_EQ(status, ReportFileStatus::absent);
    EXPECT_EQ(openReportFile(regular + "/x", status), nullptr);  // ENOTDIR
    EXPECT_EQ(status, ReportFileStatus::absent);
    errno = 0;
    EXPECT_EQ(openReportFile(loop, status), nullptr);
    EXPECT_EQ(status, ReportFileStatus::unreadable);
    EXPECT_EQ(errno, ELOOP);
}

TEST(RecordRead, NumbersInTheRangesThePollerWrites) {
    auto inRange = [](const std::string& line) {
        RecordView record;
        EXPECT_TRUE(readRecord(line, record)) << line;
        return numbersInRange(record);
    };
    EXPECT_TRUE(inRange("12:00;     0; 0; 0;0X0000\n"));
    EXPECT_TRUE(inRange("12:00;999999;85; 1;0X0000\n"));
    EXPECT_FALSE(inRange("12:00;1000000; 0; 0;0X0000\n"));
    EXPECT_FALSE(inRange("12:00;    -1; 0; 0;0X0000\n"));
    EXPECT_FALSE(inRange("12:00;9223372036854775807; 0; 0;0X0000\n"));
    EXPECT_FALSE(inRange("12:00;   100;86; 0;0X0000\n"));
    EXPECT_FALSE(inRange("12:00;   100;-1; 0;0X0000\n"));
    EXPECT_FALSE(inRange("12:00;   100; 0; 2;0X0000\n"));
    EXPECT_FALSE(inRange("12:00;   100; 0;-1;0X0000\n"));
}
