// Counting a day's file: the records are kept while the file is read, so
// that the schedule's moments can be matched with them before their
// increases are counted; an increase across a gap (unanswered records,
// moments without a record, a missing file) is carried.
#include "filecount.h"

#include <algorithm>

#include "rows.h"

namespace {

constexpr int hoursPerDay = 24;

}  // namespace

const HourRule::DayHours& HourRule::hoursOf(Day day) {
    recent_ = 1 - recent_;
    DayHours& hours = days_[recent_];
    if (hours.known && hours.day == day) return hours;
    for (int hour = 0; hour < hoursPerDay; ++hour) hours.exists[hour] = hourExists(day, hour);
    hours.day = day;
    hours.known = true;
    return hours;
}

// The moments of the day's file that are due by now; with headOnly only
// those of its head.
void FileCounter::dueMoments(Day day, bool headOnly) {
    moments_.clear();
    allDue_ = true;
    if (!entrance_.scheduled) return;
    dayMoments_.of(day, moments_);
    auto past = std::find_if(moments_.begin(), moments_.end(), [&](const ExpectedMoment& m) {
        return !dueBy(m, now_) || (headOnly && !m.dayBefore);
    });
    // Moments of the file's own day do not matter when only its head is read.
    allDue_ = std::all_of(past, moments_.end(),
                          [&](const ExpectedMoment& m) { return headOnly && !m.dayBefore; });
    moments_.erase(past, moments_.end());
}

// Whether the file's records carry exactly the times of its moments, in
// order: then every moment has its record, without matching.
bool FileCounter::sameAsMoments() const {
    if (records_.size() != moments_.size()) return false;
    for (std::size_t i = 0; i < records_.size(); ++i)
        if (records_[i].second != moments_[i].second ||
            records_[i].dayBefore != moments_[i].dayBefore)
            return false;
    return true;
}

void FileCounter::countRecords(Day day, CountState& state, CountVisitor& visitor) {
    missingAt_.clear();
    bool whole = sameAsMoments();
    if (!whole && !moments_.empty()) {
        match_.startFile(entrance_.schedule.interval);
        for (const FileRecord& r : records_) match_.addRecord(r.second, r.withSeconds);
    }
    for (const ExpectedMoment& m : moments_) {
        bool found = whole || match_.takeRecordFor(m.second);
        if (!found) missingAt_.push_back(fileOrder(m.second, m.dayBefore));
        Day owner = m.dayBefore ? day - std::chrono::days{1} : day;
        visitor.moment({.day = owner,
                        .hour = hours_.hourOf(owner, m.second),
                        .missing = !found,
                        .dayBefore = m.dayBefore});
    }
    std::size_t next = 0;  // the next moment without a record
    for (const FileRecord& r : records_) {
        int order = fileOrder(r.second, r.dayBefore);
        for (; next < missingAt_.size() && missingAt_[next] < order; ++next) state.gap = true;
        CountedRecord counted{.line = r.line,
                              .second = r.second,
                              .withSeconds = r.withSeconds,
                              .dayBefore = r.dayBefore,
                              .total = r.total,
                              .faults = r.faults,
                              .noAnswer = r.noAnswer};
        if (r.noAnswer == 1) {
            state.gap = true;
        } else {
            bool known = state.tracker.known();
            Fall fall;
            counted.increase = state.tracker.take(r.total, fall);
            counted.carried = state.gap && known;
            state.gap = false;
        }
        counted.day = r.dayBefore ? day - std::chrono::days{1} : day;
        counted.hour = hours_.hourOf(counted.day, r.second);
        visitor.record(counted);
    }
    if (next < missingAt_.size()) state.gap = true;
}

Opened FileCounter::count(Day day, bool headOnly, CountState& state, CountVisitor& visitor,
                          std::string& error) {
    dueMoments(day, headOnly);
    DayFile file;
    Opened opened = openDay(file, entrance_, day, error);
    if (opened == Opened::error) return opened;
    if (opened == Opened::missing) {
        for (const ExpectedMoment& m : moments_) {
            Day owner = m.dayBefore ? day - std::chrono::days{1} : day;
            visitor.moment({.day = owner,
                            .hour = hours_.hourOf(owner, m.second),
                            .missing = true,
                            .dayBefore = m.dayBefore,
                            .ofMissingFile = true});
        }
        if (!moments_.empty()) state.gap = true;
        return opened;
    }
    records_.clear();
    // Room for a record a moment and a few more, so that a whole day's
    // file does not double the room.
    constexpr std::size_t extraRecords = 16;
    records_.reserve(moments_.size() + extraRecords);
    DayLine line;
    while (file.next(line)) {
        if (line.kind != LineClass::record) {
            if (!headOnly) visitor.unusableLine();
            continue;
        }
        if (headOnly && !line.dayBefore) break;
        records_.push_back({.line = line.number,
                            .second = line.second,
                            .total = static_cast<int>(line.record.total),
                            .faults = static_cast<std::uint8_t>(line.record.faults),
                            .noAnswer = static_cast<std::uint8_t>(line.record.noAnswer),
                            .withSeconds = line.withSeconds,
                            .dayBefore = line.dayBefore});
    }
    countRecords(day, state, visitor);
    return opened;
}
