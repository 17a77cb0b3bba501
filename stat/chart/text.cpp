// Texts as the chart shows them: valid UTF-8 without control characters.
#include "text.h"

namespace {

// The length of the valid UTF-8 sequence at text[at] and its code point, or
// 0 when the bytes there are not one.
std::size_t utf8Sequence(const std::string& text, std::size_t at, unsigned long& code) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length;
    unsigned long minimum;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
        code = code << 6 | (byte(at + i) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

bool isControl(unsigned long code) {
    return code < 0x20 || code == 0x7F || (code >= 0x80 && code < 0xA0);
}

}  // namespace

std::string cleanChartText(const std::string& text) {
    std::string clean;
    clean.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        unsigned long code = 0;
        const std::size_t length = utf8Sequence(text, at, code);
        if (length == 0 || isControl(code)) {
            clean += '?';
            at += length ? length : 1;
        } else {
            clean.append(text, at, length);
            at += length;
        }
    }
    return clean;
}

ChartInput cleanChartInput(const ChartInput& input) {
    ChartInput clean = input;
    clean.title = cleanChartText(input.title);
    clean.carriedLabel = cleanChartText(input.carriedLabel);
    for (auto* texts : {&clean.entrances, &clean.periods, &clean.groups, &clean.notes})
        for (std::string& text : *texts) text = cleanChartText(text);
    return clean;
}
