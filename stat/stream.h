// What pcstat's statistics and checks share when they read an entrance's
// files: opening a day's file, the increase of a record over the previous
// answered one, and the look back for that previous record.
#pragma once

#include <ctime>
#include <functional>
#include <string>

#include "calendar.h"
#include "dayfile.h"
#include "entrance.h"

// Totals from this value on may wrap past 999999 to a small number.
constexpr long long wrapFrom = 900000;
constexpr long long wrapTo = 100000;  // a wrapped total lies below this
constexpr long long counterRange = 1000000;
constexpr int lookBackDays = 7;  // how far back the previous record is looked for

enum class Fall { none, wrap, reset };

// The increase of each answered record over the previous answered record
// of the same entrance, across days.
class IncreaseTracker {
public:
    // The increase of an answered record's total; 0 for the first one.
    long long take(long total, Fall& fall);
    void seed(long total);
    long previous() const { return previous_; }
    bool known() const { return known_; }

private:
    bool known_ = false;
    long previous_ = 0;
};

// Whether a record carries a reading (its no-answer flag is not 1).
inline bool answered(const DayLine& line) { return line.record.noAnswer != 1; }

// Opens the file of a day.  False when there is none; a file that exists
// but cannot be read, or anything at its path that is not a regular file,
// is an error (with a message naming the entrance and the file).
enum class Opened { yes, missing, error };
Opened openDay(DayFile& file, const Entrance& entrance, Day day, std::string& error);

// Opens the file at path as openDay does; for an error, problem says why,
// naming the file: "nie mozna czytac PATH: REASON".
Opened openDayFile(DayFile& file, const std::string& path, std::string& problem);

// Seeds the tracker with the last answered record of the lookBackDays days
// before from.  gap says whether a gap lies between that record and the
// range, as the statistics count one: unanswered records after it, moments
// due by now after the last record of its file, or a day in between on
// which the schedule expected records it does not hold.  False with a
// message for a file that cannot be read.
bool lookBack(const Entrance& entrance, Day from, std::time_t now, IncreaseTracker& tracker,
              bool& gap, std::string& error);

// Runs work(k, error) for every entrance k of count, on as many threads as
// the machine has processors (at most four, and one per entrance): the
// entrances' files are independent.  Returns false with the message of the first
// entrance, in entrance order, whose work failed.
bool forEachEntrance(std::size_t count, const std::function<bool(std::size_t, std::string&)>& work,
                     std::string& error);
