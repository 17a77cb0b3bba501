// Counting the records of a range of days into periods.
//
// Every entrance's files are read in day order, from the day before the
// range (looked back up to a week for the previous answered record) to
// the head of the file after it (which holds the last record of a day open
// until midnight).  Each record is counted for the day it belongs to and
// the hour its increase ends in (increaseHour); the counts are kept per
// hour of each day (for --by hour) or per row, so that memory grows with
// the rows printed, not with the records read.  A day's records are kept
// while its file is read, so that the schedule's moments can be matched
// with them before their increases are counted: an increase across a gap
// (unanswered records, moments without a record, a missing file) is
// counted as carried.
#include "stats.h"

#include <algorithm>

#include "matching.h"
#include "stream.h"

namespace {

constexpr int hoursPerDay = 24;

using std::chrono::days;

long dayCount(const Options& options) { return (options.to - options.from).count() + 1; }

// Whether two days, the first not after the second, fall in one row of a
// period other than hours and weekdays.
bool samePeriod(Period by, Day first, Day second) {
    switch (by) {
        case Period::week: return isoWeek(first) == isoWeek(second);
        case Period::month: return monthOf(first) == monthOf(second);
        default: return first == second;
    }
}

int daysOfPeriod(Period by, Day day) {
    switch (by) {
        case Period::week: return daysPerWeek;
        case Period::month: return daysInMonth(day);
        default: return 1;
    }
}

// The rows of a period other than hours, and the row of each day.
void periodRows(const Options& options, StatTable& table, std::vector<int>& rowOfDay) {
    long count = dayCount(options);
    rowOfDay.assign(static_cast<std::size_t>(count), 0);
    if (options.by == Period::weekday) {
        for (int weekday = 0; weekday < daysPerWeek; ++weekday)
            table.rows.push_back({.weekday = weekday, .entrances = {}});
        for (long i = 0; i < count; ++i)
            rowOfDay[static_cast<std::size_t>(i)] = isoWeekday(options.from + days{i});
        return;
    }
    for (long i = 0; i < count; ++i) {
        Day day = options.from + days{i};
        if (table.rows.empty() || !samePeriod(options.by, table.rows.back().day, day))
            table.rows.push_back(
                {.day = day, .entrances = {}, .periodDays = daysOfPeriod(options.by, day)});
        rowOfDay[static_cast<std::size_t>(i)] = static_cast<int>(table.rows.size()) - 1;
    }
}

// The days of a day of the range, for every entrance of a row's counts.
void addDay(std::vector<PeriodCounts>& counts, const std::vector<Entrance>& entrances, Day day) {
    for (std::size_t k = 0; k < entrances.size(); ++k) {
        ++counts[k].days;
        if (entrances[k].scheduled && opensOn(entrances[k].schedule, day)) ++counts[k].openDays;
    }
}

// The hour rows: for each day, every hour from the first to the last that
// holds a record or an expected moment of any entrance (the hour a spring
// change skips left out, unless it holds records).
void hourRows(const Options& options, const std::vector<Entrance>& entrances,
              const std::vector<PeriodCounts>& slots, StatTable& table) {
    std::size_t width = entrances.size();
    long count = dayCount(options);
    for (long i = 0; i < count; ++i) {
        auto holds = [&](int hour) {
            std::size_t slot = static_cast<std::size_t>(i * hoursPerDay + hour) * width;
            for (std::size_t k = 0; k < width; ++k)
                if (slots[slot + k].records > 0 || slots[slot + k].expected > 0) return true;
            return false;
        };
        int first = 0;
        while (first < hoursPerDay && !holds(first)) ++first;
        if (first == hoursPerDay) continue;
        int last = hoursPerDay - 1;
        while (!holds(last)) --last;
        Day day = options.from + days{i};
        for (int hour = first; hour <= last; ++hour) {
            if (!holds(hour) && !hourExists(day, hour)) continue;
            PeriodRow row{.day = day, .hour = hour, .entrances = {}};
            std::size_t slot = static_cast<std::size_t>(i * hoursPerDay + hour) * width;
            row.entrances.assign(slots.begin() + static_cast<long>(slot),
                                 slots.begin() + static_cast<long>(slot + width));
            addDay(row.entrances, entrances, day);
            table.rows.push_back(std::move(row));
        }
    }
}

// Marks the row that holds the present moment.
void markSoFar(const Options& options, StatTable& table) {
    if (options.now == std::numeric_limits<std::time_t>::max()) return;
    Day now = localDayOf(options.now);
    if (now < options.from || now > options.to) return;
    int hour = localHourOf(options.now);
    for (PeriodRow& row : table.rows) {
        switch (options.by) {
            case Period::hour: row.soFar = row.day == now && row.hour == hour; break;
            case Period::day:
            case Period::week:
            case Period::month: row.soFar = samePeriod(options.by, row.day, now); break;
            case Period::weekday: break;
        }
    }
}

// A record of a day's file, kept until the file's moments are matched.
struct FileRecord {
    int second = 0;
    bool withSeconds = false;
    bool dayBefore = false;
    bool answered = false;
    bool fault = false;
    long total = 0;
};

// Where a record or a moment lies in its file: the day before's come first.
int fileOrder(int second, bool dayBefore) { return dayBefore ? second - secondsPerDay : second; }

// The counting of one entrance into its column of the slots.
class EntranceCount {
public:
    EntranceCount(const Entrance& entrance, const Options& options, std::size_t column,
                  std::size_t width, const std::vector<int>& rowOfDay,
                  const std::vector<char>& skipped, std::vector<PeriodCounts>& slots,
                  long long& unusable)
        : entrance_(entrance),
          options_(options),
          column_(column),
          width_(width),
          rowOfDay_(rowOfDay),
          skipped_(skipped),
          slots_(slots),
          unusable_(unusable),
          own_(slots.size() / width) {}

