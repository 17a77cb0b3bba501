// pcstat --chart end to end (scratch-root copy over made-up reports): the
// picture holds exactly the rows and numbers of --format csv, in each of
// the three formats, with a one-line note on standard output; usage errors
// and a file that cannot be written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "chartpixels.h"
#include "record.h"
#include "statrun.h"
#include "testsupport.h"

using namespace testsupport;

namespace {

constexpr int runTimeoutMs = 30000;

std::string rec(const std::string& time, int total) {
    return recordLine(recordBodyText(time, total, 0, 0));
}

struct ChartRun {
    explicit ChartRun(const std::string& name) : dir(name) {
        makeDirs(dir.path + "/reports");
        // A week of door1: visitors 60, 30, closed, 90, 15, 45, 120 by day.
        const int perDay[] = {60, 30, 0, 90, 15, 45, 120};
        int total = 1000;
        for (int day = 0; day < 7; ++day) {
            if (perDay[day] == 0) continue;
            std::string text = rec("09:00", total);
            total += perDay[day] / 3;
            text += rec("10:00", total);
            total += perDay[day] - perDay[day] / 3;
            text += rec("17:00", total);
            writeFile(dir.path + "/reports/door1_201103" + std::to_string(14 + day) + ".csv", text);
        }
    }
    std::string door1() const { return dir.path + "/reports/door1.csv"; }
    ProcessResult run(std::vector<std::string> args) {
        return runStat(dir.path, std::move(args), runTimeoutMs);
    }
    ScratchDir dir;
};

const std::vector<std::string> week = {"--from", "2011-03-14", "--to", "2011-03-20"};

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

std::vector<std::string> csvFields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, ',');) fields.push_back(cell);
    if (!line.empty() && line.back() == ',') fields.emplace_back();
    return fields;
}

// The visitors column of pcstat's csv for one entrance, found by its name
// in the header; -1 for a row without the header's number of fields.
std::vector<long long> csvVisitors(const std::string& csv) {
    std::vector<long long> visitors;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);
    const std::vector<std::string> header = csvFields(line);
    std::size_t column = 0;
    while (column < header.size() && header[column] != "visitors") ++column;
    while (std::getline(lines, line)) {
        const std::vector<std::string> fields = csvFields(line);
        visitors.push_back(fields.size() == header.size() && column < header.size()
                               ? std::atoll(fields[column].c_str())
                               : -1);
    }
    return visitors;
}

}  // namespace

TEST(StatChart, ThePngHoldsTheRowsAndNumbersOfTheCsv) {
    ChartRun r("stat_chart_png");
    const std::vector<long long> visitors =
        csvVisitors(r.run(with(week, {"--format", "csv", r.door1()})).out);
    ASSERT_EQ(visitors, (std::vector<long long>{60, 30, 0, 90, 15, 45, 120}));

    const std::string path = r.dir.path + "/week.png";
    const ProcessResult drawn = r.run(with(week, {"--chart", path, r.door1()}));
    EXPECT_EQ(drawn.status, 0) << drawn.err;
    EXPECT_EQ(drawn.err, "");
    EXPECT_EQ(drawn.out, "Zapisano wykres " + path + " (PNG, 1200x600)\n");

    const Pixels pixels = readPng(path);
    ASSERT_EQ(pixels.width, 1200);
    ASSERT_EQ(pixels.height, 600);
    const std::vector<Bar> bars = readBars(pixels, 1);
    ASSERT_EQ(bars.size(), 6u);  // the closed Wednesday is an empty place
    const long long shown[] = {60, 30, 90, 15, 45, 120};
    const double perVisitor = bars[5].parts[0] / 120.0;
    for (std::size_t i = 0; i < bars.size(); ++i)
        EXPECT_NEAR(bars[i].parts[0], shown[i] * perVisitor, 1.0) << "bar " << i;
    const double place = bars[1].middle() - bars[0].middle();
    EXPECT_NEAR(bars[2].middle() - bars[1].middle(), 2 * place, 1.0);
}

