// The operator's answers: readAnswerLine, parseDecimal and the whole
// prompt loop askDaysBack over fuzzed typed input.
//
// Properties: the lines come back as typed, without line feeds, a last
// line without one included and nothing after it; a line over 1000
// characters comes back marked overlong and cut to 1000; parseDecimal,
// parseLong and parseInt agree with a plain model of a decimal number; and
// askDaysBack hands back, in order, exactly the typed numbers that are
// negative or name a day that can be dated, and prints a prompt for every
// line it reads.
#include <cstring>

#include "fuzz_models.h"
#include "fuzz_support.h"
#include "viewer.h"
#include "viewerhelpers.h"

namespace {

void checkNumber(const std::string& line) {
    long long expected = 0;
    bool modelOk = fuzz::modelDecimal(line, expected);
    long long value = -5;
    bool ok = parseDecimal(line, value);
    FUZZ_CHECK(ok == modelOk);
    FUZZ_CHECK(ok ? value == expected : value == -5);

    long longValue = -5;
    bool longFits = modelOk && expected >= LONG_MIN && expected <= LONG_MAX;
    FUZZ_CHECK(parseLong(line, longValue) == longFits);
    FUZZ_CHECK(longFits ? longValue == expected : longValue == -5);

    int intValue = -5;
    bool intFits = modelOk && expected >= INT_MIN && expected <= INT_MAX;
    FUZZ_CHECK(parseInt(line, intValue) == intFits);
    FUZZ_CHECK(intFits ? intValue == expected : intValue == -5);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::ScratchFile file("pcfuzz-answers");
    std::string_view content = fuzz::bytes(data, size);
    file.write(content);

    // The typed lines as the model sees them.
    std::string rest;
    std::vector<std::string> typed = fuzz::linesOf(content, rest);
    for (std::string& line : typed) line.pop_back();
    if (!rest.empty()) typed.push_back(rest);

    std::FILE* in = std::fopen(file.path().c_str(), "rb");
    FUZZ_CHECK(in != nullptr);
    std::string line;
    bool overlong = true;
    for (const std::string& expected : typed) {
        FUZZ_CHECK(readAnswerLine(in, line, overlong));
        FUZZ_CHECK(overlong == (expected.size() > maxAnswerLength));
        FUZZ_CHECK(line == expected.substr(0, maxAnswerLength));
        checkNumber(line);
    }
    FUZZ_CHECK(!readAnswerLine(in, line, overlong));
    FUZZ_CHECK(line.empty() && !overlong);
    std::fclose(in);

    // The prompt loop over the same input.
    std::vector<long long> usable;
    for (const std::string& text : typed) {
        long long value = 0;
        if (text.size() <= maxAnswerLength && fuzz::modelDecimal(text, value) &&
            (value < 0 || dayExists(value)))
            usable.push_back(value);
    }
    in = std::fopen(file.path().c_str(), "rb");
    FUZZ_CHECK(in != nullptr);
    char* printed = nullptr;
    std::size_t printedSize = 0;
    std::FILE* out = open_memstream(&printed, &printedSize);
    FUZZ_CHECK(out != nullptr);
    std::size_t handed = 0;
    long long daysBack = 0;
    while (askDaysBack(in, out, daysBack)) {
        FUZZ_CHECK(handed < usable.size());
        FUZZ_CHECK(daysBack == usable[handed]);
        ++handed;
    }
    FUZZ_CHECK(handed == usable.size());
    std::fclose(in);
    std::fclose(out);
    std::string output(printed, printedSize);
    std::free(printed);
    // One prompt per line read, and one more for the read that met the end.
    std::size_t prompts = 0;
    for (std::size_t at = output.find("-> "); at != std::string::npos;
         at = output.find("-> ", at + 1))
        ++prompts;
    FUZZ_CHECK(prompts == typed.size() + 1);
    return 0;
}
