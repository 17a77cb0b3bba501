// Charts read back from their pixels.
#include "chartpixels.h"

#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "chart.h"

namespace testsupport {

Pixels readPng(const std::string& path) {
    Pixels pixels;
    cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        cairo_surface_flush(surface);
        pixels.width = cairo_image_surface_get_width(surface);
        pixels.height = cairo_image_surface_get_height(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        for (int y = 0; y < pixels.height; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(data + y * stride);
            for (int x = 0; x < pixels.width; ++x) pixels.rgb.push_back(row[x] & 0xFFFFFF);
        }
    }
    cairo_surface_destroy(surface);
    return pixels;
}

namespace {

bool isColour(unsigned pixel, const ChartColour& colour) {
    const double channels[] = {colour.red, colour.green, colour.blue};
    for (int i = 0; i < 3; ++i) {
        const int expected = static_cast<int>(std::lround(channels[i] * 255));
        const int found = (pixel >> (16 - 8 * i)) & 0xFF;
        if (std::abs(found - expected) > 1) return false;
    }
    return true;
}

}  // namespace

std::vector<Bar> readBars(const Pixels& pixels, std::size_t entrances) {
    const ChartColour bottom = chartEntranceColour(0, entrances);
    int baseline = -1;
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
            if (isColour(pixels.at(x, y), bottom)) baseline = y;
    std::vector<Bar> bars;
    if (baseline < 0) return bars;
    for (int x = 0; x < pixels.width; ++x) {
        if (!isColour(pixels.at(x, baseline), bottom)) continue;
        if (bars.empty() || bars.back().right != x - 1)
            bars.push_back(Bar{x, x, baseline, {}});
        else
            bars.back().right = x;
    }
    for (Bar& bar : bars) {
        const int x = (bar.left + bar.right) / 2;
        int y = baseline;
        for (std::size_t e = 0; e < entrances; ++e) {
            const ChartColour colour = chartEntranceColour(e, entrances);
            int height = 0;
            while (y >= 0 && isColour(pixels.at(x, y), colour)) ++height, --y;
            bar.parts.push_back(height);
        }
    }
    return bars;
}

}  // namespace testsupport
