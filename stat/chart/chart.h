// Charts of visitor counts: a bar per period, stacked by entrance, drawn
// with cairo into a PNG, SVG or PDF file by one drawing routine.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct ChartInput {
    std::string title;                             // UTF-8: entrances, days, period
    std::vector<std::string> entrances;            // legend labels; stack order bottom to top
    std::vector<std::string> periods;              // one label per bar, in order
    std::vector<std::vector<long long>> visitors;  // [period][entrance]
    long long total = 0;                           // shown in a corner
    // Optional, empty or one per period: the group a bar belongs to (the day
    // of an hour).  Each run of equal groups gets its label once, under the
    // period labels, and a thin line separates the runs.
    std::vector<std::string> groups;
    // Optional, empty or one per period: the part of each entrance's
    // visitors that may belong earlier ([period][entrance]), drawn hatched
    // at the top of the entrance's part, with a legend entry of its own
    // named carriedLabel.
    std::vector<std::vector<long long>> carried;
    std::string carriedLabel;
    // Optional, empty or one per period: a word written upright in the
    // place of a bar, as a label of an empty place (a closed day).
    std::vector<std::string> notes;
    // Optional, empty or one per period: the visitors of the compared
    // period (-1 for a place without one), drawn as a thin outline over
    // each bar, with comparedLabel in the legend.
    std::vector<long long> compared;
    std::string comparedLabel;
};

enum class ChartFormat { png, svg, pdf };

// The format named by the extension of path (.png, .svg, .pdf, in any case);
// false for anything else.
bool chartFormatFor(const std::string& path, ChartFormat& format);

// The limits of a chart's size in pixels (points of 1/96 inch in SVG and
// PDF): below the minimum the texts no longer fit, above the maximum a PNG
// would take more than 64 MiB of memory.
constexpr int chartMinWidth = 320;
constexpr int chartMinHeight = 240;
constexpr int chartMaxSide = 4096;
constexpr int chartDefaultWidth = 1200;
constexpr int chartDefaultHeight = 600;

// Parses "WxH" within the limits above.
bool parseChartSize(const std::string& text, int& width, int& height);

// Draws the chart and writes it whole to path (a temporary file beside it,
// renamed into place).  On failure returns false with a message in error.
bool drawChart(const ChartInput& input, const std::string& path, ChartFormat format, int width,
               int height, std::string& error);

// Draws the chart as an SVG document into svg, for a page that shows it
// inline.  Fonts stay loaded for the next chart: releaseChartFonts() after
// the last one.  On failure returns false with a message in error.
bool drawChartSvg(const ChartInput& input, int width, int height, std::string& svg,
                  std::string& error);

// Releases the fonts cairo and fontconfig keep between charts.
void releaseChartFonts();

// The vertical scale: ticks at 0, step, 2 step, ... up to top, where step is
// the smallest of 1, 2 or 5 times a power of ten that reaches the highest bar
// in at most 8 steps, and top is the first tick not below the highest bar
// (at least one step).
struct ChartScale {
    long long step = 1;
    long long top = 1;
};
ChartScale chartScale(long long highest);

// The fill colour of an entrance's part of a bar, out of count entrances:
// distinct hues whose lightness rises from the bottom of the stack to the
// top (dark purple, blue, teal, green), so neighbours differ in a black and
// white print too.
struct ChartColour {
    double red, green, blue;  // 0..1
};
ChartColour chartEntranceColour(std::size_t index, std::size_t count);

// "12345" as "12 345": digits grouped by three from five digits on, as
// Polish texts write numbers.
std::string chartNumber(long long value);
