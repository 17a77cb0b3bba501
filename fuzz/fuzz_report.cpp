// printRows over a fuzzed report file, and increaseText over pairs of
// totals taken from the input.
//
// Properties: a row is printed for exactly the lines of at most 99
// characters (line feed included) that are records, in file order, each
// with its time escaped and the increase over the previous row; a longer line or a last line
// without its line feed gives no row; and increaseText prints the exact
// difference of any two totals, as "%6ld" where it fits in a long.
#include <cstring>

#include "fuzz_models.h"
#include "fuzz_support.h"
#include "pcutil.h"
#include "viewer.h"
#include "viewerhelpers.h"

namespace {

std::string decimal(__int128 value) {
    if (value == 0) return "0";
    bool negative = value < 0;
    unsigned __int128 magnitude =
        negative ? -static_cast<unsigned __int128>(value) : static_cast<unsigned __int128>(value);
    std::string digits;
    for (; magnitude > 0; magnitude /= 10) digits.insert(digits.begin(), '0' + magnitude % 10);
    return (negative ? "-" : "") + digits;
}

void checkIncrease(long total, long previous) {
    __int128 difference = static_cast<__int128>(total) - previous;
    std::string text = increaseText(total, previous);
    if (difference >= LONG_MIN && difference <= LONG_MAX)
        FUZZ_CHECK(text == fmt("%6ld", static_cast<long>(difference)));
    else
        FUZZ_CHECK(text == decimal(difference));
}

std::string expectedRows(std::string_view content) {
    std::string rest;
    std::string rows;
    bool first = true;
    long previous = 0;
    for (const std::string& line : fuzz::linesOf(content, rest)) {
        if (line.size() >= static_cast<std::size_t>(reportLineCapacity)) continue;
        fuzz::ModelRecord model;
        if (!fuzz::modelRecord(line, model)) continue;
        Record record;
        record.time = fuzz::modelEscaped(model.time);
        record.total = static_cast<long>(model.total);
        if (first) previous = record.total;
        first = false;
        checkIncrease(record.total, previous);
        rows += tableRow(record, increaseText(record.total, previous));
        previous = record.total;
    }
    return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::ScratchFile file("pcfuzz-report");
    std::string_view content = fuzz::bytes(data, size);
    file.write(content);

    std::FILE* report = std::fopen(file.path().c_str(), "rb");
    FUZZ_CHECK(report != nullptr);
    char* printed = nullptr;
    std::size_t printedSize = 0;
    std::FILE* out = open_memstream(&printed, &printedSize);
    FUZZ_CHECK(out != nullptr);
    long rows = printRows(report, out);
    std::fclose(out);
    std::fclose(report);
    std::string output(printed, printedSize);
    std::free(printed);

    std::string expected = expectedRows(content);
    FUZZ_CHECK(output == expected);
    long feeds = 0;
    for (char c : output) feeds += c == '\n';
    FUZZ_CHECK(rows == feeds);  // a row is one line: a time holds no line feed

    // The increase of any two totals, straight from the first bytes.
    if (size >= 2 * sizeof(long)) {
        long total = 0;
        long previous = 0;
        std::memcpy(&total, data, sizeof total);
        std::memcpy(&previous, data + sizeof total, sizeof previous);
        checkIncrease(total, previous);
        checkIncrease(previous, total);
        checkIncrease(total, LONG_MIN);
        checkIncrease(LONG_MIN, total);
        checkIncrease(total, LONG_MAX);
    }
    return 0;
}
