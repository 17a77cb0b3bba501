// The shared record reader over a fuzzed report line, the checksum test,
// and the report reader over a fuzzed file.
//
// Properties: readRecord accepts exactly the lines the plain model of a
// record accepts, with the same time and numbers, a body that ends with
// the fourth terminator and the fifth field as checksum, and leaves the
// record alone otherwise; checksumMatches holds exactly when the fifth
// field is "0X%04X" of the body's checksum; a time read with the line is
// the clock time its text names; and ReportReader cuts a file
// into the lines of the model: complete ones of at most 99 characters
// (line feed included), longer ones whole, and a last one without a line
// feed.
#include <cstring>

#include "fuzz_models.h"
#include "fuzz_support.h"
#include "pcutil.h"
#include "record.h"

namespace {

void checkLine(const std::string& line) {
    RecordView record;
    record.total = -77;
    bool read = readRecord(line, record);
    fuzz::ModelRecord expected;
    FUZZ_CHECK(read == fuzz::modelRecord(line, expected));
    if (!read) {
        FUZZ_CHECK(record.total == -77 && record.time.empty());
        return;
    }
    FUZZ_CHECK(record.time == expected.time);
    FUZZ_CHECK(record.total == expected.total);
    FUZZ_CHECK(record.faults == expected.faults);
    FUZZ_CHECK(record.noAnswer == expected.noAnswer);
    // The body is the line up to its fourth terminator; the checksum
    // follows it up to the fifth.
    std::size_t terminators = 0, at = 0;
    for (; at < line.size() && terminators < 4; ++at)
        terminators += line[at] == ';' || line[at] == '\n' || line[at] == '\xFF';
    FUZZ_CHECK(record.body == std::string_view(line).substr(0, at));
    std::size_t end = at;
    while (line[end] != ';' && line[end] != '\n' && line[end] != '\xFF') ++end;
    FUZZ_CHECK(record.checksum == std::string_view(line).substr(at, end - at));
    // A time read with the line is the clock time its text names.
    if (record.second != -1) {
        const std::string_view t = record.time;
        auto two = [&](std::size_t at) { return (t[at] - '0') * 10 + (t[at + 1] - '0'); };
        bool clock = (t.size() == 5 || (t.size() == 8 && t[5] == '.')) && t[2] == ':';
        for (std::size_t at : {0, 1, 3, 4, 6, 7})
            clock = clock && (at >= t.size() || (t[at] >= '0' && t[at] <= '9'));
        FUZZ_CHECK(clock && two(0) < 24 && two(3) < 60 && (t.size() == 5 || two(6) < 60));
        FUZZ_CHECK(record.second == two(0) * 3600 + two(3) * 60 + (t.size() == 8 ? two(6) : 0));
    }
    bool matches = record.checksum == fmt("0X%04X", checksumll(std::string(record.body)));
    FUZZ_CHECK(checksumMatches(record) == matches);
}

void checkReader(std::string_view content) {
    static const fuzz::ScratchFile file("pcfuzz-record");
    file.write(content);
    std::FILE* in = std::fopen(file.path().c_str(), "rb");
    FUZZ_CHECK(in != nullptr);
    ReportReader reader;
    reader.start(in);
    std::string rest;
    std::vector<std::string> lines = fuzz::linesOf(content, rest);
    std::string_view text;
    LineKind kind;
    for (const std::string& line : lines) {
        FUZZ_CHECK(reader.next(text, kind));
        if (line.size() <= maxRecordLine) {
            FUZZ_CHECK(kind == LineKind::complete && text == line);
        } else {
            FUZZ_CHECK(kind == LineKind::overlong && text == line.substr(0, maxRecordLine));
        }
    }
    if (!rest.empty()) {
        FUZZ_CHECK(reader.next(text, kind));
        FUZZ_CHECK(kind == LineKind::unterminated);
        FUZZ_CHECK(text == rest.substr(0, maxRecordLine));
    }
    FUZZ_CHECK(!reader.next(text, kind));
    std::fclose(in);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(fuzz::bytes(data, size));
    checkLine(input);
    if (input.empty() || input.back() != '\n') checkLine(input + "\n");
    // A line with a checksum that matches, as the poller forms it.
    std::size_t cut = input.find('\n');
    std::string body = input.substr(0, cut == std::string::npos ? input.size() : cut);
    if (body.size() < 60) checkLine(recordLine(body));
    checkReader(input);
    return 0;
}
