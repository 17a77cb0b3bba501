// The statistics as an HTML page.
#include "html_report.h"

#include "chart_input.h"
#include "compare_output.h"
#include "html.h"
#include "notes.h"
#include "person_table.h"

namespace {

constexpr int reportChartWidth = 1200;
constexpr int reportChartHeight = 520;

void appendAll(std::vector<std::string>& cells, const std::vector<std::string>& more) {
    cells.insert(cells.end(), more.begin(), more.end());
}

std::string chartFigure(const StatTable& table, const Comparison* comparison) {
    std::string svg, error;
    const ChartInput input =
        comparison != nullptr ? comparedChartInput(table, *comparison) : chartInputFromTable(table);
    if (table.rows.empty() || !drawChartSvg(input, reportChartWidth, reportChartHeight, svg, error))
        return "";
    releaseChartFonts();
    return "<figure>" + inlineSvg(svg, "wykres-") + "</figure>\n";
}

}  // namespace

std::string pageTime(std::time_t now) {
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

std::string htmlStatTable(const StatTable& table, const TableExtras& extras) {
    const PersonTable person = personTable(table);
    HtmlTable html;
    for (const std::string& line : person.title)
        html.caption += (html.caption.empty() ? "" : "; ") + line;
    html.header.push_back(person.firstHeader);
    html.header.insert(html.header.end(), person.entrances.begin(), person.entrances.end());
    if (person.sumColumn) html.header.push_back("razem");
    appendAll(html.header, extraTableHeader(extras));
    for (std::size_t r = 0; r < person.labels.size(); ++r) {
        std::vector<std::string> row{person.labels[r]};
        row.insert(row.end(), person.cells[r].begin(), person.cells[r].end());
        if (person.sumColumn) row.push_back(std::to_string(person.sums[r]));
        appendAll(row, extraTableCells(extras, table, r));
        html.rows.push_back(std::move(row));
    }
    html.foot.push_back(person.lastLabel);
    for (long long value : person.totals) html.foot.push_back(std::to_string(value));
    if (person.sumColumn) html.foot.push_back(std::to_string(person.total));
    appendAll(html.foot, extraTableTotals(extras, table));
    html.emptyText = "brak rekordów";
    return htmlTable(html);
}

std::string htmlReport(const StatTable& table, std::time_t now, const TableExtras& extras) {
    const PersonTable person = personTable(table);
    std::string html = htmlPageStart(person.title.empty() ? "pcstat" : person.title[0]);
    for (std::size_t i = 1; i < person.title.size(); ++i) html += htmlParagraph(person.title[i]);
    html += htmlStatTable(table, extras) + htmlLines(summaryLines(extras, table)) +
            htmlLines(incompleteNotes(table) + extraNotes(extras, table), "note") +
            chartFigure(table, extras.comparison);
    return html + htmlPageEnd("Zapisano " + pageTime(now) + " przez pcstat.");
}
