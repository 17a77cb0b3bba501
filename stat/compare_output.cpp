// Writing comparisons and sales beside the counts.
#include "compare_output.h"

#include <algorithm>

#include "chart_input.h"
#include "labels.h"
#include "quoting.h"
#include "pcutil.h"
#include "polish.h"

namespace {

using std::chrono::days;

char decimalOf(const TableExtras& extras) { return extras.csvSep == ';' ? ',' : '.'; }

long long rowVisitors(const StatTable& table, std::size_t r) {
    long long sum = 0;
    for (const PeriodCounts& counts : table.rows[r].entrances) sum += counts.visitors;
    return sum;
}

long long comparedRow(const Comparison& comparison, std::size_t r) {
    long long sum = 0;
    for (long long visitors : comparison.visitors[r]) sum += visitors;
    return sum;
}

std::string nullOr(const std::string& text) { return text.empty() ? "null" : text; }

// The days of the range up to today that a schedule opens (every one when
// no entrance has a schedule).
long openDays(const TableExtras& extras, const StatTable& table) {
    Day last = std::min(table.to, today());
    bool scheduled = false;
    for (const Entrance& entrance : extras.entrances) scheduled = scheduled || entrance.scheduled;
    long open = 0;
    for (Day day = table.from; day <= last; day += days{1}) {
        bool opens = !scheduled;
        int weekday = posixWeekday(day);
        for (const Entrance& entrance : extras.entrances)
            if (entrance.scheduled &&
                entrance.schedule.openTimes[weekday] != entrance.schedule.closeTimes[weekday])
                opens = true;
        open += opens;
    }
    return open;
}

std::string listed(const std::vector<std::string>& items) {
    constexpr std::size_t shown = 10;
    std::string text;
    for (std::size_t i = 0; i < items.size() && i < shown; ++i)
        text += (i > 0 ? ", " : "") + items[i];
    if (items.size() > shown) text += " i " + std::to_string(items.size() - shown) + " innych";
    return text;
}

std::string oneDecimal(double value) {
    std::string text = fmt("%.1f", value);
    text[text.find('.')] = ',';
    return text;
}

}  // namespace

std::string signedChange(long long now, long long before) {
    std::string change = changePercent(now, before, ',');
    if (change.empty()) return "";
    return (change[0] == '-' ? "" : "+") + change + "%";
}

std::string extraCsvHeader(const TableExtras& extras) {
    std::string s(1, extras.csvSep), text;
    if (extras.comparison != nullptr && extras.comparison->on)
        text += s + "compare_period" + s + "compare_visitors" + s + "change_percent";
    if (extras.conversion != nullptr && extras.conversion->on)
        text += s + "transactions" + s + "revenue" + s + "conversion_percent" + s +
                "revenue_per_visitor";
    return text;
}

std::string extraCsvFields(const TableExtras& extras, const StatTable& table, std::size_t r,
                           std::size_t k) {
    std::string s(1, extras.csvSep), text;
    char decimal = decimalOf(extras);
    if (extras.comparison != nullptr && extras.comparison->on) {
        const Comparison& c = *extras.comparison;
        text += s + c.periods[r] + s + std::to_string(c.visitors[r][k]) + s +
                changePercent(table.rows[r].entrances[k].visitors, c.visitors[r][k], decimal);
    }
    if (extras.conversion != nullptr && extras.conversion->on) {
        const SalesAmount& sale = extras.conversion->sales[r];
        long long visitors = rowVisitors(table, r);
        text += s + std::to_string(sale.transactions) + s + money(sale.revenue, decimal) + s +
                conversionPercent(sale.transactions, visitors, decimal) + s +
                perVisitor(sale.revenue, visitors, decimal);
    }
    return text;
}

std::string extraJsonFields(const TableExtras& extras, const StatTable& table, std::size_t r,
                            std::size_t k) {
    std::string text;
    if (extras.comparison != nullptr && extras.comparison->on) {
        const Comparison& c = *extras.comparison;
        text += ",\"compare_period\":" + jsonString(c.periods[r]) +
                fmt(",\"compare_visitors\":%lld", c.visitors[r][k]) + ",\"change_percent\":" +
                nullOr(changePercent(table.rows[r].entrances[k].visitors, c.visitors[r][k], '.'));
    }
    if (extras.conversion != nullptr && extras.conversion->on) {
        const SalesAmount& sale = extras.conversion->sales[r];
        long long visitors = rowVisitors(table, r);
        text += fmt(",\"transactions\":%lld", sale.transactions) +
                ",\"revenue\":" + money(sale.revenue, '.') + ",\"conversion_percent\":" +
                nullOr(conversionPercent(sale.transactions, visitors, '.')) +
                ",\"revenue_per_visitor\":" + nullOr(perVisitor(sale.revenue, visitors, '.'));
    }
    return text;
}

std::vector<std::string> extraTableHeader(const TableExtras& extras) {
    std::vector<std::string> heads;
    if (extras.comparison != nullptr && extras.comparison->on)
        heads.insert(heads.end(), {"wcześniej", "zmiana"});
    if (extras.conversion != nullptr && extras.conversion->on)
        heads.insert(heads.end(), {"transakcje", "konwersja"});
    return heads;
}

