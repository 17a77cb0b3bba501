// The chart of a table of pcstat: a bar per row, a part per entrance, the
// title naming the entrances, the days and the period of a bar.
#include "from_table.h"

#include <algorithm>
#include <map>

#include "calendar.h"
#include "polish.h"

namespace {

constexpr int daysPerWeek = 7;
const char* const weekdayShort[daysPerWeek] = {"pn", "wt", "śr", "cz", "pt", "sb", "nd"};
const char* const weekdayLong[daysPerWeek] = {"poniedziałek", "wtorek", "środa",    "czwartek",
                                              "piątek",       "sobota", "niedziela"};
const char* const weekdayCsv[daysPerWeek] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                             "Friday", "Saturday", "Sunday"};

constexpr std::size_t namedEntrances = 4;

// What one bar stands for, as the end of the title says it.
std::string barText(const std::string& by) {
    if (by == "hour") return "godzinę";
    if (by == "day") return "dzień";
    if (by == "week") return "tydzień (ISO)";
    if (by == "month") return "miesiąc";
    return "dzień tygodnia";
}

bool dayOf(const std::string& date, Day& day) {
    return date.size() == 10 && parseDate(date, Day{}, day);
}

// "Odwiedzający, wejście: door1 — dzień 2011-03-14, poniedziałek, słupek
// na godzinę"; several days as "dni 2011-03-14 - 2011-03-20 (7 dni)".  More
// entrances than namedEntrances are counted ("12 wejść"): the legend names
// them, and the title keeps room for the days.
std::string chartTitle(const StatTable& table) {
    std::string title;
    if (table.entrances.size() > namedEntrances) {
        title =
            "Odwiedzający, " + polishCount(table.entrances.size(), "wejście", "wejścia", "wejść");
    } else {
        title = table.entrances.size() == 1 ? "Odwiedzający, wejście: " : "Odwiedzający, wejścia: ";
        for (std::size_t e = 0; e < table.entrances.size(); ++e)
            title += (e ? ", " : "") + table.entrances[e];
    }
    Day from{};
    Day to{};
    const bool known = dayOf(table.fromDate, from) && dayOf(table.toDate, to);
    if (table.fromDate == table.toDate) {
        title += " — dzień " + table.fromDate;
        if (known) title += std::string(", ") + weekdayLong[isoWeekday(from)];
    } else {
        title += " — dni " + table.fromDate + " - " + table.toDate;
        if (known)
            title += " (" + polishCount((to - from).count() + 1, "dzień", "dni", "dni") + ")";
    }
    return title + ", słupek na " + barText(table.by);
}

std::vector<long long> visitorsOf(const PeriodRow& row) {
    std::vector<long long> visitors;
    for (const PeriodCounts& counts : row.entrances) visitors.push_back(counts.visitors);
    return visitors;
}

void addBar(ChartInput& input, const std::string& label, const std::string& group,
            std::vector<long long> visitors) {
    input.periods.push_back(label);
    if (!group.empty()) input.groups.push_back(group);
    input.visitors.push_back(std::move(visitors));
}

std::string dateOfHour(const std::string& period) { return period.substr(0, period.find('T')); }

std::string hourOf(const std::string& period) {
    const std::size_t split = period.find('T');
    return split == std::string::npos ? period : period.substr(split + 1);
}

// The most hours that one day of the table has.
std::size_t longestDay(const StatTable& table) {
    std::map<std::string, std::size_t> hours;
    std::size_t longest = 1;
    for (const PeriodRow& row : table.rows)
        longest = std::max(longest, ++hours[dateOfHour(row.period)]);
    return longest;
}

// Over several days the hours are grouped by their date, and a day of the
// range without an hour is an empty place under its date as wide as the
// longest day.
void addHours(const StatTable& table, ChartInput& input) {
    Day from{};
    Day to{};
    const bool severalDays = table.fromDate != table.toDate && dayOf(table.fromDate, from) &&
                             dayOf(table.toDate, to) && from <= to;
    if (!severalDays) {
        for (const PeriodRow& row : table.rows)
            addBar(input, hourOf(row.period), "", visitorsOf(row));
        return;
    }
    const std::size_t emptyDay = longestDay(table);
    Day next = from;  // the first day not yet shown
    const auto addEmptyDaysBefore = [&](Day end) {
        for (; next < end; next += std::chrono::days{1})
            for (std::size_t place = 0; place < emptyDay; ++place)
                addBar(input, "", dashedDate(next), {});
    };
    for (const PeriodRow& row : table.rows) {
        const std::string date = dateOfHour(row.period);
        Day day{};
        if (dayOf(date, day) && day >= next) {
            addEmptyDaysBefore(day);
            next = day + std::chrono::days{1};
        }
        addBar(input, hourOf(row.period), date, visitorsOf(row));
    }
    addEmptyDaysBefore(to + std::chrono::days{1});
}

// "2011-03-14" as "pn 14.03".
std::string dayLabel(const std::string& period) {
    Day day{};
    if (!dayOf(period, day)) return period;
    return std::string(weekdayShort[isoWeekday(day)]) + " " + period.substr(8, 2) + "." +
           period.substr(5, 2);
}

std::string weekdayLabel(const std::string& period) {
    for (int d = 0; d < daysPerWeek; ++d)
        if (period == weekdayCsv[d]) return weekdayLong[d];
    return period;
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
    if (table.by == "hour") {
        addHours(table, input);
    } else {
        for (const PeriodRow& row : table.rows) {
            const std::string label = table.by == "day"       ? dayLabel(row.period)
                                      : table.by == "weekday" ? weekdayLabel(row.period)
                                                              : row.period;
            addBar(input, label, "", visitorsOf(row));
        }
    }
    for (const PeriodRow& row : table.rows)
        for (const PeriodCounts& counts : row.entrances) input.total += counts.visitors;
    return input;
}