    // Counts the entrance's files into its own slots, then copies them into
    // its column (entrances on other threads write the other columns; a
    // column of its own keeps each thread off the others' cache lines).
    bool run(std::string& error);

private:
    // The counts of a record or moment of the day owner; null outside the range.
    PeriodCounts* countsOf(Day owner, int second) {
        if (owner < options_.from || owner > options_.to) return nullptr;
        long index = (owner - options_.from).count();
        std::size_t slot = 0;
        if (options_.by == Period::hour) {
            slot = static_cast<std::size_t>(index * hoursPerDay + increaseHour(second));
            // The second before the first of the hour after a spring change
            // lies in the hour before the change.
            if (skipped_[slot] && slot % hoursPerDay > 0) --slot;
        } else {
            slot = static_cast<std::size_t>(rowOfDay_[static_cast<std::size_t>(index)]);
        }
        return &own_[slot];
    }
    bool sameAsMoments() const;
    void dueMoments(Day day, bool after);
    void missingFile(Day day);
    void readFile(DayFile& file, bool after);
    void countFile(Day day);

    const Entrance& entrance_;
    const Options& options_;
    std::size_t column_, width_;
    const std::vector<int>& rowOfDay_;
    const std::vector<char>& skipped_;  // by hour: the hours the clock does not show
    std::vector<PeriodCounts>& slots_;
    long long& unusable_;
    std::vector<PeriodCounts> own_;

