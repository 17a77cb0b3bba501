// Charts read back from their pixels: a PNG through cairo, and the bars of
// a chart found by the colours of their entrances.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<unsigned> rgb;  // 0xRRGGBB, row by row; empty when unreadable
    unsigned at(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
};

Pixels readPng(const std::string& path);

// A bar as the pixels show it: its columns and, per entrance from the
// bottom, the height in pixels of its part in the middle column.
struct Bar {
    int left = 0, right = 0;  // columns, the right one included
    int foot = 0;             // the lowest row of the bar
    std::vector<int> parts;
    double middle() const { return (left + right) / 2.0; }
};

// The bars of a chart of that many entrances, left to right: those that
// stand on the lowest row holding the first entrance's colour (the
// legend's swatches stand higher and are no bars).
std::vector<Bar> readBars(const Pixels& pixels, std::size_t entrances);

}  // namespace testsupport
