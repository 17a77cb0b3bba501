// pcstat's JSON Lines over texts from outside: jsonString, the findings of
// the check as FindingWriter writes them, and the statistics as writeJson
// writes them, with labels, details and numbers taken from the input.
//
// Properties: every JSON string and every line written is valid UTF-8 and
// one JSON value by the strict model of the grammar (json_model.h), the
// statistics one line per row and entrance; a text that is valid UTF-8
// without control characters comes out of escapedText unchanged, and
// inside a JSON string with only its quotes and backslashes escaped;
// escapedText writes what the model of escaping writes, valid UTF-8 without control characters and
// is the same when applied twice; csv and table lines of escaped texts are valid UTF-8 without
// control characters.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

#include "escape.h"
#include "findings_out.h"
#include "fuzz_models.h"
#include "fuzz_support.h"
#include "json_model.h"
#include "output.h"
#include "quoting.h"
#include "utf8.h"

namespace {

using fuzz::JsonModel;

// The text a writer wrote to a memory stream.
template <typename Write>
std::string written(Write write) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    FUZZ_CHECK(out != nullptr);
    write(out);
    std::fclose(out);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    FUZZ_CHECK(start == text.size());  // every line ends in a line feed
    return lines;
}

// Valid UTF-8 whose only control character is the line feed.
bool printableLines(const std::string& text) {
    if (!JsonModel::isUtf8(text)) return false;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = utf8SequenceLength(text, at);
        char32_t code = utf8CodePoint(text, at, length);
        if (code != U'\n' && isControlCharacter(code)) return false;
        at += length;
    }
    return true;
}

bool clean(const std::string& text) {
    if (!JsonModel::isUtf8(text)) return false;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = utf8SequenceLength(text, at);
        if (isControlCharacter(utf8CodePoint(text, at, length))) return false;
        at += length;
    }
    return true;
}

void checkText(const std::string& text) {
    const std::string escaped = escapedText(text);
    FUZZ_CHECK(escaped == fuzz::modelEscaped(text));
    FUZZ_CHECK(clean(escaped));
    FUZZ_CHECK(escapedText(escaped) == escaped);
    FUZZ_CHECK(needsEscaping(text) == (escaped != text));
    const std::string json = jsonString(text);
    FUZZ_CHECK(JsonModel::isDocument(json));
    if (clean(text)) {
        FUZZ_CHECK(escaped == text);
        std::string expected = "\"";
        for (char c : text) {
            if (c == '"' || c == '\\') expected += '\\';
            expected += c;
        }
        FUZZ_CHECK(json == expected + "\"");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    constexpr std::size_t maxText = 200;
    const std::string label = input.ConsumeRandomLengthString(maxText);
    const std::string detail = input.ConsumeRandomLengthString(maxText);
    const std::string second = input.ConsumeRandomLengthString(maxText);
    checkText(label);
    checkText(detail);
    checkText(second);

    // A finding as the check makes it (texts escaped), and one of raw
    // texts: JSON must stay valid either way.
    const Day day = std::chrono::sys_days{std::chrono::year{2011} / 3 / 14} +
                    std::chrono::days{input.ConsumeIntegralInRange<int>(-50000, 50000)};
    Finding finding;
    finding.date = dashedDate(day);
    finding.kind = static_cast<FindingKind>(
        input.ConsumeIntegralInRange<std::size_t>(0, findingKindCount - 1));
    finding.line = input.ConsumeIntegral<long>();
    for (bool raw : {false, true}) {
        finding.entrance = raw ? label : escapedText(label);
        finding.detail = raw ? detail : escapedText(detail);
        const std::string json = written([&](std::FILE* out) {
            FindingWriter writer(OutputFormat::json, out);
            writer.write(finding);
        });
        std::vector<std::string> lines = linesOf(json);
        FUZZ_CHECK(lines.size() == 1);
        FUZZ_CHECK(JsonModel::isDocument(lines[0]));
        if (raw) continue;
        for (OutputFormat format : {OutputFormat::csv, OutputFormat::table})
            FUZZ_CHECK(printableLines(written([&](std::FILE* out) {
                FindingWriter writer(format, out);
                writer.write(finding);
            })));
    }

    // Statistics of two entrances named from the input.
    StatTable table;
    table.by = static_cast<Period>(input.ConsumeIntegralInRange<int>(0, 4));
    table.from = table.to = day;
    table.entrances = {label, second};
    table.scheduled = {input.ConsumeBool(), input.ConsumeBool()};
    table.named = {label, second};
    table.unusableLines = {0, 0};
    const int rows = input.ConsumeIntegralInRange<int>(0, 3);
    for (int r = 0; r < rows; ++r) {
        PeriodRow row;
        row.day = day;
        row.hour = input.ConsumeIntegralInRange<int>(0, 23);
        row.weekday = input.ConsumeIntegralInRange<int>(0, 6);
        for (int k = 0; k < 2; ++k) {
            PeriodCounts counts;
            counts.visitors = input.ConsumeIntegral<long long>();
            counts.records = input.ConsumeIntegral<long long>();
            counts.unanswered = input.ConsumeIntegral<long long>();
            counts.faults = input.ConsumeIntegral<long long>();
            counts.carried = input.ConsumeIntegral<long long>();
            counts.days = input.ConsumeIntegral<long long>();
            counts.openDays = input.ConsumeIntegral<long long>();
            counts.expected = input.ConsumeIntegral<long long>();
            counts.missing = input.ConsumeIntegral<long long>();
            row.entrances.push_back(counts);
        }
        table.rows.push_back(row);
    }
    std::vector<std::string> lines =
        linesOf(written([&](std::FILE* out) { writeJson(table, out); }));
    FUZZ_CHECK(lines.size() == static_cast<std::size_t>(rows) * 2);
    for (const std::string& line : lines) FUZZ_CHECK(JsonModel::isDocument(line));
    return 0;
}
