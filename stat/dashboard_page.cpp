// The dashboard's page: the entrances' state, then today, the week, the
// last four weeks and the weekdays in all and per entrance, then the
// completeness of the reports.
#include "chart_input.h"
#include "dashboard.h"
#include "findings_out.h"
#include "html.h"
#include "html_report.h"
#include "labels.h"
#include "notes.h"
#include "person_table.h"
#include "pcutil.h"
#include "polish.h"

namespace {

using std::chrono::days;

constexpr std::size_t allEntrances = static_cast<std::size_t>(-1);
constexpr int chartWidth = 900;
constexpr int chartHeight = 380;

// The number a section shows for a row: an entrance's cell, or for all
// entrances the sum of their values.
std::string valueText(const StatTable& table, const PeriodRow& row, std::size_t column) {
    if (column != allEntrances) return cellText(table, row.entrances[column], column);
    long long sum = 0;
    for (std::size_t k = 0; k < row.entrances.size(); ++k)
        sum += cellValue(table, row.entrances[k], k);
    return std::to_string(sum);
}

long long valueOf(const StatTable& table, const PeriodRow& row, std::size_t column) {
    if (column != allEntrances) return cellValue(table, row.entrances[column], column);
    long long sum = 0;
    for (std::size_t k = 0; k < row.entrances.size(); ++k)
        sum += cellValue(table, row.entrances[k], k);
    return sum;
}

std::string change(long long now, long long before) {
    if (before <= 0) return "—";
    const double percent = 100.0 * static_cast<double>(now - before) / static_cast<double>(before);
    return fmt("%+.0f%%", percent);
}

std::string dayWords(Day day) { return dashedDate(day) + ", " + weekdayLong[isoWeekday(day)]; }

// Today per hour beside the same hours a week ago.
std::string todaySection(const Dashboard& d, std::size_t column) {
    HtmlTable table;
    table.caption = "Dziś (" + dayWords(d.today) + ") według godzin, obok tego samego dnia " +
                    "tydzień temu (" + dashedDate(d.weekAgoHours.from) + ")";
    table.header = {"godzina", "dziś", "tydzień temu"};
    std::vector<const PeriodRow*> now(24, nullptr), before(24, nullptr);
    for (const PeriodRow& row : d.todayHours.rows) now[static_cast<std::size_t>(row.hour)] = &row;
    for (const PeriodRow& row : d.weekAgoHours.rows)
        before[static_cast<std::size_t>(row.hour)] = &row;
    long long sumNow = 0, sumBefore = 0;
    for (std::size_t hour = 0; hour < 24; ++hour) {
        if (now[hour] == nullptr && before[hour] == nullptr) continue;
        const PeriodRow& any = now[hour] != nullptr ? *now[hour] : *before[hour];
        std::vector<std::string> cells{now[hour] != nullptr ? rowLabel(d.todayHours, *now[hour])
                                                            : tableLabel(d.weekAgoHours, any)};
        cells.push_back(now[hour] != nullptr ? valueText(d.todayHours, *now[hour], column) : "");
        cells.push_back(before[hour] != nullptr ? valueText(d.weekAgoHours, *before[hour], column)
                                                : "");
        if (now[hour] != nullptr) sumNow += valueOf(d.todayHours, *now[hour], column);
        if (before[hour] != nullptr) sumBefore += valueOf(d.weekAgoHours, *before[hour], column);
        table.rows.push_back(cells);
    }
    table.foot = {"razem", std::to_string(sumNow), std::to_string(sumBefore)};
    table.emptyText = "brak rekordów";
    return htmlTable(table);
}

// The last 7 days of the day table against the 7 before.
std::string weekSection(const Dashboard& d, std::size_t column) {
    HtmlTable table;
    const std::size_t count = d.days.rows.size();
    table.caption = "Ostatnie 7 dni wobec 7 dni wcześniej";
    table.header = {"dzień", "odwiedzający", "tydzień wcześniej", "odwiedzający", "zmiana"};
    long long sumNow = 0, sumBefore = 0;
    for (std::size_t i = count >= 7 ? count - 7 : 0, j = i >= 7 ? i - 7 : 0; i < count && j < i;
         ++i, ++j) {
        const PeriodRow& now = d.days.rows[i];
        const PeriodRow& before = d.days.rows[j];
        const long long valueNow = valueOf(d.days, now, column);
        const long long valueBefore = valueOf(d.days, before, column);
        sumNow += valueNow;
        sumBefore += valueBefore;
        table.rows.push_back({rowLabel(d.days, now), valueText(d.days, now, column),
                              rowLabel(d.days, before), valueText(d.days, before, column),
                              change(valueNow, valueBefore)});
    }
    table.foot = {"razem", std::to_string(sumNow), "", std::to_string(sumBefore),
                  change(sumNow, sumBefore)};
    return htmlTable(table);
}

// The last 28 days of the day table as four weeks of seven days.
std::string weeksSection(const Dashboard& d, std::size_t column) {
    HtmlTable table;
    table.caption = "Ostatnie 4 tygodnie (po 7 dni do wczoraj)";
    table.header = {"dni", "odwiedzający"};
    const std::size_t count = d.days.rows.size();
    long long total = 0;
    for (std::size_t start = count >= 28 ? count - 28 : count; start + 7 <= count; start += 7) {
        long long sum = 0;
        for (std::size_t i = start; i < start + 7; ++i)
            sum += valueOf(d.days, d.days.rows[i], column);
        total += sum;
        table.rows.push_back(
            {dashedDate(d.days.rows[start].day) + " - " + dashedDate(d.days.rows[start + 6].day),
             std::to_string(sum)});
    }
    table.foot = {"razem", std::to_string(total)};
    return htmlTable(table);
}

std::string weekdaySection(const Dashboard& d, std::size_t column) {
    HtmlTable table;
    table.caption = "Średnio według dnia tygodnia, ostatnie " +
                    polishCount(dashboardWeeks, "tydzień", "tygodnie", "tygodni") + " (" +
                    dashedDate(d.days.from) + " - " + dashedDate(d.days.to) + ")";
    table.header = {"dzień tygodnia", column == allEntrances ? "średnio (suma wejść)" : "średnio"};
    for (const PeriodRow& row : d.weekdays.rows)
        table.rows.push_back({rowLabel(d.weekdays, row), valueText(d.weekdays, row, column)});
    return htmlTable(table);
}

std::string chartFigure(const StatTable& table, const std::string& idPrefix) {
    std::string svg, error;
    if (table.rows.empty() ||
        !drawChartSvg(chartInputFromTable(table), chartWidth, chartHeight, svg, error))
        return "";
    return "<figure>" + inlineSvg(svg, idPrefix) + "</figure>\n";
}

// The last 14 days of the day table, for the chart.
StatTable lastDays(const StatTable& dayTable, std::size_t count) {
    StatTable table = dayTable;
    if (table.rows.size() > count)
        table.rows.erase(table.rows.begin(), table.rows.end() - static_cast<long>(count));
    if (!table.rows.empty()) table.from = table.rows.front().day;
    return table;
}

std::string stateText(const LatestReading& latest) {
    if (!latest.found) return "brak odczytów od tygodnia";
    return latest.answered ? "odpowiada" : "nie odpowiada";
}

std::string latestText(const LatestReading& latest, Day today) {
    if (!latest.found) return "—";
    return latest.day == today ? latest.time : dashedDate(latest.day) + " " + latest.time;
}

long long totalOf(const StatTable& table, std::size_t k) {
    long long sum = 0;
    for (const PeriodRow& row : table.rows) sum += row.entrances[k].visitors;
    return sum;
}

std::string entrancesSection(const Dashboard& d) {
    HtmlTable table;
    table.caption = "Wejścia: ostatni odczyt i dzisiejsza liczba";
    table.header = {"wejście",       "ostatni odczyt", "licznik",
                    "dziś do teraz", "tydzień temu",   "uwagi (7 dni)"};
    const StatTable& t = d.todayHours;
    for (std::size_t k = 0; k < t.entrances.size(); ++k)
        table.rows.push_back({t.entrances[k], latestText(d.latest[k], d.today),
                              stateText(d.latest[k]), std::to_string(totalOf(t, k)),
                              std::to_string(totalOf(d.weekAgoHours, k)),
                              std::to_string(d.findings[k].count)});
    return "<section id=\"wejscia\">\n<h2>Wejścia</h2>\n" + htmlTable(table) + "</section>\n";
}

std::string sectionOf(const Dashboard& d, std::size_t column, const std::string& id,
                      const std::string& heading, bool charts) {
    std::string html = "<section id=\"" + id + "\">\n<h2>" + htmlText(heading) + "</h2>\n";
    html += todaySection(d, column);
    if (charts) html += chartFigure(d.todayHours, id + "-dzis-");
    html += weekSection(d, column);
    if (charts) html += chartFigure(lastDays(d.days, 14), id + "-dni-");
    html += weeksSection(d, column) + weekdaySection(d, column);
    return html + "</section>\n";
}

std::string kindsText(const EntranceFindings& found) {
    std::string text;
    for (std::size_t kind = 0; kind < findingKindCount; ++kind)
        if (found.ofKind[kind] > 0)
            text += (text.empty() ? "" : ", ") +
                    std::string(findingKindName(static_cast<FindingKind>(kind))) + " " +
                    std::to_string(found.ofKind[kind]);
    return text.empty() ? "bez uwag" : text;
}

std::string completenessSection(const Dashboard& d) {
    const StatTable& t = d.todayHours;
    std::string html = "<section id=\"kompletnosc\">\n<h2>Kompletność raportów</h2>\n";
    html += htmlLines(checkSummaryText(d.check), d.check.findings == 0 ? "ok" : "bad");
    HtmlTable table;
    table.caption = "Uwagi sprawdzenia, dni " + dashedDate(d.checkFrom) + " - " +
                    dashedDate(d.today) + " (do teraz)";
    table.header = {"wejście", "uwagi", "rodzaje"};
    for (std::size_t k = 0; k < t.entrances.size(); ++k)
        table.rows.push_back(
            {t.entrances[k], std::to_string(d.findings[k].count), kindsText(d.findings[k])});
    html += htmlTable(table);
    for (std::size_t k = 0; k < t.entrances.size(); ++k) {
        const EntranceFindings& found = d.findings[k];
        if (found.shown.empty()) continue;
        HtmlTable list;
        list.caption = "Wejście " + t.entrances[k] +
                       (found.count > static_cast<long long>(found.shown.size())
                            ? ": pierwsze " + std::to_string(found.shown.size()) + " z " +
                                  std::to_string(found.count) + " uwag"
                            : "");
        list.header = {"dzień", "rodzaj", "wiersz", "szczegóły"};
        for (const Finding& f : found.shown)
            list.rows.push_back({f.date, findingKindName(f.kind),
                                 f.line > 0 ? std::to_string(f.line) : "", f.detail});
        html += htmlTable(list);
    }
    StatTable range;
    range.from = d.checkFrom;
    range.to = d.today;
    range.named = d.named;
    html += htmlParagraph("Szczegóły: " + checkCommand(range));
    return html + "</section>\n";
}

}  // namespace

