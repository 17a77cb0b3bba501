// The moments at which the poller writes records into a day's report file,
// from its configuration: its own due rule (isDue, closingSecond) applied
// to the samples of its loop on the local clock.
#pragma once

#include <array>
#include <ctime>
#include <vector>

#include "calendar.h"
#include "openingtable.h"
#include "pollrules.h"

// What the configuration of an entrance says about its polls: its opening
// table and its record interval.
struct Schedule : OpeningTable {
    int interval = minInterval;  // seconds
};

// A moment at which a record is expected.
struct ExpectedMoment {
    int second = 0;          // local seconds-of-day of the record's time text
    std::time_t when = 0;    // the sample that starts its cycle
    bool dayBefore = false;  // the record of the day before at the head of the file
};

// How the poller's loop runs, as far as the moments of its records go:
// it samples the clock at every second; a sample is judged by the weekday
// and hours read just before it (so the sample at a day's first second by
// the day before) and starts a cycle when isDue holds; the record is
// written when the judging day's opening and closing second differ.  An
// answered exchange takes two seconds: the record gets the report file of
// the date two seconds after the sample (so the 23:59:59 record of a day
// open until 24:00 lands in the next day's file), and the two samples in
// between are not taken.
constexpr int cycleSeconds = 2;

// Appends to moments, in file order, the moments of the records that the
// file of the day receives.
void expectedMoments(const Schedule& schedule, Day day, std::vector<ExpectedMoment>& moments);

// The expected moments of one schedule's days, asked for one day after
// another.  The moments of a day depend only on its hours, the day
// before's and the clock of both: a day on which the local clock runs
// plainly, as on the day before (no daylight-saving change on either),
// gets the moments kept from an earlier such day with the same hours on
// both days, moved to it; other days are walked afresh.  A shop with the
// same hours every day walks one day.
class DayMoments {
public:
    explicit DayMoments(const Schedule& schedule) : schedule_(schedule) {}
    // Replaces moments with those of the day, as expectedMoments gives them.
    void of(Day day, std::vector<ExpectedMoment>& moments);

private:
    // The moments of a plain day, as their places in the file (fileOrder:
    // those of the day before below 0), under the hours of both days.
    struct Kept {
        std::array<int, 4> hours{};  // opening and closing second of the day before, of the day
        std::vector<int> orders;
    };
    const Schedule& schedule_;
    std::vector<Kept> kept_;
};

// The time text a record of that moment carries: HH:MM for intervals of
// 60 seconds and more, HH:MM.SS below.
std::string momentText(int second, int interval);

// Whether the record of a moment is due by now: its sample and the few
// seconds an answered exchange takes lie before the present moment.
inline bool dueBy(const ExpectedMoment& moment, std::time_t now) {
    return moment.when <= now - cycleSeconds;
}

// Whether the schedule opens on a day: its weekday's opening lies before
// its closing (a day whose hours are equal or reversed writes no record).
bool opensOn(const Schedule& schedule, Day day);
