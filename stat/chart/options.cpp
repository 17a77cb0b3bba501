// The chart's file format and size as the command line gives them.
#include "chart.h"

#include <algorithm>
#include <cctype>

bool chartFormatFor(const std::string& path, ChartFormat& format) {
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t point = name.rfind('.');
    if (point == std::string::npos || point == 0) return false;
    std::string extension = name.substr(point + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    if (extension == "png")
        format = ChartFormat::png;
    else if (extension == "svg")
        format = ChartFormat::svg;
    else if (extension == "pdf")
        format = ChartFormat::pdf;
    else
        return false;
    return true;
}

bool parseChartSize(const std::string& text, int& width, int& height) {
    const auto side = [](const std::string& digits, int lowest, int& value) {
        if (digits.empty() || digits.size() > 5 ||
            !std::all_of(digits.begin(), digits.end(),
                         [](unsigned char c) { return std::isdigit(c); }))
            return false;
        value = std::stoi(digits);
        return value >= lowest && value <= chartMaxSide;
    };
    const std::size_t x = text.find('x');
    if (x == std::string::npos) return false;
    int w = 0;
    int h = 0;
    if (!side(text.substr(0, x), chartMinWidth, w) || !side(text.substr(x + 1), chartMinHeight, h))
        return false;
    width = w;
    height = h;
    return true;
}
