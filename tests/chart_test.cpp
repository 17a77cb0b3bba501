// The chart library: its scale, numbers, colours, sizes and formats, the
// pictures themselves read back from the pixels of the PNG (bar heights in
// proportion, empty periods as empty places), the SVG checked by a real XML
// parser and the PDF's signature.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <dirent.h>

#include "chart.h"
#include "chartpixels.h"
#include "realtools.h"
#include "testsupport.h"
#include "text.h"

using namespace testsupport;

namespace {

// ---- made-up weeks

// Seven days, one entrance, a closed Wednesday.
ChartInput weekByDay() {
    ChartInput input;
    input.title = "Odwiedzający według dni — wejście door1, 2011-03-14 – 2011-03-20";
    input.entrances = {"door1"};
    const long long visitors[] = {120, 60, 0, 30, 90, 15, 45};
    for (int day = 0; day < 7; ++day) {
        input.periods.push_back("2011-03-" + std::to_string(14 + day));
        input.visitors.push_back({visitors[day]});
        input.total += visitors[day];
    }
    return input;
}

// 168 hours of a week, two entrances, the days as groups.
ChartInput weekByHour() {
    ChartInput input;
    input.title = "Odwiedzający według godzin — wejścia door1, door2, 2011-03-14 – 2011-03-20";
    input.entrances = {"door1", "door2"};
    for (int hour = 0; hour < 168; ++hour) {
        char label[3];
        std::snprintf(label, sizeof label, "%02d", hour % 24);
        input.periods.push_back(label);
        input.groups.push_back("2011-03-" + std::to_string(14 + hour / 24));
        const long long door1 = 10 + hour % 24;
        const long long door2 = 2 * (hour % 24);
        input.visitors.push_back({door1, door2});
        input.total += door1 + door2;
    }
    return input;
}

std::string draw(const ChartInput& input, const std::string& path, int width = 1200,
                 int height = 600) {
    ChartFormat format;
    if (!chartFormatFor(path, format)) return "no format for " + path;
    std::string error;
    if (!drawChart(input, path, format, width, height, error)) return error;
    return "";
}

std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* entry = readdir(d))
            if (entry->d_name[0] != '.') names.push_back(entry->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The texts in the first band of dark rows under the bars after the tick
// marks (the period labels): the left and right columns of each, where
// glyphs less than 4 pixels apart belong to one label.
std::vector<std::pair<int, int>> periodLabelsUnder(const Pixels& pixels, int foot) {
    const auto dark = [&](int x, int y) {
        const unsigned p = pixels.at(x, y);
        return ((p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF)) < 3 * 128;
    };
    const auto darkRow = [&](int y) {
        for (int x = 0; x < pixels.width; ++x)
            if (dark(x, y)) return true;
        return false;
    };
    int y = foot + 2;                       // under the axis line
    for (int band = 0; band < 2; ++band) {  // the tick marks, then the gap after them
        while (y < pixels.height && darkRow(y) == (band == 0)) ++y;
    }
    const int top = y;
    while (y < pixels.height && darkRow(y)) ++y;
    std::vector<std::pair<int, int>> labels;
    for (int x = 0; x < pixels.width; ++x) {
        bool any = false;
        for (int row = top; row < y && !any; ++row) any = dark(x, row);
        if (!any) continue;
        if (!labels.empty() && x - labels.back().second < 4)
            labels.back().second = x;
        else
            labels.push_back({x, x});
    }
    return labels;
}

double luminance(const ChartColour& c) {
    return 0.2126 * c.red + 0.7152 * c.green + 0.0722 * c.blue;
}

}  // namespace

// ---- the rules behind the picture