std::vector<std::string> extraTableCells(const TableExtras& extras, const StatTable& table,
                                         std::size_t r) {
    std::vector<std::string> cells;
    long long visitors = rowVisitors(table, r);
    if (extras.comparison != nullptr && extras.comparison->on) {
        long long before = comparedRow(*extras.comparison, r);
        cells.push_back(std::to_string(before));
        cells.push_back(signedChange(visitors, before));
    }
    if (extras.conversion != nullptr && extras.conversion->on) {
        const SalesAmount& sale = extras.conversion->sales[r];
        std::string percent = conversionPercent(sale.transactions, visitors, ',');
        cells.push_back(std::to_string(sale.transactions));
        cells.push_back(percent.empty() ? "" : percent + "%");
    }
    return cells;
}

std::vector<std::string> extraTableTotals(const TableExtras& extras, const StatTable& table) {
    std::vector<std::string> cells;
    long long visitors = 0, before = 0, transactions = 0;
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        visitors += rowVisitors(table, r);
        if (extras.comparison != nullptr && extras.comparison->on)
            before += comparedRow(*extras.comparison, r);
        if (extras.conversion != nullptr && extras.conversion->on)
            transactions += extras.conversion->sales[r].transactions;
    }
    if (extras.comparison != nullptr && extras.comparison->on) {
        cells.push_back(std::to_string(before));
        cells.push_back(signedChange(visitors, before));
    }
    if (extras.conversion != nullptr && extras.conversion->on) {
        std::string percent = conversionPercent(transactions, visitors, ',');
        cells.push_back(std::to_string(transactions));
        cells.push_back(percent.empty() ? "" : percent + "%");
    }
    return cells;
}

std::string summaryLines(const TableExtras& extras, const StatTable& table) {
    // The weekday table shows averages already, with their own last row.
    if (table.rows.empty() || table.by == Period::weekday) return "";
    std::string text;
    long long total = 0, best = -1;
    std::size_t busiest = 0;
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        long long visitors = rowVisitors(table, r);
        total += visitors;
        if (visitors > best) {
            best = visitors;
            busiest = r;
        }
    }
    const std::string label = tableLabel(table, table.rows[busiest]);
    if (table.by == Period::hour)
        text += "Najwięcej w godzinie: " + label + " (" + std::to_string(best) + ")\n";
    if (table.by == Period::day && table.from != table.to)
        text += "Najwięcej w dniu: " + label + " (" + std::to_string(best) + ")\n";
    long open = openDays(extras, table);
    if (open > 0)
        text += "Średnio na dzień otwarty: " +
                oneDecimal(static_cast<double>(total) / static_cast<double>(open)) + " (" +
                polishCount(open, "dzień", "dni", "dni") + ")\n";
    if (extras.comparison != nullptr && extras.comparison->on) {
        long long before = 0;
        for (std::size_t r = 0; r < table.rows.size(); ++r)
            before += comparedRow(*extras.comparison, r);
        std::string change = signedChange(total, before);
        text +=
            "Zmiana całego okresu: " + (change.empty() ? std::string("brak porównania") : change) +
            " (" + std::to_string(total) + " wobec " + std::to_string(before) + " w dniach " +
            extras.comparison->fromDate + " - " + extras.comparison->toDate + ")\n";
    }
    return text;
}

std::string extraNotes(const TableExtras& extras, const StatTable& table) {
    std::string text;
    if (extras.comparison != nullptr && extras.comparison->on) {
        std::vector<std::string> periods;
        for (std::size_t r = 0; r < table.rows.size(); ++r)
            if (extras.comparison->incomplete[r]) periods.push_back(extras.comparison->periods[r]);
        if (!periods.empty())
            text += "Uwaga: porównywane okresy z niepełnymi liczbami: " + listed(periods) + ".\n";
    }
    if (extras.conversion != nullptr && extras.conversion->on) {
        const Conversion& c = *extras.conversion;
        if (!c.salesWithoutVisitors.empty())
            text +=
                "Uwaga: sprzedaż w okresach bez policzonych odwiedzających (zwykle brak "
                "odczytu): " +
                listed(c.salesWithoutVisitors) + ".\n";
        if (c.dayOnly.transactions != 0 || c.dayOnly.revenue != 0)
            text += "Uwaga: " +
                    polishCount(c.dayOnly.transactions, "transakcja", "transakcje", "transakcji") +
                    " z samą datą, bez godziny, poza wierszami godzin.\n";
    }
    if (!extras.unscheduled.empty())
        text += "Bez harmonogramu (konfiguracji pollera), braków nie liczono: " +
                listed(extras.unscheduled) + ".\n";
    return text;
}

ChartInput comparedChartInput(const StatTable& table, const Comparison& comparison) {
    if (!comparison.on) return chartInputFromTable(table);
    std::vector<long long> compared;
    for (std::size_t r = 0; r < comparison.visitors.size(); ++r)
        compared.push_back(comparedRow(comparison, r));
    return chartInputFromTable(table, compared,
                               "wcześniej: " + comparison.fromDate + " - " + comparison.toDate);
}
