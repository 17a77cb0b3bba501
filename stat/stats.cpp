// Counting the records of a range of days into periods.
//
// Every entrance's files are read in day order, from the day before the
// range (looked back up to a week for the previous answered record) to
// the head of the file after it (which holds the last record of a day open
// until midnight).  FileCounter makes every counting decision and sums a
// file's records and expected moments per day and hour row (the day a
// record belongs to, the hour its increase ends in); here those sums are
// added into the rows.  The counts are kept per hour
// of each day (for --by hour) or per row, so that memory grows with the
// rows printed, not with the records read.
#include "stats.h"

#include <algorithm>

#include "filecount.h"

namespace {

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

// The counting of one entrance into its column of the slots: the hour rows
// FileCounter tells of each file, summed into their periods.
class EntranceCount : public CountVisitor {
public:
    EntranceCount(const Entrance& entrance, const Options& options, std::size_t column,
                  std::size_t width, const std::vector<int>& rowOfDay,
                  std::vector<PeriodCounts>& slots, long long& unusable)
        : entrance_(entrance),
          options_(options),
          column_(column),
          width_(width),
          rowOfDay_(rowOfDay),
          slots_(slots),
          unusable_(unusable),
          own_(slots.size() / width) {}

    // Counts the entrance's files into its own slots, then copies them into
    // its column (entrances on other threads write the other columns; a
    // column of its own keeps each thread off the others' cache lines).
    bool run(std::string& error);

    void hour(const CountedHour& sums) override {
        PeriodCounts* counts = countsOf(sums.day, sums.hour);
        if (counts == nullptr) return;
        addRecordCounts(*counts, sums.counts);
        // A missing file counts as a missing day once, for its own day.
        if (sums.ofMissingFile && !sums.dayBefore && !missingDayCounted_) {
            ++counts->missingDays;
            missingDayCounted_ = true;
        }
    }
    void unusableLine() override { ++unusable_; }

private:
    // The counts of the hour row of a day; null outside the range.
    PeriodCounts* countsOf(Day day, int hour) {
        if (day < options_.from || day > options_.to) return nullptr;
        auto index = static_cast<std::size_t>((day - options_.from).count());
        if (options_.by == Period::hour)
            return &own_[index * hoursPerDay + static_cast<std::size_t>(hour)];
        return &own_[static_cast<std::size_t>(rowOfDay_[index])];
    }

    const Entrance& entrance_;
    const Options& options_;
    std::size_t column_, width_;
    const std::vector<int>& rowOfDay_;
    std::vector<PeriodCounts>& slots_;
    long long& unusable_;
    std::vector<PeriodCounts> own_;
    bool missingDayCounted_ = false;  // the missing file of the day is counted
};

bool EntranceCount::run(std::string& error) {
    CountState state;
    if (!lookBack(entrance_, options_.from, options_.now, state.tracker, state.gap, error))
        return false;
    FileCounter counter(entrance_, options_.now);
    for (Day day = options_.from; day <= options_.to + days{1}; day += days{1}) {
        bool after = day > options_.to;  // only the head of the next day's file
        missingDayCounted_ = false;
        if (counter.count(day, after, state, *this, error) == Opened::error) return false;
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

    // Each entrance fills its own column of the slots.
    auto countEntrance = [&](std::size_t k, std::string& failure) {
        EntranceCount count(entrances[k], options, k, width, rowOfDay, slots,
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

bool computeStatTable(const Options& options, const Places& places, StatTable& table,
                      std::string& error) {
    std::vector<Entrance> entrances;
    return resolveEntrances(options, places, entrances, error) &&
           computeStatTable(entrances, options, table, error);
}
