// The chart's drawing: title and total on top, the legend under them when
// there are several entrances or hatched parts, then the bars over a scale
// with grid lines (visitors that may belong earlier hatched, words in the
// empty places of closed days), the period labels (thinned so that they
// never touch) and the group labels under them.  Every size follows the chart's size; bar edges
// fall on whole pixels so a PNG shows them sharp.
#include "draw.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

const char* const fontFamily = "DejaVu Sans";

// Shown in the plot when there is no period at all.
const char* const noPeriodsText = "Brak rekordów w wybranym okresie";

// Steps, in bars, between period labels: the smallest that keeps the labels
// apart is used (a label every 1, 2, 3, 4, 6, 8 or 12 hours divides a day),
// then doublings of 24.
constexpr int labelSteps[] = {1, 2, 3, 4, 6, 8, 12, 24};

// Sizes at the default size of the chart; they grow with the chart, and on
// a small chart shrink only so far that the texts stay readable.
struct Sizes {
    double margin, gap, titleFont, textFont, tick, swatch, widestBar;
};

Sizes sizesFor(double width, double height) {
    constexpr double smallest = 0.75;
    const double unit =
        std::max(smallest, std::min(width / chartDefaultWidth, height / chartDefaultHeight));
    return {18 * unit, 8 * unit, 20 * unit, 13 * unit, 5 * unit, 12 * unit, 120 * unit};
}

// Greys of the texts and lines, from black (0) to white (1).
constexpr double textGrey = 0.15;
constexpr double scaleTextGrey = 0.35;
constexpr double gridGrey = 0.87;
constexpr double axisGrey = 0.25;
constexpr double separatorGrey = 0.6;
// The outline of a compared period's bar, and its width in pixels.
constexpr double comparedGrey = 0.05;
constexpr double comparedLine = 2;

// Share of a bar's place that the bar fills; the rest is the gap between
// neighbours.
constexpr double barShare = 0.75;

void setGrey(cairo_t* cr, double grey) { cairo_set_source_rgb(cr, grey, grey, grey); }

void setFont(cairo_t* cr, double size, bool bold) {
    cairo_select_font_face(cr, fontFamily, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
}

double textWidth(cairo_t* cr, const std::string& text) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    return extents.x_advance;
}

cairo_font_extents_t fontExtents(cairo_t* cr) {
    cairo_font_extents_t extents;
    cairo_font_extents(cr, &extents);
    return extents;
}

void showText(cairo_t* cr, double x, double baseline, const std::string& text) {
    cairo_move_to(cr, x, baseline);
    cairo_show_text(cr, text.c_str());
}

void line(cairo_t* cr, double x0, double y0, double x1, double y1, double grey, double width) {
    setGrey(cr, grey);
    cairo_set_line_width(cr, width);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_stroke(cr);
}

// text, cut at a character and ended with an ellipsis where it is wider
// than width.
std::string fitText(cairo_t* cr, const std::string& text, double width) {
    if (textWidth(cr, text) <= width) return text;
    std::string cut = text;
    while (!cut.empty()) {
        std::size_t end = cut.size() - 1;
        while (end > 0 && (static_cast<unsigned char>(cut[end]) & 0xC0) == 0x80) --end;
        cut.erase(end);
        if (textWidth(cr, cut + "…") <= width) return cut + "…";
    }
    return "";
}

long long saturatingAdd(long long a, long long b) { return b > LLONG_MAX - a ? LLONG_MAX : a + b; }

long long visitorsAt(const ChartInput& input, std::size_t period, std::size_t entrance) {
    if (period >= input.visitors.size() || entrance >= input.visitors[period].size()) return 0;
    return std::max(0LL, input.visitors[period][entrance]);
}

long long carriedAt(const ChartInput& input, std::size_t period, std::size_t entrance) {
    if (period >= input.carried.size() || entrance >= input.carried[period].size()) return 0;
    return std::clamp(input.carried[period][entrance], 0LL, visitorsAt(input, period, entrance));
}

bool anyCarried(const ChartInput& input) {
    for (std::size_t p = 0; p < input.carried.size(); ++p)
        for (std::size_t e = 0; e < input.entrances.size(); ++e)
            if (carriedAt(input, p, e) > 0) return true;
    return false;
}

