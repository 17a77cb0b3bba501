// The statistics as a person reads them.
#include "person_table.h"

#include <cctype>
#include <cmath>

#include "labels.h"
#include "polish.h"

namespace {

const char* periodHeader(const StatTable& table) {
    switch (table.by) {
        case Period::hour: return table.from == table.to ? "godzina" : "dzień, godzina";
        case Period::day: return "dzień";
        case Period::week: return "tydzień";
        case Period::month: return "miesiąc";
        case Period::weekday: break;
    }
    return "dzień tygodnia";
}

std::vector<std::string> titleLines(const StatTable& table) {
    std::string range = rangeText(table.from, table.to);
    range[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(range[0])));
    std::string second = range + ", wiersz na " + periodWord(table.by);
    if (table.by == Period::weekday) {
        bool anyScheduled = false;
        for (bool scheduled : table.scheduled) anyScheduled = anyScheduled || scheduled;
        second += anyScheduled ? ", średnio na dzień otwarcia" : ", średnio na dzień";
    }
    return {visitorsTitle(table.entrances, table.entrances.size()), second};
}

// A day, or every day of a period, that the schedule keeps closed and that
// has no record.
bool closedCell(const StatTable& table, const PeriodCounts& c, std::size_t k) {
    return table.scheduled[k] && c.days > 0 && c.openDays == 0 && c.records == 0;
}

}  // namespace

long long cellValue(const StatTable& table, const PeriodCounts& c, std::size_t k) {
    if (table.by != Period::weekday) return c.visitors;
    long long per = table.scheduled[k] && c.openDays > 0 ? c.openDays : c.days;
    return per > 0 ? std::llround(static_cast<double>(c.visitors) / static_cast<double>(per)) : 0;
}

std::string cellText(const StatTable& table, const PeriodCounts& c, std::size_t k) {
    return closedCell(table, c, k) ? "zamknięte" : std::to_string(cellValue(table, c, k));
}

std::string rowLabel(const StatTable& table, const PeriodRow& row) {
    std::string label = tableLabel(table, row);
    long long days = row.entrances.empty() ? 0 : row.entrances[0].days;
    if ((table.by == Period::week || table.by == Period::month) && days < row.periodDays)
        label += " (" + std::to_string(days) + "/" + std::to_string(row.periodDays) + " dni)";
    if (table.by == Period::weekday) label += " (" + polishCount(days, "dzień", "dni", "dni") + ")";
    if (row.soFar) label += " (do teraz)";
    return label;
}

PersonTable personTable(const StatTable& table) {
    PersonTable person;
    const std::size_t entrances = table.entrances.size();
    person.title = titleLines(table);
    person.firstHeader = periodHeader(table);
    person.entrances = table.entrances;
    person.sumColumn = entrances > 1;
    person.lastLabel = table.by == Period::weekday ? "średnio" : "razem";
    person.totals.assign(entrances, 0);
    std::vector<PeriodCounts> whole(entrances);  // over every row, for the averages
    for (const PeriodRow& row : table.rows) {
        person.labels.push_back(rowLabel(table, row));
        std::vector<std::string> cells;
        long long sum = 0;
        for (std::size_t k = 0; k < entrances; ++k) {
            const PeriodCounts& c = row.entrances[k];
            cells.push_back(cellText(table, c, k));
            sum += cellValue(table, c, k);
            whole[k].visitors += c.visitors;
            whole[k].days += c.days;
            whole[k].openDays += c.openDays;
        }
        person.cells.push_back(std::move(cells));
        person.sums.push_back(sum);
    }
    for (std::size_t k = 0; k < entrances; ++k) {
        person.totals[k] = cellValue(table, whole[k], k);
        person.total += person.totals[k];
    }
    return person;
}
