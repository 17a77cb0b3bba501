// The texts a chart takes from outside: names and titles made valid UTF-8
// (cleanChartText), and the command line's size and file name
// (parseChartSize, chartFormatFor).
//
// Input: the whole input is a text to clean; its first line is also a size
// text and a file name.
//
// Properties: the cleaned text is well-formed UTF-8 by the byte ranges of
// the Unicode standard's table of well-formed sequences, holds no control
// character, is no longer than the input, equals the input when that was
// already clean, and cleaning it again changes nothing; a size is accepted
// exactly when it is digits x digits within the limits, and then gives
// those numbers; a format is found exactly for a name whose last component
// ends in .png, .svg or .pdf after a non-empty stem.
#include <cctype>

#include "chart.h"
#include "fuzz_support.h"
#include "text.h"

namespace {

// The length of the well-formed sequence at text[at], by the byte ranges of
// the standard's table; 0 when there is none.
std::size_t wellFormedAt(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) {
        return i < text.size() ? static_cast<unsigned char>(text[i]) : 0x100u;
    };
    const auto in = [](unsigned value, unsigned low, unsigned high) {
        return value >= low && value <= high;
    };
    const unsigned b0 = byte(at), b1 = byte(at + 1), b2 = byte(at + 2), b3 = byte(at + 3);
    if (b0 <= 0x7F) return 1;
    if (in(b0, 0xC2, 0xDF) && in(b1, 0x80, 0xBF)) return 2;
    if (b0 == 0xE0 && in(b1, 0xA0, 0xBF) && in(b2, 0x80, 0xBF)) return 3;
    if ((in(b0, 0xE1, 0xEC) || in(b0, 0xEE, 0xEF)) && in(b1, 0x80, 0xBF) && in(b2, 0x80, 0xBF))
        return 3;
    if (b0 == 0xED && in(b1, 0x80, 0x9F) && in(b2, 0x80, 0xBF)) return 3;
    if (b0 == 0xF0 && in(b1, 0x90, 0xBF) && in(b2, 0x80, 0xBF) && in(b3, 0x80, 0xBF)) return 4;
    if (in(b0, 0xF1, 0xF3) && in(b1, 0x80, 0xBF) && in(b2, 0x80, 0xBF) && in(b3, 0x80, 0xBF))
        return 4;
    if (b0 == 0xF4 && in(b1, 0x80, 0x8F) && in(b2, 0x80, 0xBF) && in(b3, 0x80, 0xBF)) return 4;
    return 0;
}

// Well-formed and free of C0, DEL and C1 controls.
bool isClean(const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = wellFormedAt(text, at);
        if (length == 0) return false;
        const auto b0 = static_cast<unsigned char>(text[at]);
        if (b0 < 0x20 || b0 == 0x7F) return false;
        if (b0 == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0) return false;
        at += length;
    }
    return true;
}

bool sizeModel(const std::string& text, int& width, int& height) {
    const std::size_t x = text.find('x');
    if (x == std::string::npos || text.find('x', x + 1) != std::string::npos) return false;
    const std::string sides[] = {text.substr(0, x), text.substr(x + 1)};
    long values[2] = {};
    for (int i = 0; i < 2; ++i) {
        if (sides[i].empty() || sides[i].size() > 5) return false;
        for (char c : sides[i])
            if (c < '0' || c > '9') return false;
        values[i] = std::strtol(sides[i].c_str(), nullptr, 10);
    }
    if (values[0] < chartMinWidth || values[0] > chartMaxSide || values[1] < chartMinHeight ||
        values[1] > chartMaxSide)
        return false;
    width = static_cast<int>(values[0]);
    height = static_cast<int>(values[1]);
    return true;
}

bool formatModel(const std::string& path) {
    const std::string name = path.substr(path.find_last_of('/') + 1);
    if (name.size() < 5) return false;
    std::string end = name.substr(name.size() - 4);
    for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return end == ".png" || end == ".svg" || end == ".pdf";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(fuzz::bytes(data, size));
    const std::string clean = cleanChartText(input);
    FUZZ_CHECK(isClean(clean));
    FUZZ_CHECK(clean.size() <= input.size());
    if (isClean(input)) FUZZ_CHECK(clean == input);
    FUZZ_CHECK(cleanChartText(clean) == clean);

    const std::string line = input.substr(0, input.find('\n'));
    int width = -1, height = -1, modelWidth = -1, modelHeight = -1;
    const bool parsed = parseChartSize(line, width, height);
    FUZZ_CHECK(parsed == sizeModel(line, modelWidth, modelHeight));
    if (parsed)
        FUZZ_CHECK(width == modelWidth && height == modelHeight);
    else
        FUZZ_CHECK(width == -1 && height == -1);

    ChartFormat format;
    FUZZ_CHECK(chartFormatFor(line, format) == formatModel(line));
    return 0;
}