// Thin light diagonal stripes over a rectangle: the mark of visitors that
// may belong earlier.
void hatch(cairo_t* cr, double x, double y, double width, double height, const Sizes& sizes) {
    constexpr double stripeGrey = 0.95;
    const double step = std::max(4.0, sizes.swatch / 2);
    cairo_save(cr);
    cairo_rectangle(cr, x, y, width, height);
    cairo_clip(cr);
    setGrey(cr, stripeGrey);
    cairo_set_line_width(cr, std::max(1.0, step / 3));
    for (double start = x - height; start < x + width; start += step) {
        cairo_move_to(cr, start, y + height);
        cairo_line_to(cr, start + height, y);
    }
    cairo_stroke(cr);
    cairo_restore(cr);
}

long long highestBar(const ChartInput& input) {
    long long highest = 0;
    for (std::size_t p = 0; p < input.periods.size(); ++p) {
        long long sum = 0;
        for (std::size_t e = 0; e < input.entrances.size(); ++e)
            sum = saturatingAdd(sum, visitorsAt(input, p, e));
        highest = std::max(highest, sum);
    }
    for (long long compared : input.compared) highest = std::max(highest, compared);
    return highest;
}

// Title on the left, total on the right of the first line; returns the
// bottom of the line.
double drawHeading(cairo_t* cr, const ChartInput& input, const Sizes& sizes, double width) {
    setFont(cr, sizes.titleFont, false);
    const std::string total = "Razem: " + chartNumber(input.total);
    const double totalWidth = textWidth(cr, total);
    const double ascent = fontExtents(cr).ascent;
    const double baseline = sizes.margin + ascent;
    setGrey(cr, textGrey);
    showText(cr, width - sizes.margin - totalWidth, baseline, total);

    // A long title gets a somewhat smaller font, then two lines broken at a
    // blank, and the second line is cut where it is still too long.
    constexpr double smallestTitle = 0.8;
    const double room = width - 2 * sizes.margin - totalWidth - 3 * sizes.gap;
    double font = sizes.titleFont;
    setFont(cr, font, true);
    const double natural = textWidth(cr, input.title);
    std::vector<std::string> lines{input.title};
    if (natural > room) {
        font = std::max(sizes.titleFont * smallestTitle, font * room / natural);
        setFont(cr, font, true);
        std::size_t cut = std::string::npos;
        for (std::size_t blank = input.title.find(' '); blank != std::string::npos;
             blank = input.title.find(' ', blank + 1)) {
            if (textWidth(cr, input.title.substr(0, blank)) > room) break;
            cut = blank;
        }
        if (textWidth(cr, input.title) > room && cut != std::string::npos)
            lines = {input.title.substr(0, cut), input.title.substr(cut + 1)};
    }
    const cairo_font_extents_t extents = fontExtents(cr);
    double lineBaseline = baseline;
    for (const std::string& text : lines) {
        showText(cr, sizes.margin, lineBaseline, fitText(cr, text, room));
        lineBaseline += extents.height;
    }
    return lineBaseline - extents.height + extents.descent;
}