TEST(ChartScale, RoundStepsOfOneTwoFiveReachTheHighestBarInAtMostEight) {
    struct Case {
        long long highest, step, top;
    } cases[] = {{0, 1, 1},
                 {1, 1, 1},
                 {7, 1, 7},
                 {8, 1, 8},
                 {9, 2, 10},
                 {16, 2, 16},
                 {17, 5, 20},
                 {37, 5, 40},
                 {120, 20, 120},
                 {162, 50, 200},
                 {1008, 200, 1200},
                 {-5, 1, 1},
                 {999999, 200000, 1000000}};
    for (const Case& c : cases) {
        const ChartScale scale = chartScale(c.highest);
        EXPECT_EQ(scale.step, c.step) << c.highest;
        EXPECT_EQ(scale.top, c.top) << c.highest;
    }
    const ChartScale huge = chartScale(LLONG_MAX);
    EXPECT_EQ(huge.step, 2000000000000000000LL);
    EXPECT_EQ(huge.top, LLONG_MAX);
}

TEST(ChartNumber, GroupsDigitsByThreeFromFiveDigitsOn) {
    EXPECT_EQ(chartNumber(0), "0");
    EXPECT_EQ(chartNumber(999), "999");
    EXPECT_EQ(chartNumber(9810), "9810");
    EXPECT_EQ(chartNumber(19066), "19 066");
    EXPECT_EQ(chartNumber(1234567), "1 234 567");
    EXPECT_EQ(chartNumber(-12345), "-12 345");
}

TEST(ChartFormat, FollowsTheExtensionOfTheFileName) {
    ChartFormat format = ChartFormat::pdf;
    ASSERT_TRUE(chartFormatFor("week.png", format));
    EXPECT_EQ(format, ChartFormat::png);
    ASSERT_TRUE(chartFormatFor("/srv/charts.d/Week.SVG", format));
    EXPECT_EQ(format, ChartFormat::svg);
    ASSERT_TRUE(chartFormatFor("a.b.pdf", format));
    EXPECT_EQ(format, ChartFormat::pdf);
    for (const char* refused :
         {"week.jpg", "week", "charts.png/week", ".png", "week.png.", "week.pngx", ""})
        EXPECT_FALSE(chartFormatFor(refused, format)) << refused;
}

TEST(ChartSize, WidthXHeightWithinTheLimits) {
    int width = 0, height = 0;
    ASSERT_TRUE(parseChartSize("1200x600", width, height));
    EXPECT_EQ(width, 1200);
    EXPECT_EQ(height, 600);
    ASSERT_TRUE(parseChartSize("320x240", width, height));
    ASSERT_TRUE(parseChartSize("4096x4096", width, height));
    EXPECT_EQ(width, 4096);
    width = height = 7;
    for (const char* refused :
         {"319x240", "320x239", "4097x600", "600x4097", "1200X600", "1200x", "x600", "+1200x600",
          "1200x600x", " 1200x600", "1200*600", "99999999999x600", "1200x-600", ""})
        EXPECT_FALSE(parseChartSize(refused, width, height)) << refused;
    EXPECT_EQ(width, 7);  // untouched on refusal
    EXPECT_EQ(height, 7);
}

TEST(ChartColours, LightnessRisesUpTheStackAndNeighboursStayApartInGrey) {
    for (std::size_t count = 2; count <= 6; ++count) {
        for (std::size_t e = 1; e < count; ++e) {
            const double below = luminance(chartEntranceColour(e - 1, count));
            const double above = luminance(chartEntranceColour(e, count));
            EXPECT_GT(above - below, 0.08) << e << " of " << count;
        }
    }
    // A lone entrance is neither the darkest nor the lightest.
    const double single = luminance(chartEntranceColour(0, 1));
    EXPECT_GT(single, luminance(chartEntranceColour(0, 2)));
    EXPECT_LT(single, luminance(chartEntranceColour(1, 2)));
}

