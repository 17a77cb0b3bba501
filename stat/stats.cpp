// Counting the records of a range of days into periods.
//
// Every entrance's files are read in day order, from the day before the
// range (looked back up to a week for the previous answered record) to
// the head of the file after it (which holds the last record of a day open
// until midnight).  Each record is counted for the day it belongs to and
// the hour of its time; the counts are kept per hour of each day (for
// --by hour) or per row, so that memory grows with the rows printed, not
// with the records read.
#include "stats.h"

#include "stream.h"

const char* const isoWeekdayNames[daysPerWeek] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                  "Friday", "Saturday", "Sunday"};

namespace {

constexpr int hoursPerDay = 24;

using std::chrono::days;

long dayCount(const Options& options) { return (options.to - options.from).count() + 1; }

// The rows of a period other than hours, and the row of each day.
void periodRows(const Options& options, StatTable& table, std::vector<int>& rowOfDay) {
    long count = dayCount(options);
    rowOfDay.assign(static_cast<std::size_t>(count), 0);
    if (options.by == "weekday") {
        for (const char* name : isoWeekdayNames) table.rows.push_back({name, {}});
        for (long i = 0; i < count; ++i)
            rowOfDay[static_cast<std::size_t>(i)] = isoWeekday(options.from + days{i});
        return;
    }
    for (long i = 0; i < count; ++i) {
        Day day = options.from + days{i};
        std::string period = options.by == "week"    ? isoWeek(day)
                             : options.by == "month" ? monthOf(day)
                                                     : dashedDate(day);
        if (table.rows.empty() || table.rows.back().period != period)
            table.rows.push_back({period, {}});
        rowOfDay[static_cast<std::size_t>(i)] = static_cast<int>(table.rows.size()) - 1;
    }
}

// The hour rows: for each day, every hour from the first to the last that
// holds a record of any entrance (the hour a spring change skips left out,
// unless it holds records).
void hourRows(const Options& options, std::size_t entrances, const std::vector<PeriodCounts>& slots,
              StatTable& table) {
    long count = dayCount(options);
    for (long i = 0; i < count; ++i) {
        auto holds = [&](int hour) {
            std::size_t slot = static_cast<std::size_t>(i * hoursPerDay + hour) * entrances;
            for (std::size_t k = 0; k < entrances; ++k)
                if (slots[slot + k].records > 0) return true;
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
            PeriodRow row{dashedDate(day) + "T" + (hour < 10 ? "0" : "") + std::to_string(hour),
                          {}};
            std::size_t slot = static_cast<std::size_t>(i * hoursPerDay + hour) * entrances;
            row.entrances.assign(slots.begin() + static_cast<long>(slot),
                                 slots.begin() + static_cast<long>(slot + entrances));
            table.rows.push_back(std::move(row));
        }
    }
}

// Adds one record to its counts.
void count(PeriodCounts& counts, const DayLine& line, long long increase) {
    counts.visitors += increase;
    ++counts.records;
    if (!answered(line)) ++counts.unanswered;
    if (line.record.faults > 0) ++counts.faults;
}

}  // namespace

bool resolveEntrances(const Options& options, const Places& places,
                      std::vector<Entrance>& entrances, std::string& error) {
    std::vector<std::string> names = options.entrances;
    if (names.empty()) names = configuredEntrances(places.confDir, places.unreadable);
    if (names.empty()) {
        error = "nie podano wejscia, a w " + places.confDir +
                " nie ma konfiguracji pollera z portname i entry";
        return false;
    }
    entrances.clear();
    for (const std::string& name : names) {
        Entrance entrance;
        if (!resolveEntrance(name, places, entrance, error)) return false;
        // A configured poller may not have written yet; a name without a
        // configuration or a path that has no file at all is a mistake.
        if (!hasReportFiles(entrance, entrance.confPath.empty(), error)) return false;
        entrances.push_back(entrance);
    }
    return true;
}

bool computeStatTable(const std::vector<Entrance>& entrances, const Options& options,
                      StatTable& table, std::string& error) {
    table = StatTable{};
    table.by = options.by;
    table.fromDate = dashedDate(options.from);
    table.toDate = dashedDate(options.to);
    for (const Entrance& entrance : entrances) table.entrances.push_back(entrance.label);
    table.unusableLines.assign(entrances.size(), 0);

    bool byHour = options.by == "hour";
    std::vector<int> rowOfDay;
    if (!byHour) periodRows(options, table, rowOfDay);
    std::size_t width = entrances.size();
    std::size_t slotCount =
        byHour ? static_cast<std::size_t>(dayCount(options)) * hoursPerDay : table.rows.size();
    std::vector<PeriodCounts> slots(slotCount * width);

    // Each entrance fills its own column of the slots.
    auto countEntrance = [&](std::size_t k, std::string& failure) {
        const Entrance& entrance = entrances[k];
        DayFile file;
        DayLine line;
        IncreaseTracker tracker;
        if (!lookBack(entrance, options.from, tracker, failure)) return false;
        for (Day day = options.from; day <= options.to + days{1}; day += days{1}) {
            Opened opened = openDay(file, entrance, day, failure);
            if (opened == Opened::error) return false;
            if (opened == Opened::missing) continue;
            bool after = day > options.to;  // only the head of the next day's file
            while (file.next(line)) {
                if (line.kind != LineClass::record) {
                    if (!after) ++table.unusableLines[k];
                    continue;
                }
                if (after && !line.dayBefore) break;
                Fall fall;
                long long increase = answered(line) ? tracker.take(line.record.total, fall) : 0;
                Day owner = line.dayBefore ? day - days{1} : day;
                if (owner < options.from || owner > options.to) continue;
                long index = (owner - options.from).count();
                std::size_t slot =
                    byHour ? static_cast<std::size_t>(index * hoursPerDay + line.second / 3600)
                           : static_cast<std::size_t>(rowOfDay[static_cast<std::size_t>(index)]);
                count(slots[slot * width + k], line, increase);
            }
        }
        return true;
    };
    if (!forEachEntrance(width, countEntrance, error)) return false;
    if (byHour) {
        hourRows(options, width, slots, table);
    } else {
        for (std::size_t r = 0; r < table.rows.size(); ++r)
            table.rows[r].entrances.assign(slots.begin() + static_cast<long>(r * width),
                                           slots.begin() + static_cast<long>((r + 1) * width));
    }
    return true;
}
