// The decoding of the configuration values opentime (and the day keys) and
// recordtime, and the schedule test the decoded values feed.
//
// Input: the opening-hours text, then (after the first line feed, if any)
// the recordtime text; for the opening table, the lines after those two
// are the day keys from Sunday on (an empty line: the key is absent).
//
// Properties: decodeRecordtime gives at least the minimum interval;
// decodeHours, when it succeeds, gives the four two-digit fields (-9..99)
// and opening and closing seconds made of them, and leaves opening and
// closing untouched when it fails; the schedule test, asked with the
// decoded values, is due only between opening and closing, and always at
// both ends.  The opening table is built exactly when opentime and every
// day key present decode, each day holding its own hours or the default,
// and the steps are told in weekday order, the last one the failure.
#include <vector>

#include "fuzz_support.h"
#include "poller.h"

namespace {

void checkOpeningTable(std::string_view input, const std::string& opentime) {
    std::vector<std::string> days;  // after the opentime and recordtime lines
    std::size_t at = input.find('\n');
    at = at == std::string_view::npos ? at : input.find('\n', at + 1);
    while (at != std::string_view::npos && days.size() < daysPerWeek) {
        std::size_t end = input.find('\n', at + 1);
        days.emplace_back(input.substr(at + 1, end == std::string_view::npos ? end : end - at - 1));
        at = end;
    }
    auto lookup = [&](int day, std::string& hours) {
        if (static_cast<std::size_t>(day) >= days.size() || days[day].empty()) return false;
        hours = days[day];
        return true;
    };
    std::vector<OpeningNote> notes;
    OpeningTable table;
    table.openTimes[0] = -1;
    bool built = buildOpeningTable(opentime, lookup, table,
                                   [&](const OpeningNote& note) { notes.push_back(note); });
    int open = 0, close = 0, numbers[4] = {};
    bool expected = decodeHours(opentime, open, close, numbers);
    FUZZ_CHECK(!notes.empty());
    FUZZ_CHECK(notes[0].step == (expected ? OpeningStep::defaultHours : OpeningStep::defaultBad));
    std::size_t told = 1;
    for (int day = 0; expected && day < daysPerWeek; ++day) {
        int dayOpen = open, dayClose = close;
        std::string hours;
        if (lookup(day, hours)) {
            FUZZ_CHECK(told < notes.size() && notes[told].day == day);
            expected = decodeHours(hours, dayOpen, dayClose, numbers);
            FUZZ_CHECK(notes[told++].step ==
                       (expected ? OpeningStep::dayHours : OpeningStep::dayBad));
        }
        if (built) FUZZ_CHECK(table.openTimes[day] == dayOpen && table.closeTimes[day] == dayClose);
    }
    FUZZ_CHECK(told == notes.size());
    FUZZ_CHECK(built == expected);
    if (!built) FUZZ_CHECK(table.openTimes[0] == -1);
}

}  // namespace

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
    checkOpeningTable(input, hoursText);
    return 0;
}