TEST(ChartText, InvalidUtf8AndControlCharactersBecomeQuestionMarks) {
    EXPECT_EQ(cleanChartText("Odwiedzający — wejście"), "Odwiedzający — wejście");
    EXPECT_EQ(cleanChartText("door\xff"
                             "1"),
              "door?1");
    EXPECT_EQ(cleanChartText("a\nb\tc\x7f"), "a?b?c?");
    EXPECT_EQ(cleanChartText("cut \xc5"), "cut ?");
    EXPECT_EQ(cleanChartText("\xc0\xaf"), "??");            // overlong '/'
    EXPECT_EQ(cleanChartText("\xed\xa0\x80"), "???");       // a surrogate
    EXPECT_EQ(cleanChartText("\xf4\x90\x80\x80"), "????");  // past U+10FFFF
    EXPECT_EQ(cleanChartText("\xc2\x85"), "?");             // C1 control
    EXPECT_EQ(cleanChartText("\xf0\x9f\x98\x80"), "\xf0\x9f\x98\x80");
}

// ---- the pictures

TEST(ChartPng, AWeekByDayHasItsSizeBarsInProportionAndAnEmptyPlaceForTheClosedDay) {
    ScratchDir dir("chart_png_day");
    const ChartInput input = weekByDay();
    const std::string path = dir.path + "/week.png";
    ASSERT_EQ(draw(input, path), "");

    const Pixels pixels = readPng(path);
    ASSERT_EQ(pixels.width, 1200);
    ASSERT_EQ(pixels.height, 600);
    const std::vector<Bar> bars = readBars(pixels, 1);
    // Wednesday (0 visitors) has no bar; the six others stand in order.
    ASSERT_EQ(bars.size(), 6u);
    const long long shown[] = {120, 60, 30, 90, 15, 45};
    const double perVisitor = bars[0].parts[0] / 120.0;
    EXPECT_GT(bars[0].parts[0], 300);  // the highest bar fills most of the plot
    for (std::size_t i = 0; i < bars.size(); ++i)
        EXPECT_NEAR(bars[i].parts[0], shown[i] * perVisitor, 1.0) << "bar " << i;
    // Equal places: Wednesday's is kept empty between Tuesday and Thursday.
    const double place = bars[1].middle() - bars[0].middle();
    EXPECT_NEAR(bars[2].middle() - bars[1].middle(), 2 * place, 1.0);
    for (std::size_t i = 3; i < bars.size(); ++i)
        EXPECT_NEAR(bars[i].middle() - bars[i - 1].middle(), place, 1.0) << i;
    // Bars have gaps between them and all have the same width.
    for (const Bar& bar : bars)
        EXPECT_NEAR(bar.right - bar.left, bars[0].right - bars[0].left, 1) << bar.left;
    EXPECT_LT(bars[0].right - bars[0].left, place - 10);
}

TEST(ChartPng, AWeekByHourStacksTheEntrancesInEveryBar) {
    ScratchDir dir("chart_png_hour");
    const ChartInput input = weekByHour();
    const std::string path = dir.path + "/week.png";
    ASSERT_EQ(draw(input, path), "");

    const Pixels pixels = readPng(path);
    ASSERT_EQ(pixels.width, 1200);
    ASSERT_EQ(pixels.height, 600);
    const std::vector<Bar> bars = readBars(pixels, 2);
    ASSERT_EQ(bars.size(), 168u);
    // The highest bar, 23:00 (33 + 46 = 79), sets the pixels per visitor.
    const double perVisitor = (bars[23].parts[0] + bars[23].parts[1]) / 79.0;
    for (std::size_t hour : {0u, 1u, 9u, 12u, 23u, 24u + 13u, 100u, 167u}) {
        const long long door1 = 10 + hour % 24;
        const long long door2 = 2 * (hour % 24);
        EXPECT_NEAR(bars[hour].parts[0], door1 * perVisitor, 1.0) << "hour " << hour;
        EXPECT_NEAR(bars[hour].parts[0] + bars[hour].parts[1], (door1 + door2) * perVisitor, 1.0)
            << "hour " << hour;
    }
    EXPECT_EQ(bars[0].parts[1], 0);  // door2 had nobody at midnight

    // The hour labels are thinned: narrow, well apart, and still several a
    // day.
    const std::vector<std::pair<int, int>> labels = periodLabelsUnder(pixels, bars[0].foot);
    EXPECT_GE(labels.size(), 7u * 3);
    EXPECT_LE(labels.size(), 7u * 8);
    for (std::size_t i = 0; i < labels.size(); ++i) {
        EXPECT_LE(labels[i].second - labels[i].first, 25) << "label at " << labels[i].first;
        if (i > 0) {
            EXPECT_GE(labels[i].first - labels[i - 1].second, 8) << "label at " << labels[i].first;
        }
    }
}

