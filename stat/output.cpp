// Writing the statistics: csv, JSON Lines, the table with its bars, and
// the HTML page.
#include "output.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <ctime>

#include "cells.h"
#include "compare_output.h"
#include "html_report.h"
#include "labels.h"
#include "notes.h"
#include "person_table.h"
#include "pcutil.h"
#include "polish.h"
#include "quoting.h"

namespace {

constexpr int barWidth = 40;            // the longest bar, in characters
constexpr std::size_t numberWidth = 6;  // as the viewer prints its numbers
constexpr const char* barBlock = "\u2588";

void put(std::FILE* out, const std::string& text) { std::fwrite(text.data(), 1, text.size(), out); }

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

std::string csvCoverage(const Coverage& l, char sep) {
    const PeriodCounts& c = l.counts;
    std::string text = l.scheduled ? fmt(",%lld,%lld,%lld,%lld,%lld", c.days, c.openDays,
                                         c.expected, c.missing, c.carried)
                                   : fmt(",%lld,,,,%lld", c.days, c.carried);
    if (sep != ',') std::replace(text.begin(), text.end(), ',', sep);
    return text;
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

}  // namespace

void writeCsv(const StatTable& table, std::FILE* out, const TableExtras& extras) {
    char sep = extras.csvSep;
    std::string s(1, sep);
    std::string text =
        "period,entrance,visitors,records,unanswered,faults,days,open_days,expected,missing,"
        "carried";
    if (sep != ',') std::replace(text.begin(), text.end(), ',', sep);
    text += extraCsvHeader(extras) + "\n";
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const PeriodRow& row = table.rows[r];
        for (std::size_t k = 0; k < row.entrances.size(); ++k) {
            const PeriodCounts& c = row.entrances[k];
            text += csvField(periodKey(table.by, row), sep) + s +
                    csvField(table.entrances[k], sep) +
                    fmt("%c%lld%c%lld%c%lld%c%lld", sep, c.visitors, sep, c.records, sep,
                        c.unanswered, sep, c.faults) +
                    csvCoverage({c, table.isScheduled(k)}, sep) +
                    extraCsvFields(extras, table, r, k) + "\n";
        }
    }
    put(out, text);
}

void writeJson(const StatTable& table, std::FILE* out, const TableExtras& extras) {
    std::string text;
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const PeriodRow& row = table.rows[r];
        for (std::size_t k = 0; k < row.entrances.size(); ++k) {
            const PeriodCounts& c = row.entrances[k];
            text += "{\"period\":" + jsonString(periodKey(table.by, row)) +
                    ",\"entrance\":" + jsonString(table.entrances[k]) +
                    fmt(",\"visitors\":%lld,\"records\":%lld,\"unanswered\":%lld,\"faults\":%lld",
                        c.visitors, c.records, c.unanswered, c.faults) +
                    jsonCoverage({c, table.isScheduled(k)}) + extraJsonFields(extras, table, r, k) +
                    "}\n";
        }
    }
    put(out, text);
}

void writeTable(const StatTable& table, std::FILE* out, const TableExtras& extras) {
    const PersonTable person = personTable(table);
    const std::size_t entrances = person.entrances.size();
    long long highest = 0;
    for (long long sum : person.sums) highest = std::max(highest, sum);
    std::size_t labelWidth = std::max(columns(person.firstHeader), columns(person.lastLabel));
    for (const std::string& label : person.labels)
        labelWidth = std::max(labelWidth, columns(label));
    std::vector<std::size_t> widths;
    for (std::size_t k = 0; k < entrances; ++k) {
        std::size_t width = std::max(
            {numberWidth, columns(person.entrances[k]), std::to_string(person.totals[k]).size()});
        // A word in a cell keeps a blank after the separator.
        for (const std::vector<std::string>& row : person.cells)
            width = std::max(width, columns(row[k]) + 1);
        widths.push_back(width);
    }
    std::size_t sumWidth = std::max(numberWidth, std::to_string(person.total).size());

    std::string text;
    for (const std::string& line : person.title) text += line + "\n";
    text += "\n" + padRight(person.firstHeader, labelWidth) + ";";
    for (std::size_t k = 0; k < entrances; ++k)
        text += padLeft(person.entrances[k], widths[k]) + ";";
    if (person.sumColumn) text += padLeft("razem", sumWidth) + ";";
    // The columns of comparisons and sales, as wide as their widest cell.
    std::vector<std::string> extraHeads = extraTableHeader(extras);
    std::vector<std::size_t> extraWidths;
    for (const std::string& head : extraHeads)
        extraWidths.push_back(std::max(numberWidth, columns(head)));
    auto widen = [&](const std::vector<std::string>& extra) {
        for (std::size_t i = 0; i < extra.size(); ++i)
            extraWidths[i] = std::max(extraWidths[i], columns(extra[i]));
    };
    for (std::size_t r = 0; r < table.rows.size(); ++r) widen(extraTableCells(extras, table, r));
    widen(extraTableTotals(extras, table));
    auto extraCells = [&](const std::vector<std::string>& extra) {
        std::string cells;
        for (std::size_t i = 0; i < extra.size(); ++i)
            cells += padLeft(extra[i], extraWidths[i]) + ";";
        return cells;
    };
    text += extraCells(extraHeads) + "\n";
    auto line = [&](const std::vector<std::string>& values, long long sum) {
        std::string cells;
        for (std::size_t k = 0; k < entrances; ++k) cells += padLeft(values[k], widths[k]) + ";";
        if (person.sumColumn) cells += padLeft(std::to_string(sum), sumWidth) + ";";
        return cells;
    };
    for (std::size_t r = 0; r < person.labels.size(); ++r) {
        std::string graph = bar(person.sums[r], highest);
        text += padRight(person.labels[r], labelWidth) + ";" +
                line(person.cells[r], person.sums[r]) +
                extraCells(extraTableCells(extras, table, r)) + (graph.empty() ? "" : " " + graph) +
                "\n";
    }
    if (person.labels.empty()) text += "(brak rekordów)\n";
    std::vector<std::string> totalCells;
    for (long long value : person.totals) totalCells.push_back(std::to_string(value));
    text += padRight(person.lastLabel, labelWidth) + ";" + line(totalCells, person.total) +
            extraCells(extraTableTotals(extras, table)) + "\n";
    text += summaryLines(extras, table);
    text += incompleteNotes(table);
    text += extraNotes(extras, table);
    put(out, text);
}

void writeStatTable(const StatTable& table, OutputFormat format, std::FILE* out,
                    const TableExtras& extras) {
    switch (format) {
        case OutputFormat::csv: writeCsv(table, out, extras); break;
        case OutputFormat::json: writeJson(table, out, extras); break;
        case OutputFormat::table: writeTable(table, out, extras); break;
        case OutputFormat::html: put(out, htmlReport(table, std::time(nullptr), extras)); break;
    }
}