    IncreaseTracker tracker_;
    bool gap_ = false;  // a gap since the last answered record
    MomentMatch match_;
    std::vector<ExpectedMoment> moments_;
    std::vector<FileRecord> records_;
    std::vector<int> missingAt_;  // file order of the moments without a record
};

// The moments of the day's file that are due by now; of the file after the
// range only those of its head.
void EntranceCount::dueMoments(Day day, bool after) {
    moments_.clear();
    if (!entrance_.scheduled) return;
    expectedMoments(entrance_.schedule, day, moments_);
    moments_.erase(std::find_if(moments_.begin(), moments_.end(),
                                [&](const ExpectedMoment& m) {
                                    return !dueBy(m, options_.now) || (after && !m.dayBefore);
                                }),
                   moments_.end());
}

void EntranceCount::missingFile(Day day) {
    bool counted = false;
    for (const ExpectedMoment& moment : moments_) {
        PeriodCounts* counts = countsOf(moment.dayBefore ? day - days{1} : day, moment.second);
        if (counts == nullptr) continue;
        ++counts->expected;
        ++counts->missing;
        ++counts->missingOfFiles;
        if (!moment.dayBefore && !counted) {
            ++counts->missingDays;
            counted = true;
        }
    }
    if (!moments_.empty()) gap_ = true;
}

void EntranceCount::readFile(DayFile& file, bool after) {
    records_.clear();
    DayLine line;
    while (file.next(line)) {
        if (line.kind != LineClass::record) {
            if (!after) ++unusable_;
            continue;
        }
        if (after && !line.dayBefore) break;
        records_.push_back({line.second, line.withSeconds, line.dayBefore, answered(line),
                            line.record.faults > 0, line.record.total});
    }
}

// Whether the file's records carry exactly the times of its moments, in
// order: then every moment has its record, without matching.
bool EntranceCount::sameAsMoments() const {
    if (records_.size() != moments_.size()) return false;
    for (std::size_t i = 0; i < records_.size(); ++i)
        if (records_[i].second != moments_[i].second ||
            records_[i].dayBefore != moments_[i].dayBefore)
            return false;
    return true;
}

void EntranceCount::countFile(Day day) {
    missingAt_.clear();
    bool whole = sameAsMoments();
    if (!whole && !moments_.empty()) {
        match_.startFile(entrance_.schedule.interval);
        for (const FileRecord& r : records_) match_.addRecord(r.second, r.withSeconds);
    }
    for (const ExpectedMoment& moment : moments_) {
        bool found = whole || match_.takeRecordFor(moment.second);
        if (!found) missingAt_.push_back(fileOrder(moment.second, moment.dayBefore));
        PeriodCounts* counts = countsOf(moment.dayBefore ? day - days{1} : day, moment.second);
        if (counts == nullptr) continue;
        ++counts->expected;
        if (!found) ++counts->missing;
    }
    std::size_t next = 0;  // the next moment without a record
    for (const FileRecord& record : records_) {
        int order = fileOrder(record.second, record.dayBefore);
        for (; next < missingAt_.size() && missingAt_[next] < order; ++next) gap_ = true;
        long long increase = 0;
        bool carried = false;
        if (!record.answered) {
            gap_ = true;
        } else {
            bool known = tracker_.known();
            Fall fall;
            increase = tracker_.take(record.total, fall);
            carried = gap_ && known;
            gap_ = false;
        }
        PeriodCounts* counts = countsOf(record.dayBefore ? day - days{1} : day, record.second);
        if (counts == nullptr) continue;
        counts->visitors += increase;
        if (carried) counts->carried += increase;
        ++counts->records;
        if (!record.answered) ++counts->unanswered;
        if (record.fault) ++counts->faults;
    }
    if (next < missingAt_.size()) gap_ = true;
}

bool EntranceCount::run(std::string& error) {
    if (!lookBack(entrance_, options_.from, tracker_, error)) return false;
    DayFile file;
    for (Day day = options_.from; day <= options_.to + days{1}; day += days{1}) {
        bool after = day > options_.to;  // only the head of the next day's file
        dueMoments(day, after);
        Opened opened = openDay(file, entrance_, day, error);
        if (opened == Opened::error) return false;
        if (opened == Opened::missing) {
            missingFile(day);
            continue;
        }
        readFile(file, after);
        countFile(day);
    }
    for (std::size_t slot = 0; slot < own_.size(); ++slot)
        slots_[slot * width_ + column_] = own_[slot];
    return true;
}

}  // namespace

bool computeStatTable(const std::vector<Entrance>& entrances, const Options& options,
                      StatTable& table, std::string& error) {
    table = StatTable{};
    table.by = options.by;
    table.from = options.from;
    table.to = options.to;
    table.named = options.entrances;
    for (const Entrance& entrance : entrances) {
        table.entrances.push_back(entrance.label);
        table.scheduled.push_back(entrance.scheduled);
    }
    table.unusableLines.assign(entrances.size(), 0);

    bool byHour = options.by == Period::hour;
    std::vector<int> rowOfDay;
    if (!byHour) periodRows(options, table, rowOfDay);
    std::size_t width = entrances.size();
    std::size_t slotCount =
        byHour ? static_cast<std::size_t>(dayCount(options)) * hoursPerDay : table.rows.size();
    std::vector<PeriodCounts> slots(slotCount * width);
    std::vector<char> skipped(byHour ? slotCount : 0, 0);
    for (std::size_t slot = 0; slot < skipped.size(); ++slot)
        skipped[slot] = !hourExists(options.from + days{static_cast<long>(slot / hoursPerDay)},
                                    static_cast<int>(slot % hoursPerDay));

    // Each entrance fills its own column of the slots.
    auto countEntrance = [&](std::size_t k, std::string& failure) {
        EntranceCount count(entrances[k], options, k, width, rowOfDay, skipped, slots,
                            table.unusableLines[k]);
        return count.run(failure);
    };
    if (!forEachEntrance(width, countEntrance, error)) return false;
    if (byHour) {
        hourRows(options, entrances, slots, table);
    } else {
        for (std::size_t r = 0; r < table.rows.size(); ++r)
            table.rows[r].entrances.assign(slots.begin() + static_cast<long>(r * width),
                                           slots.begin() + static_cast<long>((r + 1) * width));
        for (long i = 0; i < dayCount(options); ++i)
            addDay(table.rows[static_cast<std::size_t>(rowOfDay[static_cast<std::size_t>(i)])]
                       .entrances,
                   entrances, options.from + days{i});
    }
    markSoFar(options, table);
    return true;
}