TEST(ChartPng, AnyAllowedSizeIsTheSizeOfThePicture) {
    ScratchDir dir("chart_png_size");
    for (auto [width, height] : {std::pair{320, 240}, std::pair{1920, 1080}}) {
        const std::string path = dir.path + "/week.png";
        ASSERT_EQ(draw(weekByDay(), path, width, height), "");
        const Pixels pixels = readPng(path);
        EXPECT_EQ(pixels.width, width);
        EXPECT_EQ(pixels.height, height);
        EXPECT_EQ(readBars(pixels, 1).size(), 6u) << width;
    }
    std::string error;
    EXPECT_FALSE(drawChart(weekByDay(), dir.path + "/x.png", ChartFormat::png, 100, 100, error));
    EXPECT_EQ(error, "zly rozmiar wykresu 100x100");
    EXPECT_FALSE(pathExists(dir.path + "/x.png"));
}

TEST(ChartSvg, IsWellFormedXmlThatHoldsTheTitle) {
    ScratchDir dir("chart_svg");
    ChartInput input = weekByHour();
    input.title = "Odwiedzający według godzin — wejścia <door1> & door2";
    const std::string path = dir.path + "/week.svg";
    ASSERT_EQ(draw(input, path), "");
    const std::string svg = readFile(path);
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("<title>Odwiedzający według godzin — wejścia &lt;door1&gt; &amp; "
                       "door2</title>"),
              std::string::npos);
    EXPECT_NE(svg.find("width=\"900pt\" height=\"450pt\""), std::string::npos);

    const std::string xmllint = findProgram("xmllint");
    if (xmllint.empty()) {
        if (inCi()) FAIL() << "xmllint is missing (Debian package libxml2-utils)";
        GTEST_SKIP() << "xmllint is missing (Debian package libxml2-utils)";
    }
    ProcessSetup setup;
    setup.program = xmllint;
    setup.args = {"--noout", path};
    setup.workDir = dir.path;
    const ProcessResult checked = runProcess(setup, 30000);
    EXPECT_EQ(checked.status, 0) << checked.err;
    EXPECT_EQ(checked.err, "");

    // The parser does find faults: the same file cut short is refused.
    writeFile(dir.path + "/cut.svg", svg.substr(0, svg.size() / 2));
    setup.args = {"--noout", dir.path + "/cut.svg"};
    EXPECT_NE(runProcess(setup, 30000).status, 0);
}

TEST(ChartPdf, StartsWithItsSignatureAndEndsWithItsTrailer) {
    ScratchDir dir("chart_pdf");
    const std::string path = dir.path + "/week.pdf";
    ASSERT_EQ(draw(weekByHour(), path), "");
    const std::string pdf = readFile(path);
    EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
    EXPECT_NE(pdf.find("%%EOF", pdf.size() - 8), std::string::npos);
    // 1200 x 600 pixels of 1/96 inch are 900 x 450 points.
    EXPECT_NE(pdf.find("/MediaBox [ 0 0 900 450 ]"), std::string::npos);
}

