// The words of periods and days that the table and the chart share.
#include "labels.h"

#include "pcutil.h"
#include "polish.h"

const char* const isoWeekdayNames[daysPerWeek] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                  "Friday", "Saturday", "Sunday"};
const char* const weekdayShort[daysPerWeek] = {"pn", "wt", "śr", "cz", "pt", "sb", "nd"};
const char* const weekdayLong[daysPerWeek] = {"poniedziałek", "wtorek", "środa",    "czwartek",
                                              "piątek",       "sobota", "niedziela"};

std::string periodKey(Period by, const PeriodRow& row) {
    switch (by) {
        case Period::hour: return dashedDate(row.day) + fmt("T%02d", row.hour);
        case Period::day: return dashedDate(row.day);
        case Period::week: return isoWeek(row.day);
        case Period::month: return monthOf(row.day);
        case Period::weekday: return isoWeekdayNames[row.weekday];
    }
    return "";
}

const char* periodWord(Period by) {
    switch (by) {
        case Period::hour: return "godzinę";
        case Period::day: return "dzień";
        case Period::week: return "tydzień (ISO)";
        case Period::month: return "miesiąc";
        case Period::weekday: return "dzień tygodnia";
    }
    return "";
}

std::string visitorsTitle(const std::vector<std::string>& entrances, std::size_t namedAtMost) {
    if (entrances.size() > namedAtMost)
        return "Odwiedzający, " +
               polishCount(static_cast<long long>(entrances.size()), "wejście", "wejścia", "wejść");
    std::string title =
        entrances.size() == 1 ? "Odwiedzający, wejście: " : "Odwiedzający, wejścia: ";
    for (std::size_t k = 0; k < entrances.size(); ++k) title += (k > 0 ? ", " : "") + entrances[k];
    return title;
}

std::string rangeText(Day from, Day to) {
    if (from == to) return "dzień " + dashedDate(from) + ", " + weekdayLong[isoWeekday(from)];
    return "dni " + dashedDate(from) + " - " + dashedDate(to) + " (" +
           polishCount((to - from).count() + 1, "dzień", "dni", "dni") + ")";
}

std::string tableLabel(const StatTable& table, const PeriodRow& row) {
    switch (table.by) {
        case Period::hour: {
            std::string hours = fmt("%02d:00-%02d:00", row.hour, row.hour + 1);
            return table.from == table.to ? hours : dashedDate(row.day) + " " + hours;
        }
        case Period::day: return dashedDate(row.day) + " " + weekdayShort[isoWeekday(row.day)];
        case Period::weekday: return weekdayLong[row.weekday];
        case Period::week:
        case Period::month: break;
    }
    return periodKey(table.by, row);
}
