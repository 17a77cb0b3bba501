// The moments at which the poller writes records into a day's report file,
// from its configuration: its own due rule (isDue, closingSecond) applied
// to the samples of its loop on the local clock.
#pragma once

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