TEST(ChartFile, ReplacesAFileWholeAndLeavesNothingElse) {
    ScratchDir dir("chart_file");
    const std::string path = dir.path + "/week.png";
    writeFile(path, "old");
    const mode_t mask = umask(022);
    ASSERT_EQ(draw(weekByDay(), path), "");
    umask(mask);
    EXPECT_EQ(readFile(path).substr(1, 3), "PNG");
    EXPECT_EQ(filesIn(dir.path), std::vector<std::string>{"week.png"});
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST(ChartFile, AFileThatCannotBeWrittenIsAnErrorNamingIt) {
    ScratchDir dir("chart_file_error");
    const std::string path = dir.path + "/missing/week.png";
    EXPECT_EQ(draw(weekByDay(), path),
              "nie mozna zapisac wykresu " + path + ": No such file or directory");
    EXPECT_EQ(filesIn(dir.path), std::vector<std::string>{});
}

TEST(ChartInputs, OddInputsStillGiveAPicture) {
    ScratchDir dir("chart_odd");
    ChartInput empty;
    empty.title = "Odwiedzający — brak rekordów";
    empty.entrances = {"door1"};
    ASSERT_EQ(draw(empty, dir.path + "/empty.png"), "");
    EXPECT_EQ(readBars(readPng(dir.path + "/empty.png"), 1).size(), 0u);

    // Names from outside that are not UTF-8, a title far too long, a row
    // with too few numbers and a negative one: drawn, nothing refused.
    ChartInput odd = weekByDay();
    odd.entrances = {"door\xff"};
    odd.title = std::string(300, 'x') + " \xc5";
    odd.visitors[1] = {};
    odd.visitors[3] = {-30};
    ASSERT_EQ(draw(odd, dir.path + "/odd.png"), "");
    EXPECT_EQ(readBars(readPng(dir.path + "/odd.png"), 1).size(), 4u);
    ASSERT_EQ(draw(odd, dir.path + "/odd.svg"), "");
    EXPECT_NE(readFile(dir.path + "/odd.svg").find("xxx ?</title>"), std::string::npos);
}

TEST(ChartPng, CarriedVisitorsAreHatchedAndAClosedDayIsALabelledEmptyPlace) {
    ScratchDir dir("chart_png_carried");
    ChartInput input = weekByDay();
    input.carried.assign(7, {0});
    input.carried[0] = {60};  // the top half of Monday's 120
    input.carriedLabel = "po przerwie w odczytach";
    input.notes.assign(7, "");
    input.notes[2] = "zamknięte";  // Wednesday
    const std::string path = dir.path + "/carried.png";
    ASSERT_EQ(draw(input, path), "");
    const Pixels pixels = readPng(path);
    ASSERT_EQ(pixels.width, 1200);
    const std::vector<Bar> bars = readBars(pixels, 1);
    ASSERT_EQ(bars.size(), 6u);
    const double perVisitor = bars[1].parts[0] / 60.0;  // Tuesday, nothing carried
    const unsigned fill = pixels.at(static_cast<int>(bars[0].middle()), bars[0].foot);
    // Pixels of a bar's columns between two heights (in visitors) that are
    // not its fill.
    auto others = [&](const Bar& bar, double from, double to) {
        int count = 0;
        for (int x = bar.left + 1; x < bar.right; ++x)
            for (int y = bar.foot - static_cast<int>(from * perVisitor) - 1;
                 y > bar.foot - static_cast<int>(to * perVisitor) + 1; --y)
                count += pixels.at(x, y) != fill;
        return count;
    };
    EXPECT_EQ(others(bars[0], 0, 58), 0) << "Monday's own visitors are plain";
    EXPECT_GT(others(bars[0], 62, 118), 100) << "the carried ones are hatched";
    EXPECT_EQ(others(bars[3], 0, 88), 0) << "Thursday carries nothing";
    // Wednesday's empty place holds its word, drawn in grey.
    const int middle = static_cast<int>((bars[1].middle() + bars[2].middle()) / 2);
    int dark = 0;
    for (int x = middle - 8; x <= middle + 8; ++x)
        for (int y = bars[0].foot - 150; y < bars[0].foot; ++y)
            dark += (pixels.at(x, y) & 0xFF) < 0x90;
    EXPECT_GT(dark, 40);
    input.notes[2] = "";
    ASSERT_EQ(draw(input, path), "");
    const Pixels plain = readPng(path);
    dark = 0;
    for (int x = middle - 8; x <= middle + 8; ++x)
        for (int y = bars[0].foot - 150; y < bars[0].foot; ++y)
            dark += (plain.at(x, y) & 0xFF) < 0x90;
    EXPECT_EQ(dark, 0) << "without its word the place is empty";
}
