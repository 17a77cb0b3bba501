// The compared period of each row, and the sales of each row.
#include "compare.h"

#include <cmath>
#include <cstdlib>
#include <map>

#include "pcutil.h"
#include "labels.h"
#include "stats.h"

namespace {

using std::chrono::days;

// The csv period text of the row a day of the range belongs to.
std::string periodOfDay(Period by, Day day) {
    PeriodRow row;
    row.day = day;
    row.weekday = isoWeekday(day);
    return periodKey(by, row);
}

std::string decimalText(double value, int decimals, char decimal) {
    std::string text = fmt("%.*f", decimals, value);
    if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-') text.erase(0, 1);
    if (decimal != '.')
        for (char& c : text)
            if (c == '.') c = decimal;
    return text;
}

// Counts that may not be whole: unanswered records, photocell faults,
// missing records or files, visitors carried across a gap.
bool incompleteCounts(const PeriodCounts& counts) {
    return counts.unanswered > 0 || counts.faults > 0 || counts.missing > 0 ||
           counts.missingDays > 0 || counts.carried > 0;
}

}  // namespace

long compareShift(CompareWith kind, Day from, Day to) {
    return kind == CompareWith::year ? 364 : (to - from).count() + 1;
}

bool computeComparison(const std::vector<Entrance>& entrances, const Options& options,
                       const StatTable& table, Comparison& comparison, std::string& error) {
    comparison = Comparison{};
    if (options.compare == CompareWith::none) return true;
    long shift = compareShift(options.compare, options.from, options.to);
    Options before = options;
    before.from = options.from - days{shift};
    before.to = options.to - days{shift};
    bool byHour = options.by == Period::hour;
    before.by = byHour ? Period::hour : Period::day;
    StatTable earlier;
    if (!computeStatTable(entrances, before, earlier, error)) return false;
    comparison.on = true;
    comparison.fromDate = dashedDate(before.from);
    comparison.toDate = dashedDate(before.to);
    std::size_t width = table.entrances.size();
    std::size_t rows = table.rows.size();
    comparison.periods.assign(rows, "");
    comparison.visitors.assign(rows, std::vector<long long>(width, 0));
    comparison.incomplete.assign(rows, false);
    std::map<std::string, std::size_t> rowOf;
    if (byHour) {
        for (std::size_t r = 0; r < earlier.rows.size(); ++r)
            rowOf[periodKey(Period::hour, earlier.rows[r])] = r;
        for (std::size_t r = 0; r < rows; ++r) {
            PeriodRow shifted = table.rows[r];
            shifted.day -= days{shift};
            std::string matching = periodKey(Period::hour, shifted);
            comparison.periods[r] = matching;
            auto found = rowOf.find(matching);
            if (found == rowOf.end()) continue;
            for (std::size_t k = 0; k < width; ++k) {
                const PeriodCounts& counts = earlier.rows[found->second].entrances[k];
                comparison.visitors[r][k] = counts.visitors;
                if (incompleteCounts(counts)) comparison.incomplete[r] = true;
            }
        }
        return true;
    }
    for (std::size_t r = 0; r < rows; ++r) rowOf[periodKey(options.by, table.rows[r])] = r;
    std::vector<Day> first(rows), last(rows);
    std::vector<bool> seen(rows, false);
    for (std::size_t i = 0; i < earlier.rows.size(); ++i) {
        Day day = before.from + days{static_cast<long>(i)};
        auto found = rowOf.find(periodOfDay(options.by, day + days{shift}));
        if (found == rowOf.end()) continue;
        std::size_t r = found->second;
        if (!seen[r]) first[r] = day;
        seen[r] = true;
        last[r] = day;
        for (std::size_t k = 0; k < width; ++k) {
            const PeriodCounts& counts = earlier.rows[i].entrances[k];
            comparison.visitors[r][k] += counts.visitors;
            if (incompleteCounts(counts)) comparison.incomplete[r] = true;
        }
    }
    for (std::size_t r = 0; r < rows; ++r) {
        if (!seen[r]) continue;
        if (options.by == Period::day)
            comparison.periods[r] = dashedDate(first[r]);
        else if (options.by == Period::week && shift % 7 == 0)
            comparison.periods[r] = isoWeek(first[r]);
        else
            comparison.periods[r] = dashedDate(first[r]) + "/" + dashedDate(last[r]);
    }
    return true;
}