// The legend, left to right in stack order from the bottom, wrapped onto
// more lines where needed; returns its bottom.
double drawLegend(cairo_t* cr, const ChartInput& input, const Sizes& sizes, double width,
                  double top) {
    const std::size_t count = input.entrances.size();
    const bool carried = anyCarried(input);
    const bool compared = !input.compared.empty();
    if (count < 2 && !carried && !compared) return top;
    setFont(cr, sizes.textFont, false);
    const cairo_font_extents_t font = fontExtents(cr);
    const double lineHeight = std::max(font.height, sizes.swatch) + sizes.gap / 2;
    const double left = sizes.margin;
    const double right = width - sizes.margin;
    double x = left;
    double y = top + sizes.gap;
    // The entrances (when there are several), then the hatching.
    const std::size_t first = count < 2 ? count : 0;
    for (std::size_t e = first; e < count + (carried ? 1 : 0); ++e) {
        const double labelRoom = right - left - sizes.swatch - sizes.gap;
        const std::string label =
            fitText(cr, e < count ? input.entrances[e] : input.carriedLabel, labelRoom);
        const double itemWidth = sizes.swatch + sizes.gap / 2 + textWidth(cr, label);
        if (x > left && x + itemWidth > right) {
            x = left;
            y += lineHeight;
        }
        const ChartColour colour = e < count
                                       ? chartEntranceColour(e, count)
                                       : ChartColour{scaleTextGrey, scaleTextGrey, scaleTextGrey};
        const double middle = y + lineHeight / 2;
        const double swatchTop = std::round(middle - sizes.swatch / 2);
        cairo_set_source_rgb(cr, colour.red, colour.green, colour.blue);
        cairo_rectangle(cr, std::round(x), swatchTop, std::round(sizes.swatch),
                        std::round(sizes.swatch));
        cairo_fill(cr);
        if (e == count)
            hatch(cr, std::round(x), swatchTop, std::round(sizes.swatch), std::round(sizes.swatch),
                  sizes);
        setGrey(cr, textGrey);
        showText(cr, x + sizes.swatch + sizes.gap / 2, middle + (font.ascent - font.descent) / 2,
                 label);
        x += itemWidth + 2.5 * sizes.gap;
    }
    if (compared) {
        // The compared period: an outlined swatch, as its outlines in the plot.
        const std::string label =
            fitText(cr, input.comparedLabel, right - left - sizes.swatch - sizes.gap);
        const double itemWidth = sizes.swatch + sizes.gap / 2 + textWidth(cr, label);
        if (x > left && x + itemWidth > right) {
            x = left;
            y += lineHeight;
        }
        const double middle = y + lineHeight / 2;
        setGrey(cr, comparedGrey);
        cairo_set_line_width(cr, comparedLine);
        cairo_rectangle(cr, std::round(x) + 1, std::round(middle - sizes.swatch / 2) + 1,
                        std::round(sizes.swatch) - 2, std::round(sizes.swatch) - 2);
        cairo_stroke(cr);
        setGrey(cr, textGrey);
        showText(cr, x + sizes.swatch + sizes.gap / 2, middle + (font.ascent - font.descent) / 2,
                 label);
    }
    return y + lineHeight;
}

struct Plot {
    double left, right, top, bottom;  // whole pixels
    ChartScale scale;
    double height() const { return bottom - top; }
    double width() const { return right - left; }
    double yFor(long long value) const {
        return std::round(bottom - static_cast<long double>(value) / scale.top * height());
    }
};

void drawScale(cairo_t* cr, const Plot& plot, const Sizes& sizes) {
    setFont(cr, sizes.textFont, false);
    const cairo_font_extents_t font = fontExtents(cr);
    const long long ticks = plot.scale.top / plot.scale.step;
    for (long long i = 0; i <= ticks; ++i) {
        const long long value = i * plot.scale.step;
        const double y = plot.yFor(value) + 0.5;
        if (i > 0) line(cr, plot.left, y, plot.right, y, gridGrey, 1);
        const std::string label = chartNumber(value);
        setGrey(cr, scaleTextGrey);
        showText(cr, plot.left - sizes.gap - textWidth(cr, label),
                 y + (font.ascent - font.descent) / 2, label);
    }
}

// Indexes of the first bar of each run of equal groups.
std::vector<std::size_t> groupStarts(const ChartInput& input) {
    std::vector<std::size_t> starts;
    if (input.groups.size() != input.periods.size()) return starts;
    for (std::size_t p = 0; p < input.groups.size(); ++p)
        if (p == 0 || input.groups[p] != input.groups[p - 1]) starts.push_back(p);
    return starts;
}

