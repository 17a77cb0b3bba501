// Writing the statistics: csv, JSON Lines and the table with its bars.
#include "output.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "labels.h"
#include "notes.h"
#include "pcutil.h"
#include "polish.h"
#include "quoting.h"

namespace {

constexpr int barWidth = 40;            // the longest bar, in characters
constexpr std::size_t numberWidth = 6;  // as the viewer prints its numbers
constexpr const char* barBlock = "\u2588";

void put(std::FILE* out, const std::string& text) { std::fwrite(text.data(), 1, text.size(), out); }

// Width on a terminal of a UTF-8 text: one column per character.
std::size_t columns(const std::string& text) {
    std::size_t count = 0;
    for (unsigned char c : text) count += (c & 0xC0) != 0x80;
    return count;
}

std::string padLeft(const std::string& text, std::size_t width) {
    std::size_t used = columns(text);
    return used >= width ? text : std::string(width - used, ' ') + text;
}

std::string padRight(const std::string& text, std::size_t width) {
    std::size_t used = columns(text);
    return used >= width ? text : text + std::string(width - used, ' ');
}

// ---- labels of the table

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

std::string title(const StatTable& table) {
    std::string range = rangeText(table.from, table.to);
    range[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(range[0])));
    return visitorsTitle(table.entrances, table.entrances.size()) + "\n" + range + ", wiersz na " +
           periodWord(table.by) + "\n";
}

std::string bar(long long value, long long highest) {
    if (value <= 0 || highest <= 0) return "";
    long long width =
        std::llround(static_cast<double>(value) * barWidth / static_cast<double>(highest));
    if (width < 1) width = 1;
    std::string text;
    for (long long i = 0; i < width; ++i) text += barBlock;
    return text;
}

// What the counts know of their days and moments, written empty (csv) or
// null (JSON) where a schedule is needed and the entrance has none.
struct Coverage {
    const PeriodCounts& counts;
    bool scheduled;
};

std::string csvCoverage(const Coverage& l) {
    const PeriodCounts& c = l.counts;
    if (!l.scheduled) return fmt(",%lld,,,,%lld", c.days, c.carried);
    return fmt(",%lld,%lld,%lld,%lld,%lld", c.days, c.openDays, c.expected, c.missing, c.carried);
}

std::string jsonCoverage(const Coverage& l) {
    const PeriodCounts& c = l.counts;
    if (!l.scheduled)
        return fmt(
            ",\"days\":%lld,\"open_days\":null,\"expected\":null,\"missing\":null,"
            "\"carried\":%lld",
            c.days, c.carried);
    return fmt(
        ",\"days\":%lld,\"open_days\":%lld,\"expected\":%lld,\"missing\":%lld,"
        "\"carried\":%lld",
        c.days, c.openDays, c.expected, c.missing, c.carried);
}

// ---- the table's cells

// The number a cell shows: the visitors, or on weekday rows their average
// per open day (per day without a schedule).
long long cellValue(const StatTable& table, const PeriodCounts& c, std::size_t k) {
    if (table.by != Period::weekday) return c.visitors;
    long long per = table.isScheduled(k) && c.openDays > 0 ? c.openDays : c.days;
    return per > 0 ? std::llround(static_cast<double>(c.visitors) / static_cast<double>(per)) : 0;
}

// The label with what is partial about the row: the days counted of a
// week or month partly inside the range, the days of a weekday, and the
// period that is still running.
std::string rowLabel(const StatTable& table, const PeriodRow& row) {
    std::string label = tableLabel(table, row);
    long long days = row.entrances.empty() ? 0 : row.entrances[0].days;
    if ((table.by == Period::week || table.by == Period::month) && days < row.periodDays)
        label += " (" + std::to_string(days) + "/" + std::to_string(row.periodDays) + " dni)";
    if (table.by == Period::weekday) label += " (" + polishCount(days, "dzień", "dni", "dni") + ")";
    if (row.soFar) label += " (do teraz)";
    return label;
}

std::string tableTitle(const StatTable& table) {
    std::string text = title(table);
    if (table.by != Period::weekday) return text;
    bool anyScheduled = false;
    for (bool scheduled : table.scheduled) anyScheduled = anyScheduled || scheduled;
    text.pop_back();
    return text + (anyScheduled ? ", średnio na dzień otwarcia\n" : ", średnio na dzień\n");
}

}  // namespace