void comparisonByShop(Comparison& comparison, const std::vector<std::size_t>& shopOf,
                      std::size_t shops) {
    for (std::vector<long long>& row : comparison.visitors) {
        std::vector<long long> sums(shops, 0);
        for (std::size_t k = 0; k < row.size() && k < shopOf.size(); ++k) sums[shopOf[k]] += row[k];
        row = sums;
    }
}

void applySales(const SalesTable& sales, const Options& options, StatTable& table,
                Conversion& conversion) {
    conversion = Conversion{};
    conversion.on = true;
    long count = sales.days();
    if (options.by == Period::hour) {
        std::map<std::string, std::size_t> rowOf;
        for (std::size_t r = 0; r < table.rows.size(); ++r)
            rowOf[periodKey(Period::hour, table.rows[r])] = r;
        std::map<std::string, SalesAmount> byHour;
        std::map<std::string, std::pair<Day, int>> whenOf;
        for (long i = 0; i < count; ++i) {
            Day day = options.from + days{i};
            for (int hour = 0; hour < hoursPerDay; ++hour) {
                const SalesAmount& amount = sales.at(0, i, hour);
                if (amount.transactions == 0 && amount.revenue == 0) continue;
                std::string key = dashedDate(day) + fmt("T%02d", hour);
                byHour[key] = amount;
                whenOf[key] = {day, hour};
            }
            const SalesAmount& dayOnly = sales.at(0, i, salesDayOnly);
            conversion.dayOnly.transactions += dayOnly.transactions;
            conversion.dayOnly.revenue += dayOnly.revenue;
        }
        // An hour with sales but no row gets one, in its place.
        for (const auto& [period, amount] : byHour) {
            if (rowOf.count(period) > 0) continue;
            PeriodRow row;
            row.day = whenOf[period].first;
            row.hour = whenOf[period].second;
            row.entrances.assign(table.entrances.size(), PeriodCounts{});
            auto at = table.rows.begin();
            while (at != table.rows.end() && periodKey(Period::hour, *at) < period) ++at;
            table.rows.insert(at, row);
        }
        conversion.sales.assign(table.rows.size(), SalesAmount{});
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            auto found = byHour.find(periodKey(Period::hour, table.rows[r]));
            if (found != byHour.end()) conversion.sales[r] = found->second;
        }
    } else {
        std::map<std::string, std::size_t> rowOf;
        for (std::size_t r = 0; r < table.rows.size(); ++r)
            rowOf[periodKey(options.by, table.rows[r])] = r;
        conversion.sales.assign(table.rows.size(), SalesAmount{});
        for (long i = 0; i < count; ++i) {
            auto found = rowOf.find(periodOfDay(options.by, options.from + days{i}));
            if (found == rowOf.end()) continue;
            SalesAmount& sum = conversion.sales[found->second];
            for (int slot = 0; slot < salesSlotsPerDay; ++slot) {
                sum.transactions += sales.at(0, i, slot).transactions;
                sum.revenue += sales.at(0, i, slot).revenue;
            }
        }
    }
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        long long visitors = 0;
        for (const PeriodCounts& counts : table.rows[r].entrances) visitors += counts.visitors;
        const SalesAmount& amount = conversion.sales[r];
        if (visitors == 0 && (amount.transactions != 0 || amount.revenue != 0))
            conversion.salesWithoutVisitors.push_back(periodKey(table.by, table.rows[r]));
    }
}

std::string changePercent(long long now, long long before, char decimal) {
    if (before == 0) return "";
    return decimalText(static_cast<double>(now - before) * 100.0 / static_cast<double>(before), 1,
                       decimal);
}

std::string conversionPercent(long long transactions, long long visitors, char decimal) {
    if (visitors == 0) return "";
    return decimalText(static_cast<double>(transactions) * 100.0 / static_cast<double>(visitors), 1,
                       decimal);
}

std::string perVisitor(long long hundredths, long long visitors, char decimal) {
    if (visitors == 0) return "";
    return decimalText(static_cast<double>(hundredths) / 100.0 / static_cast<double>(visitors), 2,
                       decimal);
}

std::string money(long long hundredths, char decimal) {
    std::string text = fmt("%s%lld.%02lld", hundredths < 0 ? "-" : "", std::llabs(hundredths) / 100,
                           std::llabs(hundredths) % 100);
    if (decimal != '.') text[text.find('.')] = decimal;
    return text;
}