void drawBars(cairo_t* cr, const ChartInput& input, const Plot& plot, const Sizes& sizes) {
    const std::size_t count = input.periods.size();
    const double slot = plot.width() / count;
    const double bar =
        slot >= 4 ? std::min(slot * barShare, sizes.widestBar) : std::max(1.0, slot - 1);
    for (std::size_t p = 0; p < count; ++p) {
        const double x0 = std::round(plot.left + p * slot + (slot - bar) / 2);
        const double x1 = std::max(x0 + 1, std::round(plot.left + p * slot + (slot + bar) / 2));
        long long below = 0;
        for (std::size_t e = 0; e < input.entrances.size(); ++e) {
            const double low = plot.yFor(below);
            below = saturatingAdd(below, visitorsAt(input, p, e));
            const double high = plot.yFor(below);
            if (high >= low) continue;
            const ChartColour colour = chartEntranceColour(e, input.entrances.size());
            cairo_set_source_rgb(cr, colour.red, colour.green, colour.blue);
            cairo_rectangle(cr, x0, high, x1 - x0, low - high);
            cairo_fill(cr);
            // The carried visitors are the top of the entrance's part.
            const long long carried = carriedAt(input, p, e);
            if (carried > 0) {
                const double carriedLow = std::min(low, plot.yFor(below - carried));
                if (carriedLow > high) hatch(cr, x0, high, x1 - x0, carriedLow - high, sizes);
            }
        }
        // The compared period's visitors: a thin outline of the bar it
        // would be.
        if (p < input.compared.size() && input.compared[p] > 0 && x1 - x0 >= 3) {
            const double top = plot.yFor(input.compared[p]);
            setGrey(cr, comparedGrey);
            cairo_set_line_width(cr, comparedLine);
            cairo_rectangle(cr, x0 + 1, top + 1, x1 - x0 - 2, plot.bottom - top - 1);
            cairo_stroke(cr);
        }
    }
}

// The words written upright in the places of bars, from the foot up, where
// the place is wide enough for a line of text.
void drawNotes(cairo_t* cr, const ChartInput& input, const Plot& plot, const Sizes& sizes) {
    if (input.notes.size() != input.periods.size()) return;
    const double slot = plot.width() / input.periods.size();
    setFont(cr, sizes.textFont, false);
    const cairo_font_extents_t font = fontExtents(cr);
    if (slot < font.ascent) return;
    for (std::size_t p = 0; p < input.notes.size(); ++p) {
        if (input.notes[p].empty()) continue;
        const std::string text = fitText(cr, input.notes[p], plot.height() - sizes.gap);
        const double middle = plot.left + (p + 0.5) * slot;
        cairo_save(cr);
        cairo_move_to(cr, middle + (font.ascent - font.descent) / 2, plot.bottom - sizes.gap);
        cairo_rotate(cr, -M_PI / 2);
        setGrey(cr, scaleTextGrey);
        cairo_show_text(cr, text.c_str());
        cairo_restore(cr);
    }
}

// The smallest step from labelSteps (then doublings) at which labels of
// the given width keep a gap between them.
std::size_t labelStep(double widest, double slot, double gap) {
    std::size_t step = 1;
    for (int candidate : labelSteps) {
        step = candidate;
        if (step * slot >= widest + gap) return step;
    }
    while (step * slot < widest + gap && step < (std::size_t(1) << 40)) step *= 2;
    return step;
}

// Period labels under the bars, every step-th bar of each group, each only
// where it keeps clear of the one before; returns the bottom of the line.
double drawPeriodLabels(cairo_t* cr, const ChartInput& input, const Plot& plot, const Sizes& sizes,
                        double width) {
    const std::size_t count = input.periods.size();
    const double slot = plot.width() / count;
    setFont(cr, sizes.textFont, false);
    const cairo_font_extents_t font = fontExtents(cr);
    double widest = 0;
    for (const std::string& label : input.periods) widest = std::max(widest, textWidth(cr, label));
    const double apart = 1.5 * sizes.gap;
    const std::size_t step = labelStep(widest, slot, apart);
    const std::vector<std::size_t> starts = groupStarts(input);
    const double baseline = plot.bottom + sizes.tick + sizes.gap / 2 + font.ascent;
    // Where a group has room for hardly more than its first label, the
    // group labels alone tell the places apart.
    std::size_t longestGroup = 0;
    for (std::size_t g = 0; g < starts.size(); ++g)
        longestGroup =
            std::max(longestGroup, (g + 1 < starts.size() ? starts[g + 1] : count) - starts[g]);
    if (!starts.empty() && 2 * step > longestGroup) return baseline + font.descent;
    double clearFrom = 0;
    std::size_t run = 0;
    for (std::size_t p = 0; p < count; ++p) {
        while (run + 1 < starts.size() && starts[run + 1] <= p) ++run;
        const std::size_t first = starts.empty() ? 0 : starts[run];
        if ((p - first) % step != 0 || input.periods[p].empty()) continue;
        const double labelWidth = textWidth(cr, input.periods[p]);
        const double middle = plot.left + (p + 0.5) * slot;
        const double x = std::clamp(middle - labelWidth / 2, sizes.margin / 2,
                                    width - sizes.margin / 2 - labelWidth);
        if (x < clearFrom) continue;
        line(cr, std::round(middle) + 0.5, plot.bottom, std::round(middle) + 0.5,
             plot.bottom + sizes.tick, axisGrey, 1);
        setGrey(cr, textGrey);
        showText(cr, x, baseline, input.periods[p]);
        clearFrom = x + labelWidth + apart;
    }
    return baseline + font.descent;
}

