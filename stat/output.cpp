// Writing the statistics and the findings.
#include "output.h"

#include <algorithm>
#include <cmath>

#include "calendar.h"
#include "cells.h"
#include "compare_output.h"
#include "pcutil.h"
#include "polish.h"

namespace {

constexpr int barWidth = 40;            // the longest bar, in characters
constexpr std::size_t numberWidth = 6;  // as the viewer prints its numbers
constexpr const char* barBlock = "\u2588";

void put(std::FILE* out, const std::string& text) { std::fwrite(text.data(), 1, text.size(), out); }

// ---- labels of the table

const char* const weekdayShort[daysPerWeek] = {"pn", "wt", "śr", "cz", "pt", "sb", "nd"};
const char* const weekdayLong[daysPerWeek] = {"poniedziałek", "wtorek", "środa",    "czwartek",
                                              "piątek",       "sobota", "niedziela"};

Day dayOfText(const std::string& date) {
    Day day{};
    parseDate(date.substr(0, 10), Day{}, day);
    return day;
}

std::string periodLabel(const StatTable& table, std::size_t row) {
    const std::string& period = table.rows[row].period;
    if (table.by == "hour") {
        int hour = std::atoi(period.c_str() + 11);
        std::string hours = fmt("%02d:00-%02d:00", hour, hour + 1);
        return table.fromDate == table.toDate ? hours : period.substr(0, 10) + " " + hours;
    }
    if (table.by == "day") return period + " " + weekdayShort[isoWeekday(dayOfText(period))];
    if (table.by == "weekday") return weekdayLong[row];
    return period;
}

const char* periodHeader(const StatTable& table) {
    if (table.by == "hour") return table.fromDate == table.toDate ? "godzina" : "dzień, godzina";
    if (table.by == "day") return "dzień";
    if (table.by == "week") return "tydzień";
    if (table.by == "month") return "miesiąc";
    return "dzień tygodnia";
}

const char* rowText(const std::string& by) {
    if (by == "hour") return "godzinę";
    if (by == "day") return "dzień";
    if (by == "week") return "tydzień (ISO)";
    if (by == "month") return "miesiąc";
    return "dzień tygodnia";
}

std::string title(const StatTable& table) {
    std::string text =
        table.entrances.size() == 1 ? "Odwiedzający, wejście: " : "Odwiedzający, wejścia: ";
    for (std::size_t k = 0; k < table.entrances.size(); ++k)
        text += (k > 0 ? ", " : "") + table.entrances[k];
    text += "\n";
    if (table.fromDate == table.toDate) {
        text +=
            "Dzień " + table.fromDate + ", " + weekdayLong[isoWeekday(dayOfText(table.fromDate))];
    } else {
        long days = (dayOfText(table.toDate) - dayOfText(table.fromDate)).count() + 1;
        text += "Dni " + table.fromDate + " - " + table.toDate + " (" +
                polishCount(days, "dzień", "dni", "dni") + ")";
    }
    return text + ", wiersz na " + rowText(table.by) + "\n";
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

// The note under the table when some numbers may be incomplete.
std::string incompleteNote(const StatTable& table) {
    long long unanswered = 0, faults = 0, unusable = 0;
    for (const PeriodRow& row : table.rows)
        for (const PeriodCounts& counts : row.entrances) {
            unanswered += counts.unanswered;
            faults += counts.faults;
        }
    for (long long lines : table.unusableLines) unusable += lines;
    std::vector<std::string> parts;
    if (unanswered > 0)
        parts.push_back(polishCount(unanswered, "odczyt", "odczyty", "odczytów") +
                        " bez odpowiedzi licznika");
    if (faults > 0)
        parts.push_back(polishCount(faults, "odczyt", "odczyty", "odczytów") +
                        " z usterką fotokomórki");
    if (unusable > 0)
        parts.push_back(polishCount(unusable, "wiersz", "wiersze", "wierszy") +
                        " raportu nie do użycia");
    if (parts.empty()) return "";
    std::string text = "\nUwaga: ";
    for (std::size_t i = 0; i < parts.size(); ++i) text += (i > 0 ? ", " : "") + parts[i];
    return text + "; liczby mogą być niepełne. Szczegóły: pcstat --check\n";
}

std::string jsonNumberFields(const PeriodCounts& counts) {
    return fmt("\"visitors\":%lld,\"records\":%lld,\"unanswered\":%lld,\"faults\":%lld",
               counts.visitors, counts.records, counts.unanswered, counts.faults);
}

}  // namespace

std::string csvField(const std::string& text, char sep) {
    if (text.find_first_of(std::string(1, sep) + "\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string jsonString(const std::string& text) {
    std::string quoted = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
        } else if (c < 0x20) {
            quoted += fmt("\\u%04x", c);
        } else {
            quoted += static_cast<char>(c);
        }
    }
    return quoted + "\"";
}

void writeCsv(const StatTable& table, std::FILE* out, const TableExtras& extras) {
    char sep = extras.csvSep;
    std::string s(1, sep);
    std::string text = "period,entrance,visitors,records,unanswered,faults";
    if (sep != ',') std::replace(text.begin(), text.end(), ',', sep);
    text += extraCsvHeader(extras) + "\n";
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const PeriodRow& row = table.rows[r];
        for (std::size_t k = 0; k < row.entrances.size(); ++k) {
            const PeriodCounts& c = row.entrances[k];
            text += csvField(row.period, sep) + s + csvField(table.entrances[k], sep) +
                    fmt("%c%lld%c%lld%c%lld%c%lld", sep, c.visitors, sep, c.records, sep,
                        c.unanswered, sep, c.faults) +
                    extraCsvFields(extras, table, r, k) + "\n";
        }
    }
    put(out, text);
}

