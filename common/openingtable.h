// The opening table of a poller configuration: the opening and closing
// second of each weekday, from opentime for every day and the day keys
// (Sunday .. Saturday) for single days.  One builder for the poller's
// start-up, pcstat and the tests; each step is told to the caller, so that
// the poller logs it and aborts where the table cannot be built.
#pragma once

#include <functional>
#include <string>

#include "pollrules.h"

struct OpeningTable {
    int openTimes[daysPerWeek] = {};   // seconds-of-day, by weekday (0 = Sunday)
    int closeTimes[daysPerWeek] = {};  // 86400 for 24:00
};

// A step of building the table.
enum class OpeningStep {
    defaultHours,  // opentime decoded; every day takes its hours
    defaultBad,    // opentime does not decode: no table
    dayHours,      // a day key decoded; its day takes its hours
    dayBad,        // a day key does not decode: no table
};

struct OpeningNote {
    OpeningStep step = OpeningStep::defaultHours;
    int day = 0;          // the weekday of a day step
    int numbers[4] = {};  // the four decoded numbers of a decoded step
};

// Looks up the hours text of the day key weekDays[day]; false when the key
// is absent.
using DayHoursLookup = std::function<bool(int day, std::string& hours)>;
using OpeningNotice = std::function<void(const OpeningNote& note)>;

// Builds the table: opentime decoded (decodeHours) for every day, then for
// each weekday from Sunday on whose key is found its own hours.  notice
// (when given) hears each step in that order.  False at the first text
// that does not decode, after its step has been told; table is then left
// as it was.
bool buildOpeningTable(const std::string& opentime, const DayHoursLookup& lookup,
                       OpeningTable& table, const OpeningNotice& notice = {});
