// The chart of --compare: the compared visitors of each row placed on its
// bar (empty places of days without hours carry none), and drawn as a dark
// outline that stands above a lower bar and inside a higher one.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "chartpixels.h"
#include "chart_input.h"
#include "testsupport.h"

namespace {

Day date(int y, unsigned m, unsigned d) {
    return std::chrono::sys_days{std::chrono::year{y} / m / d};
}

PeriodRow row(Day day, int hour, long long visitors) {
    PeriodCounts counts;
    counts.visitors = visitors;
    counts.days = 1;
    PeriodRow made;
    made.day = day;
    made.hour = hour;
    made.entrances = {counts};
    return made;
}

bool dark(unsigned rgb) {
    return ((rgb >> 16) & 0xFF) < 0x40 && ((rgb >> 8) & 0xFF) < 0x40 && (rgb & 0xFF) < 0x40;
}

}  // namespace

TEST(CompareChart, EachRowsComparedVisitorsGoToItsBar) {
    StatTable table;
    table.entrances = {"door1"};
    table.by = Period::hour;
    table.from = date(2024, 2, 28);
    table.to = date(2024, 3, 1);
    table.rows = {row(date(2024, 2, 28), 9, 5), row(date(2024, 2, 28), 10, 6),
                  row(date(2024, 3, 1), 9, 7)};
    ChartInput input = chartInputFromTable(table, {11, 12, 13}, "wcześniej: x");
    // 2024-02-29 holds no hour: two empty places, as wide as the longest day.
    ASSERT_EQ(input.periods.size(), 5u);
    EXPECT_EQ(input.compared, (std::vector<long long>{11, 12, -1, -1, 13}));
    EXPECT_EQ(input.comparedLabel, "wcześniej: x");
    EXPECT_TRUE(chartInputFromTable(table).compared.empty());
}

TEST(CompareChart, TheOutlineStandsAboveALowerBarAndInsideAHigherOne) {
    testsupport::ScratchDir dir("compare-chart");
    StatTable table;
    table.entrances = {"door1"};
    table.by = Period::day;
    table.from = date(2024, 2, 28);
    table.to = date(2024, 2, 29);
    table.rows = {row(date(2024, 2, 28), 0, 40), row(date(2024, 2, 29), 0, 80)};
    ChartInput input = chartInputFromTable(table, {80, 40}, "wcześniej: 2024-02-26 - 2024-02-27");
    std::string path = dir.path + "/chart.png", error;
    ASSERT_TRUE(drawChart(input, path, ChartFormat::png, 800, 400, error)) << error;
    testsupport::Pixels pixels = testsupport::readPng(path);
    ASSERT_FALSE(pixels.rgb.empty());
    std::vector<testsupport::Bar> bars = testsupport::readBars(pixels, 1);
    ASSERT_EQ(bars.size(), 2u);
    // The first bar (40) is whole: its outline (80) stands above it, as high
    // as twice its fill; the second's outline (40) crosses its fill at the
    // first's height.
    int h = bars[0].parts[0], foot = bars[0].foot;
    auto darkNear = [&](int x, int y) {
        int found = 0;
        for (int row = y - 3; row <= y + 3; ++row) found += dark(pixels.at(x, row));
        return found;
    };
    int first = static_cast<int>(bars[0].middle()), second = static_cast<int>(bars[1].middle());
    EXPECT_GE(darkNear(first, foot - 2 * h), 1);
    EXPECT_GE(darkNear(second, foot - h), 1);
    // Inside the outline above the first bar's fill the background shows.
    for (int y = foot - 2 * h + 5; y < foot - h - 1; ++y)
        ASSERT_FALSE(dark(pixels.at(first, y))) << "row " << y;
    // The outline's sides run down the first bar's edges, just left of its fill.
    int darkSide = 0;
    for (int y = foot - 2 * h + 4; y < foot - 2; ++y)
        darkSide += dark(pixels.at(bars[0].left - 1, y)) || dark(pixels.at(bars[0].left - 2, y));
    EXPECT_GE(darkSide, 2 * h - 8);
}
