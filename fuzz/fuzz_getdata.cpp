// getdata over a fuzzed answer of the counter.
//
// Properties: the total is left as it was or becomes 0..999999, and then
// its six digits follow a line feed and carriage return within the parsed
// window; the fault count is 0..255/3+1 and at most the number of "\n\rF"
// in the window.
#include <algorithm>

#include "fuzz_support.h"
#include "poller.h"

namespace {

std::size_t countOf(std::string_view text, std::string_view what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string_view::npos;
         at = text.find(what, at + 1))
        ++count;
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string answer(fuzz::bytes(data, size));
    // What the parser may look at: the window, up to the first null byte.
    std::string_view window(answer);
    window = window.substr(0, std::min(window.size(), parserWindow));
    window = window.substr(0, window.find('\0'));

    constexpr int untouched = -424242;
    constexpr int mostFaults = static_cast<int>(parserWindow) / 3 + 1;
    for (int before : {untouched, 0, 999999}) {
        int total = before;
        int faults = -1;
        getdata(answer, total, faults);
        FUZZ_CHECK(faults >= 0 && faults <= mostFaults);
        FUZZ_CHECK(static_cast<std::size_t>(faults) <= countOf(window, "\n\rF"));
        if (total != before) {
            FUZZ_CHECK(total >= 0 && total <= 999999);
            FUZZ_CHECK(window.find(fmt("\n\r%06d", total)) != std::string_view::npos);
        }
    }
    // Called again, the answer gives the same outcome.
    int first = untouched, firstFaults = 0, second = untouched, secondFaults = 0;
    getdata(answer, first, firstFaults);
    getdata(answer, second, secondFaults);
    FUZZ_CHECK(first == second && firstFaults == secondFaults);
    return 0;
}
