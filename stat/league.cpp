// The league of shops: computed a shop at a time, written as csv, JSON
// Lines or a table.
#include "league.h"

#include <algorithm>

#include "cells.h"
#include "compare.h"
#include "quoting.h"
#include "pcutil.h"
#include "polish.h"
#include "shops.h"
#include "stats.h"

namespace {

using std::chrono::days;

// Whether a day counts as open for the shop: a day its schedules open, or
// any day up to today when none of its entrances has a schedule.
long openDaysOf(const std::vector<const Entrance*>& shop, Day from, Day to) {
    Day last = std::min(to, today());
    long open = 0;
    bool scheduled = false;
    for (const Entrance* entrance : shop) scheduled = scheduled || entrance->scheduled;
    for (Day day = from; day <= last; day += days{1}) {
        bool opens = !scheduled;
        int weekday = posixWeekday(day);
        for (const Entrance* entrance : shop)
            if (entrance->scheduled &&
                entrance->schedule.openTimes[weekday] != entrance->schedule.closeTimes[weekday])
                opens = true;
        open += opens;
    }
    return open;
}

long long tableVisitors(const StatTable& table) {
    long long sum = 0;
    for (const PeriodRow& row : table.rows)
        for (const PeriodCounts& counts : row.entrances) sum += counts.visitors;
    return sum;
}

std::string average(const LeagueRow& row, char decimal) {
    if (row.openDays == 0) return "";
    std::string text =
        fmt("%.1f", static_cast<double>(row.visitors) / static_cast<double>(row.openDays));
    if (decimal != '.') text[text.find('.')] = decimal;
    return text;
}

std::string sep(char c) { return std::string(1, c); }

std::string field(const std::string& text, char separator) {
    if (text.find_first_of(sep(separator) + "\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string nullOr(const std::string& text) { return text.empty() ? "null" : text; }

}  // namespace

bool computeLeague(const std::vector<Entrance>& entrances, const Options& options,
                   const SalesTable* sales, League& league, std::string& error) {
    league = League{};
    league.fromDate = dashedDate(options.from);
    league.toDate = dashedDate(options.to);
    league.compare = options.compare != CompareWith::none;
    league.sales = sales != nullptr;
    long shift = compareShift(options.compare, options.from, options.to);
    if (league.compare) {
        league.compareFrom = dashedDate(options.from - days{shift});
        league.compareTo = dashedDate(options.to - days{shift});
    }
    std::vector<std::size_t> shopOf;
    std::vector<std::string> shops = shopsOf(entrances, shopOf);
    Options perDay = options;
    perDay.by = Period::day;
    for (std::size_t s = 0; s < shops.size(); ++s) {
        std::vector<Entrance> members;
        std::vector<const Entrance*> pointers;
        for (std::size_t k = 0; k < entrances.size(); ++k)
            if (shopOf[k] == s) members.push_back(entrances[k]);
        for (const Entrance& member : members) pointers.push_back(&member);
        LeagueRow row;
        row.shop = shops[s];
        row.entrances = members.size();
        row.days = (options.to - options.from).count() + 1;
        row.openDays = openDaysOf(pointers, options.from, options.to);
        for (const Entrance* member : pointers) row.scheduled = row.scheduled || member->scheduled;
        {
            StatTable table;
            if (!computeStatTable(members, perDay, table, error)) return false;
            for (const PeriodRow& period : table.rows)
                for (const PeriodCounts& counts : period.entrances) {
                    row.visitors += counts.visitors;
                    row.unanswered += counts.unanswered;
                    row.faults += counts.faults;
                    row.missing += counts.missing;
                    row.carried += counts.carried;
                }
            for (long long lines : table.unusableLines) row.unusable += lines;
        }
        if (league.compare) {
            Options before = perDay;
            before.from = options.from - days{shift};
            before.to = options.to - days{shift};
            StatTable table;
            if (!computeStatTable(members, before, table, error)) return false;
            row.compareVisitors = tableVisitors(table);
        }
        if (sales != nullptr)
            for (long d = 0; d < sales->days(); ++d)
                for (int h = 0; h < salesSlotsPerDay; ++h) {
                    row.sales.transactions += sales->at(s, d, h).transactions;
                    row.sales.revenue += sales->at(s, d, h).revenue;
                }
        league.rows.push_back(row);
    }
    std::stable_sort(
        league.rows.begin(), league.rows.end(),
        [](const LeagueRow& a, const LeagueRow& b) { return a.visitors > b.visitors; });
    return true;
}

void writeLeagueCsv(const League& league, char separator, std::FILE* out) {
    char decimal = separator == ';' ? ',' : '.';
    std::string s = sep(separator);
    std::vector<std::string> header = {"shop",       "entrances", "visitors",
                                       "days",       "open_days", "visitors_per_open_day",
                                       "unanswered", "faults",    "unusable_lines",
                                       "missing",    "carried"};
    if (league.compare)
        header.insert(header.end(), {"compare_period", "compare_visitors", "change_percent"});
    if (league.sales)
        header.insert(header.end(),
                      {"transactions", "revenue", "conversion_percent", "revenue_per_visitor"});
    std::string text;
    for (std::size_t i = 0; i < header.size(); ++i) text += (i > 0 ? s : "") + header[i];
    text += "\n";
    for (const LeagueRow& row : league.rows) {
        text += field(row.shop, separator) + s + std::to_string(row.entrances) + s +
                std::to_string(row.visitors) + s + std::to_string(row.days) + s +
                (row.scheduled ? std::to_string(row.openDays) : "") + s + average(row, decimal) +
                s + std::to_string(row.unanswered) + s + std::to_string(row.faults) + s +
                std::to_string(row.unusable) + s +
                (row.scheduled ? std::to_string(row.missing) : "") + s +
                std::to_string(row.carried);
        if (league.compare)
            text += s + league.compareFrom + "/" + league.compareTo + s +
                    std::to_string(row.compareVisitors) + s +
                    changePercent(row.visitors, row.compareVisitors, decimal);
        if (league.sales)
            text += s + std::to_string(row.sales.transactions) + s +
                    money(row.sales.revenue, decimal) + s +
                    conversionPercent(row.sales.transactions, row.visitors, decimal) + s +
                    perVisitor(row.sales.revenue, row.visitors, decimal);
        text += "\n";
    }
    std::fputs(text.c_str(), out);
}

void writeLeagueJson(const League& league, std::FILE* out) {
    std::string text;
    for (const LeagueRow& row : league.rows) {
        text +=
            "{\"shop\":" + jsonString(row.shop) +
            fmt(",\"entrances\":%zu,\"visitors\":%lld,\"days\":%ld,\"open_days\":", row.entrances,
                row.visitors, row.days) +
            (row.scheduled ? std::to_string(row.openDays) : "null") +
            ",\"visitors_per_open_day\":" + nullOr(average(row, '.')) +
            fmt(",\"unanswered\":%lld,\"faults\":%lld,\"unusable_lines\":%lld", row.unanswered,
                row.faults, row.unusable) +
            ",\"missing\":" + (row.scheduled ? std::to_string(row.missing) : "null") +
            fmt(",\"carried\":%lld", row.carried);
        if (league.compare)
            text +=
                ",\"compare_period\":" + jsonString(league.compareFrom + "/" + league.compareTo) +
                fmt(",\"compare_visitors\":%lld", row.compareVisitors) + ",\"change_percent\":" +
                nullOr(changePercent(row.visitors, row.compareVisitors, '.'));
        if (league.sales)
            text += fmt(",\"transactions\":%lld", row.sales.transactions) +
                    ",\"revenue\":" + money(row.sales.revenue, '.') + ",\"conversion_percent\":" +
                    nullOr(conversionPercent(row.sales.transactions, row.visitors, '.')) +
                    ",\"revenue_per_visitor\":" +
                    nullOr(perVisitor(row.sales.revenue, row.visitors, '.'));
        text += "}\n";
    }
    std::fputs(text.c_str(), out);
}

std::vector<std::string> leagueHeader(const League& league) {
    std::vector<std::string> header = {"sklep", "odwiedzający", "średnio na dzień otwarty"};
    if (league.compare) header.insert(header.end(), {"wcześniej", "zmiana"});
    if (league.sales) header.insert(header.end(), {"transakcje", "konwersja"});
    header.insert(header.end(), {"braki", "po przerwie"});
    return header;
}

std::vector<std::string> leagueCells(const League& league, const LeagueRow& row) {
    std::vector<std::string> line = {row.shop, std::to_string(row.visitors), average(row, ',')};
    if (league.compare) {
        std::string change = changePercent(row.visitors, row.compareVisitors, ',');
        line.push_back(std::to_string(row.compareVisitors));
        line.push_back(change.empty() ? "" : (change[0] == '-' ? "" : "+") + change + "%");
    }
    if (league.sales) {
        std::string percent = conversionPercent(row.sales.transactions, row.visitors, ',');
        line.push_back(std::to_string(row.sales.transactions));
        line.push_back(percent.empty() ? "" : percent + "%");
    }
    line.push_back(row.scheduled ? std::to_string(row.missing) : "");
    line.push_back(std::to_string(row.carried));
    return line;
}

LeagueRow leagueTotal(const League& league) {
    LeagueRow total;
    total.shop = "razem";
    for (const LeagueRow& row : league.rows) {
        total.entrances += row.entrances;
        total.visitors += row.visitors;
        total.compareVisitors += row.compareVisitors;
        total.sales.transactions += row.sales.transactions;
        total.sales.revenue += row.sales.revenue;
        total.scheduled = total.scheduled || row.scheduled;
        total.missing += row.missing;
        total.carried += row.carried;
    }
    return total;
}

std::vector<std::string> leagueTitle(const League& league) {
    long days = league.rows.empty() ? 0 : league.rows.front().days;
    std::string range = "Dni " + league.fromDate + " - " + league.toDate + " (" +
                        polishCount(days, "dzień", "dni", "dni") + ")";
    if (league.compare) range += ", porównanie z " + league.compareFrom + " - " + league.compareTo;
    return {"Sklepy według liczby odwiedzających", range};
}

void writeLeagueTable(const League& league, std::FILE* out) {
    std::string text;
    for (const std::string& line : leagueTitle(league)) text += line + "\n";
    text += "\n";
    std::vector<std::vector<std::string>> grid = {leagueHeader(league)};
    for (const LeagueRow& row : league.rows) grid.push_back(leagueCells(league, row));
    if (league.rows.empty()) grid.push_back({"(brak sklepów)"});
    text += gridText(grid);
    const LeagueRow total = leagueTotal(league);
    text += "razem: " + std::to_string(total.visitors) + " odwiedzających";
    if (league.compare) {
        std::string change = changePercent(total.visitors, total.compareVisitors, ',');
        text +=
            ", wcześniej " + std::to_string(total.compareVisitors) +
            (change.empty() ? "" : " (" + std::string(change[0] == '-' ? "" : "+") + change + "%)");
    }
    if (league.sales)
        text +=
            ", " + polishCount(total.sales.transactions, "transakcja", "transakcje", "transakcji");
    text += "\n";
    std::fputs(text.c_str(), out);
}
