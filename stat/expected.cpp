// The expected moments of a day's records.  Rather than stepping through
// every second, the walk visits only the seconds at which isDue can hold
// (the multiples of the interval, the opening and the closing second, and
// the first sample of each day) and lets isDue decide each of them.
#include "expected.h"

#include <algorithm>
#include <climits>

#include "dayfile.h"
#include "pcutil.h"
#include "record.h"

namespace {

// A poll cycle of the loop.
struct Cycle {
    std::time_t when = 0;  // the sample that started it
    int second = 0;        // its local seconds-of-day
    bool writes = false;   // whether it writes a record
};

struct Hours {
    int open = 0;
    int stop = 0;  // the closing as the loop tests it
};

Hours hoursOf(const Schedule& schedule, Day day) {
    int weekdayNumber = posixWeekday(day);
    return {schedule.openTimes[weekdayNumber], closingSecond(schedule.closeTimes[weekdayNumber])};
}

class CycleWalk {
public:
    CycleWalk(const Schedule& schedule, std::time_t from, std::time_t to)
        : schedule_(schedule), from_(from), to_(to) {}

    // The cycles of one local day that fall within the walk's window.
    template <typename Emit>
    void walkDay(Day day, Emit&& emit) {
        ClockSegment segments[maxClockSegments];
        int count = daySegments(day, segments);
        if (count == 0) return;
        // The day's first sample is judged by the day before.
        std::time_t first = segments[0].from;
        if (first >= from_ && first < to_) {
            Hours before = hoursOf(schedule_, day - std::chrono::days{1});
            int second = segments[0].firstSecond;
            if (isDue(second, before.open, before.stop, schedule_.interval))
                emit(Cycle{first, second, before.open != before.stop});
        }
        Hours hours = hoursOf(schedule_, day);
        if (hours.stop < hours.open) return;
        for (int i = 0; i < count; ++i) walkSegment(segments[i], first, hours, emit);
    }

private:
    template <typename Emit>
    void walkSegment(const ClockSegment& segment, std::time_t first, const Hours& hours,
                     Emit&& emit) {
        std::time_t low = segment.from > from_ ? segment.from : from_;
        if (low == first) ++low;  // judged above
        std::time_t high = segment.to < to_ ? segment.to : to_;
        if (low >= high) return;
        long base = segment.firstSecond - static_cast<long>(segment.from);  // second - epoch
        long lowSecond = static_cast<long>(low) + base;
        long highSecond = static_cast<long>(high) + base;  // one past
        // The candidates in order: the multiples of the interval, kept one
        // ahead, and the opening and closing second.
        const long interval = schedule_.interval;
        long from = lowSecond > hours.open ? lowSecond : hours.open;
        long multiple = (from + interval - 1) / interval * interval;  // the first not before from
        auto following = [&](long after) {  // the first candidate not before after
            long next = multiple;
            if (hours.open >= after && hours.open < next) next = hours.open;
            if (hours.stop >= after && hours.stop < next) next = hours.stop;
            return next;
        };
        for (long second = following(from); second < highSecond && second <= hours.stop;
             second = following(second + 1)) {
            if (isDue(static_cast<int>(second), hours.open, hours.stop, schedule_.interval))
                emit(Cycle{static_cast<std::time_t>(second - base), static_cast<int>(second),
                           hours.open != hours.stop});
            if (second == multiple) multiple += interval;
        }
    }

    const Schedule& schedule_;
    std::time_t from_;
    std::time_t to_;
};

}  // namespace

void expectedMoments(const Schedule& schedule, Day day, std::vector<ExpectedMoment>& moments) {
    // Records written into the day's file come from samples in this window;
    // the walk starts a little earlier so that a cycle running across its
    // start is known.
    constexpr std::time_t lead = 3 * (cycleSeconds + 1);
    std::time_t fileFrom = dayStart(day) - cycleSeconds;
    std::time_t fileTo = dayStart(day + std::chrono::days{1}) - cycleSeconds;
    CycleWalk walk(schedule, fileFrom - lead, fileTo);
    std::time_t dayBegins = dayStart(day);
    std::time_t busyUntil = LLONG_MIN;  // the first sample after the last cycle
    auto take = [&](const Cycle& cycle) {
        if (cycle.when < busyUntil) return;  // the loop is inside a cycle then
        busyUntil = cycle.when + cycleSeconds + 1;
        if (cycle.writes && cycle.when >= fileFrom)
            moments.push_back({cycle.second, cycle.when, cycle.when < dayBegins});
    };
    walk.walkDay(day - std::chrono::days{1}, take);
    walk.walkDay(day, take);
}

namespace {

// Whether the local clock runs through the day without a change: one
// segment of a whole day from midnight.
bool runsPlainly(Day day) {
    ClockSegment segments[maxClockSegments];
    if (daySegments(day, segments) != 1) return false;
    return segments[0].firstSecond == 0 && segments[0].to - segments[0].from == secondsPerDay;
}

}  // namespace

void DayMoments::of(Day day, std::vector<ExpectedMoment>& moments) {
    moments.clear();
    Day before = day - std::chrono::days{1};
    if (!runsPlainly(day) || !runsPlainly(before)) {
        expectedMoments(schedule_, day, moments);
        return;
    }
    Hours hoursBefore = hoursOf(schedule_, before), hours = hoursOf(schedule_, day);
    std::array<int, 4> key = {hoursBefore.open, hoursBefore.stop, hours.open, hours.stop};
    std::time_t start = dayStart(day);
    auto kept =
        std::find_if(kept_.begin(), kept_.end(), [&](const Kept& k) { return k.hours == key; });
    if (kept == kept_.end()) {
        expectedMoments(schedule_, day, moments);
        Kept fresh{key, {}};
        fresh.orders.reserve(moments.size());
        for (const ExpectedMoment& moment : moments)
            fresh.orders.push_back(fileOrder(moment.second, moment.dayBefore));
        kept_.push_back(std::move(fresh));
        return;
    }
    const std::vector<int>& orders = kept->orders;
    moments.resize(orders.size());
    for (std::size_t i = 0; i < orders.size(); ++i) {
        int order = orders[i];
        ExpectedMoment& moment = moments[i];
        moment.dayBefore = order < 0;
        moment.second = moment.dayBefore ? order + secondsPerDay : order;
        moment.when = start + order;
    }
}

bool opensOn(const Schedule& schedule, Day day) {
    int weekdayNumber = posixWeekday(day);
    return schedule.openTimes[weekdayNumber] < schedule.closeTimes[weekdayNumber];
}

std::string momentText(int second, int interval) {
    return recordTimeText(secondsText(second), interval);
}
