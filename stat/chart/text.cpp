// Texts as the chart shows them: valid UTF-8 without control characters.
#include "text.h"

#include "utf8.h"

std::string cleanChartText(const std::string& text) {
    std::string clean;
    clean.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8SequenceLength(text, at);
        if (length == 0 || isControlCharacter(utf8CodePoint(text, at, length))) {
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
