// Colours of the entrances: samples of the viridis map, whose lightness
// rises steadily from dark purple to yellow, so the parts of a stack stay
// apart in grey too.
#include "chart.h"

#include <array>
#include <cmath>

namespace {

// viridis at 0, 1/8, ..., 1
constexpr std::array<ChartColour, 9> viridis{{
    {68 / 255.0, 1 / 255.0, 84 / 255.0},
    {72 / 255.0, 40 / 255.0, 120 / 255.0},
    {62 / 255.0, 73 / 255.0, 137 / 255.0},
    {49 / 255.0, 104 / 255.0, 142 / 255.0},
    {38 / 255.0, 130 / 255.0, 142 / 255.0},
    {31 / 255.0, 158 / 255.0, 137 / 255.0},
    {53 / 255.0, 183 / 255.0, 121 / 255.0},
    {110 / 255.0, 206 / 255.0, 88 / 255.0},
    {253 / 255.0, 231 / 255.0, 37 / 255.0},
}};

// The part of the map used: from nearly its darkest to a light green that
// still stands out against the white background.
constexpr double darkest = 0.05;
constexpr double lightest = 0.88;
// A lone entrance gets a plain blue.
constexpr double single = 0.33;

ChartColour viridisAt(double t) {
    const double scaled = t * (viridis.size() - 1);
    const std::size_t low =
        std::min<std::size_t>(static_cast<std::size_t>(scaled), viridis.size() - 2);
    const double part = scaled - low;
    const ChartColour& a = viridis[low];
    const ChartColour& b = viridis[low + 1];
    return {a.red + (b.red - a.red) * part, a.green + (b.green - a.green) * part,
            a.blue + (b.blue - a.blue) * part};
}

}  // namespace

ChartColour chartEntranceColour(std::size_t index, std::size_t count) {
    if (count <= 1) return viridisAt(single);
    if (index >= count) index = count - 1;
    return viridisAt(darkest + (lightest - darkest) * index / (count - 1));
}