void writeJson(const StatTable& table, std::FILE* out, const TableExtras& extras) {
    std::string text;
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const PeriodRow& row = table.rows[r];
        for (std::size_t k = 0; k < row.entrances.size(); ++k)
            text += "{\"period\":" + jsonString(row.period) +
                    ",\"entrance\":" + jsonString(table.entrances[k]) + "," +
                    jsonNumberFields(row.entrances[k]) + extraJsonFields(extras, table, r, k) +
                    "}\n";
    }
    put(out, text);
}

void writeTable(const StatTable& table, std::FILE* out, const TableExtras& extras) {
    std::size_t entrances = table.entrances.size();
    bool sumColumn = entrances > 1;
    // Row sums, column totals and the widths of the columns.
    std::vector<long long> sums(table.rows.size(), 0), totals(entrances, 0);
    long long total = 0, highest = 0;
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        for (std::size_t k = 0; k < entrances; ++k) {
            sums[r] += table.rows[r].entrances[k].visitors;
            totals[k] += table.rows[r].entrances[k].visitors;
        }
        total += sums[r];
        highest = std::max(highest, sums[r]);
    }
    std::string firstHeader = periodHeader(table);
    std::size_t labelWidth = columns(firstHeader);
    labelWidth = std::max(labelWidth, columns(std::string("razem")));
    std::vector<std::string> labels;
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        labels.push_back(periodLabel(table, r));
        labelWidth = std::max(labelWidth, columns(labels.back()));
    }
    std::vector<std::size_t> widths;
    for (std::size_t k = 0; k < entrances; ++k)
        widths.push_back(
            std::max({numberWidth, columns(table.entrances[k]), std::to_string(totals[k]).size()}));
    std::size_t sumWidth = std::max(numberWidth, std::to_string(total).size());

    std::string text = title(table) + "\n" + padRight(firstHeader, labelWidth) + ";";
    for (std::size_t k = 0; k < entrances; ++k)
        text += padLeft(table.entrances[k], widths[k]) + ";";
    if (sumColumn) text += padLeft("razem", sumWidth) + ";";
    // The columns of comparisons and sales, as wide as their widest cell.
    std::vector<std::string> extraHeads = extraTableHeader(extras);
    std::vector<std::size_t> extraWidths;
    for (const std::string& head : extraHeads)
        extraWidths.push_back(std::max(numberWidth, columns(head)));
    auto widen = [&](const std::vector<std::string>& cells) {
        for (std::size_t i = 0; i < cells.size(); ++i)
            extraWidths[i] = std::max(extraWidths[i], columns(cells[i]));
    };
    for (std::size_t r = 0; r < table.rows.size(); ++r) widen(extraTableCells(extras, table, r));
    widen(extraTableTotals(extras, table));
    auto extraCells = [&](const std::vector<std::string>& cells) {
        std::string line;
        for (std::size_t i = 0; i < cells.size(); ++i)
            line += padLeft(cells[i], extraWidths[i]) + ";";
        return line;
    };
    text += extraCells(extraHeads);
    text += "\n";
    auto numbers = [&](const std::vector<long long>& values, long long sum) {
        std::string cells;
        for (std::size_t k = 0; k < entrances; ++k)
            cells += padLeft(std::to_string(values[k]), widths[k]) + ";";
        if (sumColumn) cells += padLeft(std::to_string(sum), sumWidth) + ";";
        return cells;
    };
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        std::vector<long long> values;
        for (const PeriodCounts& counts : table.rows[r].entrances)
            values.push_back(counts.visitors);
        std::string graph = bar(sums[r], highest);
        text += padRight(labels[r], labelWidth) + ";" + numbers(values, sums[r]) +
                extraCells(extraTableCells(extras, table, r)) + (graph.empty() ? "" : " " + graph) +
                "\n";
    }
    if (table.rows.empty()) text += "(brak rekordów)\n";
    text += padRight("razem", labelWidth) + ";" + numbers(totals, total) +
            extraCells(extraTableTotals(extras, table)) + "\n";
    text += summaryLines(extras, table);
    text += incompleteNote(table);
    text += extraNotes(extras, table);
    put(out, text);
}

