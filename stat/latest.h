// The latest reading of an entrance: the last record of today's file, or
// of the last file before it within a week, and whether the counter
// answered it.
#pragma once

#include <string>

#include "calendar.h"
#include "entrance.h"

struct LatestReading {
    bool found = false;     // a record within the week up to today
    Day day{};              // the day of its file
    std::string time;       // its time text, escaped (escapedText)
    bool answered = false;  // the counter answered: the record carries a reading
};

// The latest reading up to today; false with a message when a file
// cannot be read.
bool latestReading(const Entrance& entrance, Day today, LatestReading& latest, std::string& error);
