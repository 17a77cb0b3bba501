// Counting one entrance's day file: every record with the increase that
// pcstat's rules give it, the hour it counts in and whether it is carried
// across a gap, and every expected moment with whether a record answers
// it, summed per day and hour row.  The statistics add the hour rows up;
// pcstat --load stores each record as it is, and the hour rows' moments.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "calendar.h"
#include "entrance.h"
#include "matching.h"
#include "rows.h"
#include "stream.h"

// What the counting carries from one file to the next: the previous
// answered total, and whether a gap lies between it and what follows.
struct CountState {
    IncreaseTracker tracker;
    bool gap = false;
};

// A record as counted.
struct CountedRecord {
    Day day{};      // the day it belongs to (the day before for a head record)
    int hour = 0;   // the hour row its increase counts in
    long line = 0;  // its line number in the file
    int second = 0;
    bool withSeconds = false;
    bool dayBefore = false;
    long total = 0;
    int faults = 0;
    int noAnswer = 0;
    long long increase = 0;
    bool carried = false;
};

// The records and expected moments of a file that count in one hour row of
// one day, summed (of PeriodCounts, all but the days).
struct CountedHour {
    Day day{};
    int hour = 0;
    bool dayBefore = false;      // of the day before, at the head of the file
    bool ofMissingFile = false;  // the file of the day does not exist
    PeriodCounts counts;
};

// Told what FileCounter decides.  A file's hour rows come after its
// records, the day before's first, each in the order of its hours.
class CountVisitor {
public:
    virtual ~CountVisitor() = default;
    // Each record, for a visitor that keeps them (keepsRecords).
    virtual bool keepsRecords() const { return false; }
    virtual void record(const CountedRecord& /*record*/) {}
    // Each hour row that holds a record or an expected moment.
    virtual void hour(const CountedHour& sums) = 0;
    // A line of the file that is not a record.
    virtual void unusableLine() {}
};

// The hour row of a record or moment at second of the day: the hour that
// holds the second before it, on the local clock of that day.
class HourRule {
public:
    int hourOf(Day day, int second) {
        const DayHours& hours =
            days_[recent_].known && days_[recent_].day == day ? days_[recent_] : hoursOf(day);
        int hour = increaseHour(second);
        // The second before the first of the hour after a spring change
        // lies in the hour before the change.
        if (!hours.exists[hour] && hour > 0) --hour;
        return hour;
    }

private:
    // The hours each of the last two days asked for shows: a file's
    // records belong to its day and, at its head, to the day before.
    struct DayHours {
        Day day{};
        bool known = false;
        bool exists[hoursPerDay] = {};
    };
    const DayHours& hoursOf(Day day);
    DayHours days_[2];
    int recent_ = 0;  // the entry asked for last; the other is replaced next
};

// Counts the file of a day, or the lack of it; with headOnly only the
// records of the day before at its head (the file after a range).  Moments
// later than now are not expected.  Returns whether the file exists.
class FileCounter {
public:
    FileCounter(const Entrance& entrance, std::time_t now)
        : entrance_(entrance), now_(now), dayMoments_(entrance.schedule) {}
    Opened count(Day day, bool headOnly, CountState& state, CountVisitor& visitor,
                 std::string& error);
    // Whether every moment of the last counted file was due by now.
    bool allDue() const { return allDue_; }

private:
    // A record of the file as kept until its moments are matched: 24
    // bytes, as a day's file may hold some ten thousand.  Only records in
    // the ranges the poller writes (numbersInRange) are kept.
    struct FileRecord {
        long line = 0;
        int second = 0;
        int total = 0;
        std::uint8_t faults = 0;
        std::uint8_t noAnswer = 0;
        bool withSeconds = false;
        bool dayBefore = false;
    };
    void dueMoments(Day day, bool headOnly);
    bool sameAsMoments() const;
    bool countMoments(Day day, bool ofMissingFile);
    void countRecords(Day day, CountState& state, CountVisitor& visitor);
    void tellHours(Day day, bool ofMissingFile, bool whole, CountVisitor& visitor);
    // The sums of the hour row of a day of the file (the day before or its own).
    PeriodCounts& sumsOf(bool dayBefore, int hour) { return sums_[dayBefore ? 0 : 1][hour]; }

    const Entrance& entrance_;
    std::time_t now_;
    bool allDue_ = true;
    HourRule hours_;
    MomentMatch match_;
    DayMoments dayMoments_;  // the moments of plain days, kept
    std::vector<ExpectedMoment> moments_;
    std::vector<FileRecord> records_;
    std::vector<int> missingAt_;
    PeriodCounts sums_[2][hoursPerDay];  // of the day before and of the day
};