std::string dashboardStamp(std::time_t now) {
    return "<p>Stan na <time datetime=\"" + htmlText(pageTime(now)) + "\">" +
           htmlText(pageTime(now)) + "</time>, " +
           htmlText(weekdayLong[isoWeekday(localDayOf(now))]) +
           ". Strona odświeżana co 15 minut.</p>\n";
}

std::string dashboardPage(const Dashboard& d, const std::string& shop) {
    const StatTable& t = d.todayHours;
    const std::string title = visitorsTitle(t.entrances, 4);
    std::string html = htmlPageStart(shop.empty() ? title : "Sklep " + shop + ": " + title);
    html += dashboardStamp(d.now);
    if (!shop.empty()) html += "<p><a href=\"index.html\">Wszystkie sklepy</a></p>\n";
    html += entrancesSection(d);
    html += sectionOf(d, allEntrances, "razem", "Wszystkie wejścia razem", true);
    for (std::size_t k = 0; k < t.entrances.size(); ++k)
        html +=
            sectionOf(d, k, "wejscie-" + std::to_string(k + 1), "Wejście " + t.entrances[k], false);
    html += completenessSection(d);
    releaseChartFonts();
    return html + htmlPageEnd("Zapisano " + pageTime(d.now) + " przez pcstat --dashboard.");
}

std::vector<DashboardFile> dashboardFiles(const Dashboard& dashboard) {
    return {{"index.html", dashboardPage(dashboard)}};
}