void writeCsv(const StatTable& table, std::FILE* out) {
    std::string text =
        "period,entrance,visitors,records,unanswered,faults,days,open_days,expected,missing,"
        "carried\n";
    for (const PeriodRow& row : table.rows)
        for (std::size_t k = 0; k < row.entrances.size(); ++k) {
            const PeriodCounts& c = row.entrances[k];
            text += csvField(periodKey(table.by, row)) + "," + csvField(table.entrances[k]) +
                    fmt(",%lld,%lld,%lld,%lld", c.visitors, c.records, c.unanswered, c.faults) +
                    csvCoverage({c, table.isScheduled(k)}) + "\n";
        }
    put(out, text);
}

void writeJson(const StatTable& table, std::FILE* out) {
    std::string text;
    for (const PeriodRow& row : table.rows)
        for (std::size_t k = 0; k < row.entrances.size(); ++k) {
            const PeriodCounts& c = row.entrances[k];
            text += "{\"period\":" + jsonString(periodKey(table.by, row)) +
                    ",\"entrance\":" + jsonString(table.entrances[k]) +
                    fmt(",\"visitors\":%lld,\"records\":%lld,\"unanswered\":%lld,\"faults\":%lld",
                        c.visitors, c.records, c.unanswered, c.faults) +
                    jsonCoverage({c, table.isScheduled(k)}) + "}\n";
        }
    put(out, text);
}

void writeTable(const StatTable& table, std::FILE* out) {
    std::size_t entrances = table.entrances.size();
    bool sumColumn = entrances > 1;
    bool average = table.by == Period::weekday;
    // The cells, row sums, column totals and the widths of the columns.
    std::vector<std::vector<std::string>> cells(table.rows.size());
    std::vector<long long> sums(table.rows.size(), 0), totals(entrances, 0);
    std::vector<PeriodCounts> whole(entrances);  // over every row, for the averages
    long long total = 0, highest = 0;
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        for (std::size_t k = 0; k < entrances; ++k) {
            const PeriodCounts& c = table.rows[r].entrances[k];
            long long value = cellValue(table, c, k);
            cells[r].push_back(closedCounts(c, table.isScheduled(k)) ? "zamknięte"
                                                                     : std::to_string(value));
            sums[r] += value;
            whole[k].visitors += c.visitors;
            whole[k].days += c.days;
            whole[k].openDays += c.openDays;
        }
        highest = std::max(highest, sums[r]);
    }
    for (std::size_t k = 0; k < entrances; ++k) {
        totals[k] = cellValue(table, whole[k], k);
        total += totals[k];
    }
    std::string firstHeader = periodHeader(table);
    std::string lastLabel = average ? "średnio" : "razem";
    std::size_t labelWidth = std::max(columns(firstHeader), columns(lastLabel));
    std::vector<std::string> labels;
    for (const PeriodRow& row : table.rows) {
        labels.push_back(rowLabel(table, row));
        labelWidth = std::max(labelWidth, columns(labels.back()));
    }
    std::vector<std::size_t> widths;
    for (std::size_t k = 0; k < entrances; ++k) {
        std::size_t width =
            std::max({numberWidth, columns(table.entrances[k]), std::to_string(totals[k]).size()});
        // A word in a cell keeps a blank after the separator.
        for (const std::vector<std::string>& row : cells)
            width = std::max(width, columns(row[k]) + 1);
        widths.push_back(width);
    }
    std::size_t sumWidth = std::max(numberWidth, std::to_string(total).size());

    std::string text = tableTitle(table) + "\n" + padRight(firstHeader, labelWidth) + ";";
    for (std::size_t k = 0; k < entrances; ++k)
        text += padLeft(table.entrances[k], widths[k]) + ";";
    if (sumColumn) text += padLeft("razem", sumWidth) + ";";
    text += "\n";
    auto line = [&](const std::vector<std::string>& values, long long sum) {
        std::string cells;
        for (std::size_t k = 0; k < entrances; ++k) cells += padLeft(values[k], widths[k]) + ";";
        if (sumColumn) cells += padLeft(std::to_string(sum), sumWidth) + ";";
        return cells;
    };
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        std::string graph = bar(sums[r], highest);
        text += padRight(labels[r], labelWidth) + ";" + line(cells[r], sums[r]) +
                (graph.empty() ? "" : " " + graph) + "\n";
    }
    if (table.rows.empty()) text += "(brak rekordów)\n";
    std::vector<std::string> totalCells;
    for (long long value : totals) totalCells.push_back(std::to_string(value));
    text += padRight(lastLabel, labelWidth) + ";" + line(totalCells, total) + "\n";
    text += incompleteNotes(table);
    put(out, text);
}

void writeStatTable(const StatTable& table, OutputFormat format, std::FILE* out) {
    switch (format) {
        case OutputFormat::csv: writeCsv(table, out); break;
        case OutputFormat::json: writeJson(table, out); break;
        case OutputFormat::table: writeTable(table, out); break;
    }
}
