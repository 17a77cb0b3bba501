// The chart of a table of pcstat: a bar per row, a part per entrance, the
// title naming the entrances, the days and the period of a bar.
#include "chart_input.h"

#include <algorithm>

#include "labels.h"
#include "pcutil.h"

namespace {

constexpr std::size_t namedEntrances = 4;

// "Odwiedzający, wejście: door1 — dzień 2011-03-14, poniedziałek, słupek
// na godzinę"; several days as "dni 2011-03-14 - 2011-03-20 (7 dni)".  More
// entrances than namedEntrances are counted ("12 wejść"): the legend names
// them, and the title keeps room for the days.
std::string chartTitle(const StatTable& table) {
    return visitorsTitle(table.entrances, namedEntrances) + " — " +
           rangeText(table.from, table.to) + ", słupek na " + periodWord(table.by);
}

std::vector<long long> visitorsOf(const PeriodRow& row) {
    std::vector<long long> visitors;
    for (const PeriodCounts& counts : row.entrances) visitors.push_back(counts.visitors);
    return visitors;
}

std::vector<long long> carriedOf(const PeriodRow& row) {
    std::vector<long long> carried;
    for (const PeriodCounts& counts : row.entrances) carried.push_back(counts.carried);
    return carried;
}

// "zamknięte" for a row every entrance of which is closed.
std::string noteOf(const StatTable& table, const PeriodRow& row) {
    if (row.entrances.empty()) return "";
    for (std::size_t k = 0; k < row.entrances.size(); ++k)
        if (!closedCounts(row.entrances[k], table.isScheduled(k))) return "";
    return "zamknięte";
}

// A bar, or with a null row an empty place.
void addBar(ChartInput& input, const StatTable& table, const std::string& label,
            const std::string& group, const PeriodRow* row) {
    input.periods.push_back(label);
    if (!group.empty()) input.groups.push_back(group);
    input.visitors.push_back(row ? visitorsOf(*row) : std::vector<long long>{});
    input.carried.push_back(row ? carriedOf(*row) : std::vector<long long>{});
    input.notes.push_back(row ? noteOf(table, *row) : "");
}

std::string hourText(const PeriodRow& row) { return fmt("%02d", row.hour); }

// The most hours that one day of the table has.
std::size_t longestDay(const StatTable& table) {
    std::size_t longest = 1;
    std::size_t run = 0;
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        run = r > 0 && table.rows[r - 1].day == table.rows[r].day ? run + 1 : 1;
        longest = std::max(longest, run);
    }
    return longest;
}

// Over several days the hours are grouped by their date, and a day of the
// range without an hour is an empty place under its date as wide as the
// longest day.
void addHours(const StatTable& table, ChartInput& input) {
    if (table.from >= table.to) {
        for (const PeriodRow& row : table.rows) addBar(input, table, hourText(row), "", &row);
        return;
    }
    const std::size_t emptyDay = longestDay(table);
    Day next = table.from;  // the first day not yet shown
    const auto addEmptyDaysBefore = [&](Day end) {
        for (; next < end; next += std::chrono::days{1})
            for (std::size_t place = 0; place < emptyDay; ++place)
                addBar(input, table, "", dashedDate(next), nullptr);
    };
    for (const PeriodRow& row : table.rows) {
        if (row.day >= next) {
            addEmptyDaysBefore(row.day);
            next = row.day + std::chrono::days{1};
        }
        addBar(input, table, hourText(row), dashedDate(row.day), &row);
    }
    addEmptyDaysBefore(table.to + std::chrono::days{1});
}

// 2011-03-14 as "pn 14.03".
std::string dayLabel(Day day) {
    std::string date = dashedDate(day);
    return std::string(weekdayShort[isoWeekday(day)]) + " " + date.substr(8, 2) + "." +
           date.substr(5, 2);
}

std::string barLabel(Period by, const PeriodRow& row) {
    switch (by) {
        case Period::day: return dayLabel(row.day);
        case Period::weekday: return weekdayLong[row.weekday];
        default: return periodKey(by, row);
    }
}

}  // namespace

ChartInput chartInputFromTable(const StatTable& table, const std::vector<long long>& compared,
                               const std::string& comparedLabel) {
    // Each row's bar is found by its place among the bars that carry
    // numbers: empty places of days without hours carry none.
    ChartInput input = chartInputFromTable(table);
    input.comparedLabel = comparedLabel;
    std::size_t row = 0;
    for (std::size_t p = 0; p < input.periods.size(); ++p) {
        bool bar = !input.visitors[p].empty() && row < table.rows.size();
        input.compared.push_back(bar && row < compared.size() ? compared[row] : -1);
        if (bar) ++row;
    }
    return input;
}

ChartInput chartInputFromTable(const StatTable& table) {
    ChartInput input;
    input.title = chartTitle(table);
    input.entrances = table.entrances;
    input.carriedLabel = "po przerwie w odczytach";
    if (table.by == Period::hour) {
        addHours(table, input);
    } else {
        for (const PeriodRow& row : table.rows)
            addBar(input, table, barLabel(table.by, row), "", &row);
    }
    for (const PeriodRow& row : table.rows)
        for (const PeriodCounts& counts : row.entrances) input.total += counts.visitors;
    return input;
}
