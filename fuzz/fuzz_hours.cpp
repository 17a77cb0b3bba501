// The decoding of the configuration values opentime (and the day keys) and
// recordtime, and the schedule test the decoded values feed.
//
// Input: the opening-hours text, then (after the first line feed, if any)
// the recordtime text.
//
// Properties: decodeRecordtime gives at least the minimum interval;
// decodeHours, when it succeeds, gives the four two-digit fields (-9..99)
// and opening and closing seconds made of them, and leaves opening and
// closing untouched when it fails; the schedule test, asked with the
// decoded values, is due only between opening and closing, and always at
// both ends.
#include "fuzz_support.h"
#include "poller.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input = fuzz::bytes(data, size);
    std::size_t split = input.find('\n');
    std::string hoursText(input.substr(0, split));
    std::string intervalText(split == std::string_view::npos ? input : input.substr(split + 1));

    int interval = decodeRecordtime(intervalText);
    FUZZ_CHECK(interval >= minInterval);
    // Also the whole input as one text, as a value is never cut at a line
    // feed by the caller (the reader already is).
    FUZZ_CHECK(decodeRecordtime(std::string(input)) >= minInterval);

    constexpr int untouched = -123456789;
    int open = untouched;
    int close = untouched;
    int numbers[4] = {};
    if (decodeHours(hoursText, open, close, numbers)) {
        for (int number : numbers) FUZZ_CHECK(number >= -9 && number <= 99);
        FUZZ_CHECK(open == numbers[0] * 3600 + numbers[1] * 60);
        FUZZ_CHECK(close == numbers[2] * 3600 + numbers[3] * 60);
        int last = closingSecond(close);
        const int seconds[] = {0, 1, 9 * 3600, 12 * 3600 + 7, secondsPerDay - 1, open, last};
        for (int second : seconds)
            if (isDue(second, open, last, interval)) FUZZ_CHECK(second >= open && second <= last);
        if (open <= last) {
            FUZZ_CHECK(isDue(open, open, last, interval));
            FUZZ_CHECK(isDue(last, open, last, interval));
        }
    } else {
        FUZZ_CHECK(open == untouched && close == untouched);
    }
    return 0;
}