TEST(StatChart, HoursOfTheWeekAtAnotherSize) {
    ChartRun r("stat_chart_hours");
    const std::string path = r.dir.path + "/hours.png";
    const ProcessResult drawn =
        r.run(with(week, {"--by", "hour", "--size", "1600x500", "--chart", path, r.door1()}));
    EXPECT_EQ(drawn.status, 0) << drawn.err;
    EXPECT_EQ(drawn.out, "Zapisano wykres " + path + " (PNG, 1600x500)\n");
    const Pixels pixels = readPng(path);
    EXPECT_EQ(pixels.width, 1600);
    EXPECT_EQ(pixels.height, 500);
    // Hours 08 to 16 of each open day (an increase counts in the hour it
    // ends in); 09 and 16 have visitors (the 09:00 record only repeats the
    // total of the day before's 17:00).
    EXPECT_EQ(readBars(pixels, 1).size(), 12u);
}

TEST(StatChart, SvgAndPdfFromTheSameOptions) {
    ChartRun r("stat_chart_formats");
    const std::string svg = r.dir.path + "/week.svg";
    const ProcessResult svgRun = r.run(with(week, {"--chart", svg, r.door1()}));
    EXPECT_EQ(svgRun.status, 0) << svgRun.err;
    EXPECT_EQ(svgRun.out, "Zapisano wykres " + svg + " (SVG, 1200x600)\n");
    const std::string text = readFile(svg);
    EXPECT_EQ(text.rfind("<?xml", 0), 0u);
    EXPECT_NE(text.find("<title>Odwiedzający, wejście: door1 — dni 2011-03-14 - 2011-03-20 "
                        "(7 dni), słupek na dzień</title>"),
              std::string::npos);
    EXPECT_NE(text.find("</svg>"), std::string::npos);

    const std::string pdf = r.dir.path + "/week.PDF";
    const ProcessResult pdfRun = r.run(with(week, {"--chart", pdf, r.door1()}));
    EXPECT_EQ(pdfRun.status, 0) << pdfRun.err;
    EXPECT_EQ(pdfRun.out, "Zapisano wykres " + pdf + " (PDF, 1200x600)\n");
    EXPECT_EQ(readFile(pdf).rfind("%PDF-", 0), 0u);
}

TEST(StatChart, UsageErrorsAndAnUnwritableFile) {
    ChartRun r("stat_chart_usage");
    const std::string usage = r.run({"--help"}).out;
    ASSERT_NE(usage.find("--chart PLIK"), std::string::npos);
    ASSERT_NE(usage.find("--size SZERxWYS"), std::string::npos);
    struct Case {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"--chart", "week.jpg"},
         "pcstat: zly plik wykresu --chart week.jpg (.png, .svg lub .pdf)\n"},
        {{"--chart", "week"}, "pcstat: zly plik wykresu --chart week (.png, .svg lub .pdf)\n"},
        {{"--chart", "w.png", "--size", "100x100"},
         "pcstat: zly rozmiar --size 100x100 (SZERxWYS, od 320x240 do 4096x4096)\n"},
        {{"--chart", "w.png", "--size", "1200"},
         "pcstat: zly rozmiar --size 1200 (SZERxWYS, od 320x240 do 4096x4096)\n"},
        {{"--size", "800x400"}, "pcstat: --size wymaga --chart\n"},
        {{"--chart", "w.png", "--check"}, "pcstat: --check nie laczy sie z --chart\n"},
        {{"--chart", "w.png", "--format", "csv"}, "pcstat: --chart nie laczy sie z --format\n"},
        {{"--chart"}, "pcstat: opcja --chart wymaga wartosci\n"},
    };
    for (const Case& c : cases) {
        const ProcessResult result = r.run(with({r.door1()}, c.args));
        EXPECT_EQ(result.status, 2) << c.message;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, c.message + "\n" + usage);
    }
    EXPECT_FALSE(pathExists(r.dir.path + "/w.png"));

    const std::string nowhere = r.dir.path + "/nowhere/week.png";
    const ProcessResult unwritable = r.run(with(week, {"--chart", nowhere, r.door1()}));
    EXPECT_EQ(unwritable.status, 2);
    EXPECT_EQ(unwritable.out, "");
    EXPECT_EQ(unwritable.err,
              "pcstat: nie mozna zapisac wykresu " + nowhere + ": No such file or directory\n");
}
