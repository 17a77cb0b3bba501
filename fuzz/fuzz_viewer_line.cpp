// splitRecord over a fuzzed report line, and over records as the poller
// forms them from values taken from the input.
//
// Properties: a line is split exactly when the plain model of a record
// accepts it, with the same time and numbers; a line that is not a record
// leaves the record untouched; and every record the poller can write (a
// total of 0..999999, a fault count of 0..86, a no-answer flag, an HH:MM
// or HH:MM.SS time) fits one report line and splits back into its values.
#include <cstring>

#include "fuzz_models.h"
#include "fuzz_support.h"
#include "poller.h"
#include "viewer.h"
#include "viewerhelpers.h"

namespace {

void checkSplit(const std::string& line) {
    Record record;
    record.time = "untouched";
    record.total = -77;
    record.faults = -78;
    record.noAnswer = -79;
    bool split = splitRecord(line, record);

    fuzz::ModelRecord expected;
    bool modelSplit = fuzz::modelRecord(line, expected);
    FUZZ_CHECK(split == modelSplit);
    if (split) {
        FUZZ_CHECK(line.back() == '\n');
        FUZZ_CHECK(record.time.size() <= maxTimeLength);
        FUZZ_CHECK(record.time == expected.time);
        FUZZ_CHECK(record.total == expected.total);
        FUZZ_CHECK(record.faults == expected.faults);
        FUZZ_CHECK(record.noAnswer == expected.noAnswer);
    } else {
        FUZZ_CHECK(record.time == "untouched" && record.total == -77 && record.faults == -78 &&
                   record.noAnswer == -79);
    }
}

// A record line as the poller writes it, from the first bytes of data.
void checkPollerRecord(const std::uint8_t* data, std::size_t size) {
    std::uint8_t b[8] = {};
    std::memcpy(b, data, size < sizeof b ? size : sizeof b);
    PollResult result;
    result.total = static_cast<int>((b[0] | b[1] << 8 | b[2] << 16) % 1000000);
    result.faults = b[3] % (static_cast<int>(parserWindow) / 3 + 2);
    result.noAnswer = b[4] & 1;
    std::string time = b[7] & 1 ? fmt("%02d:%02d.%02d", b[5] % 24, b[6] % 60, b[7] % 60)
                                : fmt("%02d:%02d", b[5] % 24, b[6] % 60);
    std::string body = recordBody(time, result);
    std::string line = body + checksumText(body) + "\n";
    FUZZ_CHECK(line.size() < static_cast<std::size_t>(reportLineCapacity));

    Record record;
    FUZZ_CHECK(splitRecord(line, record));
    FUZZ_CHECK(record.time == time);
    FUZZ_CHECK(record.total == result.total);
    FUZZ_CHECK(record.faults == result.faults);
    FUZZ_CHECK(record.noAnswer == result.noAnswer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string line(fuzz::bytes(data, size));
    checkSplit(line);
    // The same text as a complete line, as the report reader hands it over.
    if (line.empty() || line.back() != '\n') checkSplit(line + "\n");
    checkPollerRecord(data, size);
    return 0;
}
