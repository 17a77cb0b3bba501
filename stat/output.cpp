// Writing the statistics: csv, JSON Lines and the table with its bars.
#include "output.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "labels.h"
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

std::string periodLabel(const StatTable& table, const PeriodRow& row) {
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

void writeCsv(const StatTable& table, std::FILE* out) {
    std::string text = "period,entrance,visitors,records,unanswered,faults\n";
    for (const PeriodRow& row : table.rows)
        for (std::size_t k = 0; k < row.entrances.size(); ++k) {
            const PeriodCounts& c = row.entrances[k];
            text += csvField(periodKey(table.by, row)) + "," + csvField(table.entrances[k]) +
                    fmt(",%lld,%lld,%lld,%lld\n", c.visitors, c.records, c.unanswered, c.faults);
        }
    put(out, text);
}

void writeJson(const StatTable& table, std::FILE* out) {
    std::string text;
    for (const PeriodRow& row : table.rows)
        for (std::size_t k = 0; k < row.entrances.size(); ++k)
            text += "{\"period\":" + jsonString(periodKey(table.by, row)) +
                    ",\"entrance\":" + jsonString(table.entrances[k]) + "," +
                    jsonNumberFields(row.entrances[k]) + "}\n";
    put(out, text);
}

void writeTable(const StatTable& table, std::FILE* out) {
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
        labels.push_back(periodLabel(table, table.rows[r]));
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
                (graph.empty() ? "" : " " + graph) + "\n";
    }
    if (table.rows.empty()) text += "(brak rekordów)\n";
    text += padRight("razem", labelWidth) + ";" + numbers(totals, total) + "\n";
    text += incompleteNote(table);
    put(out, text);
}

void writeStatTable(const StatTable& table, OutputFormat format, std::FILE* out) {
    switch (format) {
        case OutputFormat::csv: writeCsv(table, out); break;
        case OutputFormat::json: writeJson(table, out); break;
        case OutputFormat::table: writeTable(table, out); break;
    }
}