// Thin lines between the groups, from the top of the plot down through the
// labels, and each group's label at its start.
void drawGroups(cairo_t* cr, const ChartInput& input, const Plot& plot, const Sizes& sizes,
                double labelsBottom, double width) {
    const std::vector<std::size_t> starts = groupStarts(input);
    if (starts.empty()) return;
    const double slot = plot.width() / input.periods.size();
    setFont(cr, sizes.textFont, true);
    const cairo_font_extents_t font = fontExtents(cr);
    const double baseline = labelsBottom + sizes.gap / 2 + font.ascent;
    double clearFrom = 0;
    for (std::size_t start : starts) {
        const double x = std::round(plot.left + start * slot) + 0.5;
        if (start > 0) line(cr, x, plot.top, x, baseline + font.descent, separatorGrey, 1);
        const std::string& label = input.groups[start];
        const double labelX =
            std::min(x + sizes.gap / 2, width - sizes.margin / 2 - textWidth(cr, label));
        if (labelX < clearFrom || label.empty()) continue;
        setGrey(cr, textGrey);
        showText(cr, labelX, baseline, label);
        clearFrom = labelX + textWidth(cr, label) + 2 * sizes.gap;
    }
}

void drawNoPeriods(cairo_t* cr, const Plot& plot, const Sizes& sizes) {
    setFont(cr, sizes.titleFont, false);
    setGrey(cr, scaleTextGrey);
    showText(cr, plot.left + (plot.width() - textWidth(cr, noPeriodsText)) / 2,
             plot.top + plot.height() / 2, noPeriodsText);
}

// The height of the lines under the plot: ticks, period labels and, when
// there are groups, their labels.
double heightBelowPlot(cairo_t* cr, const ChartInput& input, const Sizes& sizes) {
    setFont(cr, sizes.textFont, false);
    double below = sizes.tick + sizes.gap / 2 + fontExtents(cr).height;
    if (!groupStarts(input).empty()) {
        setFont(cr, sizes.textFont, true);
        below += sizes.gap / 2 + fontExtents(cr).height;
    }
    return below;
}

double scaleWidth(cairo_t* cr, const ChartScale& scale, const Sizes& sizes) {
    setFont(cr, sizes.textFont, false);
    double widest = 0;
    for (long long value = 0; value <= scale.top - scale.step; value += scale.step)
        widest = std::max(widest, textWidth(cr, chartNumber(value)));
    return std::max(widest, textWidth(cr, chartNumber(scale.top)));
}

}  // namespace

void drawChartOn(cairo_t* cr, const ChartInput& input, double width, double height) {
    const Sizes sizes = sizesFor(width, height);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);

    const double headingBottom = drawHeading(cr, input, sizes, width);
    const double legendBottom = drawLegend(cr, input, sizes, width, headingBottom);

    Plot plot;
    plot.scale = chartScale(highestBar(input));
    setFont(cr, sizes.textFont, false);
    plot.top = std::round(legendBottom + sizes.gap + fontExtents(cr).height);
    plot.bottom = std::round(height - sizes.margin - heightBelowPlot(cr, input, sizes));
    plot.left = std::round(sizes.margin + scaleWidth(cr, plot.scale, sizes) + sizes.gap);
    plot.right = std::round(width - sizes.margin);
    if (plot.bottom <= plot.top) plot.bottom = plot.top + 1;

    drawScale(cr, plot, sizes);
    if (input.periods.empty()) {
        drawNoPeriods(cr, plot, sizes);
    } else {
        const double labelsBottom = drawPeriodLabels(cr, input, plot, sizes, width);
        drawGroups(cr, input, plot, sizes, labelsBottom, width);
        drawBars(cr, input, plot, sizes);
        drawNotes(cr, input, plot, sizes);
    }
    line(cr, plot.left, plot.bottom + 0.5, plot.right, plot.bottom + 0.5, axisGrey, 1);
}