FindingWriter::FindingWriter(const std::string& format, std::FILE* out)
    : format_(format), out_(out) {
    if (format_ == "csv") put(out_, "entrance,date,kind,line,detail\n");
}

void FindingWriter::write(const Finding& f) {
    std::string line = f.line > 0 ? std::to_string(f.line) : "";
    if (format_ == "csv") {
        put(out_, csvField(f.entrance) + "," + f.date + "," + f.kind + "," + line + "," +
                      csvField(f.detail) + "\n");
    } else if (format_ == "json") {
        put(out_, "{\"entrance\":" + jsonString(f.entrance) + ",\"date\":\"" + f.date +
                      "\",\"kind\":\"" + f.kind + "\",\"line\":" + (line.empty() ? "null" : line) +
                      ",\"detail\":" + jsonString(f.detail) + "}\n");
    } else {
        put(out_, f.entrance + " " + f.date + " " + f.kind + " " +
                      (line.empty() ? "" : "wiersz " + line + ": ") + f.detail + "\n");
    }
}

void FindingWriter::finish(const CheckSummary& summary) {
    if (format_ != "table") return;
    std::string text =
        "Sprawdzono " +
        polishCount(static_cast<long long>(summary.entrances), "wejście", "wejścia", "wejść") +
        ", " + polishCount(summary.days, "dzień", "dni", "dni") + ": " +
        (summary.findings == 0 ? std::string("bez uwag")
                               : polishCount(summary.findings, "uwaga", "uwagi", "uwag")) +
        ".";
    if (summary.unscheduled.size() < summary.entrances)
        text += " Oczekiwane rekordy według obecnej konfiguracji pollerów.";
    text += "\n";
    if (!summary.unscheduled.empty()) {
        text += "Bez konfiguracji pollera nie wiadomo, kiedy są rekordy; braków nie sprawdzono: ";
        for (std::size_t i = 0; i < summary.unscheduled.size(); ++i)
            text += (i > 0 ? ", " : "") + summary.unscheduled[i];
        text += ".\n";
    }
    put(out_, text);
}
