// Counting a day's file: the records are kept while the file is read, so
// that the schedule's moments can be matched with them before their
// increases are counted; an increase across a gap (unanswered records,
// moments without a record, a missing file) is carried.
#include "filecount.h"

#include <algorithm>

#include "rows.h"

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
    // Moments lie in the order of their samples: when the last is kept,
    // so is every one.
    auto kept = [&](const ExpectedMoment& m) {
        return dueBy(m, now_) && (!headOnly || m.dayBefore);
    };
    if (moments_.empty() || kept(moments_.back())) return;
    auto past = std::find_if_not(moments_.begin(), moments_.end(), kept);
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

// Sums the due moments into their hour rows and notes where those
// without a record lie in the file.  Returns whether the records carry
// exactly the moments' times: then nothing is summed, as each hour row
// expects the records it holds (tellHours).
bool FileCounter::countMoments(Day day, bool ofMissingFile) {
    missingAt_.clear();
    if (!ofMissingFile && sameAsMoments()) return true;
    if (!ofMissingFile && !moments_.empty()) {
        match_.startFile(entrance_.schedule.interval);
        for (const FileRecord& r : records_) match_.addRecord(r.second, r.withSeconds);
    }
    Day before = day - std::chrono::days{1};
    for (const ExpectedMoment& m : moments_) {
        PeriodCounts& sums =
            sumsOf(m.dayBefore, hours_.hourOf(m.dayBefore ? before : day, m.second));
        ++sums.expected;
        if (!ofMissingFile && match_.takeRecordFor(m.second)) continue;
        ++sums.missing;
        if (ofMissingFile) ++sums.missingOfFiles;
        missingAt_.push_back(fileOrder(m.second, m.dayBefore));
    }
    return false;
}

void FileCounter::countRecords(Day day, CountState& state, CountVisitor& visitor) {
    const bool keeps = visitor.keepsRecords();
    Day before = day - std::chrono::days{1};
    std::size_t next = 0;  // the next moment without a record
    for (const FileRecord& r : records_) {
        int order = fileOrder(r.second, r.dayBefore);
        for (; next < missingAt_.size() && missingAt_[next] < order; ++next) state.gap = true;
        long long increase = 0;
        bool carried = false;
        if (r.noAnswer == 1) {
            state.gap = true;
        } else {
            bool known = state.tracker.known();
            Fall fall;
            increase = state.tracker.take(r.total, fall);
            carried = state.gap && known;
            state.gap = false;
        }
        Day owner = r.dayBefore ? before : day;
        int hour = hours_.hourOf(owner, r.second);
        PeriodCounts& sums = sumsOf(r.dayBefore, hour);
        sums.visitors += increase;
        if (carried) sums.carried += increase;
        ++sums.records;
        if (r.noAnswer == 1) ++sums.unanswered;
        if (r.faults > 0) ++sums.faults;
        if (!keeps) continue;
        visitor.record({.day = owner,
                        .hour = hour,
                        .line = r.line,
                        .second = r.second,
                        .withSeconds = r.withSeconds,
                        .dayBefore = r.dayBefore,
                        .total = r.total,
                        .faults = r.faults,
                        .noAnswer = r.noAnswer,
                        .increase = increase,
                        .carried = carried});
    }
    if (next < missingAt_.size()) state.gap = true;
}

// Tells the hour rows that hold a record or a moment, and clears them;
// with whole, each row's expected moments are its records.
void FileCounter::tellHours(Day day, bool ofMissingFile, bool whole, CountVisitor& visitor) {
    for (bool dayBefore : {true, false}) {
        for (int hour = 0; hour < hoursPerDay; ++hour) {
            PeriodCounts& sums = sumsOf(dayBefore, hour);
            if (whole) sums.expected = sums.records;
            if (sums.records == 0 && sums.expected == 0) continue;
            visitor.hour({.day = dayBefore ? day - std::chrono::days{1} : day,
                          .hour = hour,
                          .dayBefore = dayBefore,
                          .ofMissingFile = ofMissingFile,
                          .counts = sums});
            sums = PeriodCounts{};
        }
    }
}

Opened FileCounter::count(Day day, bool headOnly, CountState& state, CountVisitor& visitor,
                          std::string& error) {
    dueMoments(day, headOnly);
    DayFile file;
    Opened opened = openDay(file, entrance_, day, error);
    if (opened == Opened::error) return opened;
    records_.clear();
    if (opened == Opened::missing) {
        countMoments(day, true);
        if (!moments_.empty()) state.gap = true;
        tellHours(day, true, false, visitor);
        return opened;
    }
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
    bool whole = countMoments(day, false);
    countRecords(day, state, visitor);
    tellHours(day, false, whole, visitor);
    return opened;
}
