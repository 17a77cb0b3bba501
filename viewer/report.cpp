// Showing one day's report: the title, the header and a row per record
// with the increase over the previous row.
#include <charconv>
#include <climits>
#include <string_view>

#include "pcutil.h"
#include "record.h"
#include "viewer.h"

namespace {

constexpr int scrollLineFeeds = 100;  // push the previous screen away
constexpr int closingLineFeeds = 5;

void putLineFeeds(std::FILE* out, int count) { putText(out, std::string(count, '\n')); }

void printTitle(std::FILE* out, const std::string& date, const std::string& entry) {
    putText(out, "Data " + date + ". Raport dla wejścia:\n" + entry + "\n");
}

void printHeader(std::FILE* out) { putText(out, "\n godz;wzrost;  stan;\n"); }

bool subtractionOverflows(long total, long previous) {
    if (previous < 0) return total > LONG_MAX + previous;
    return total < LONG_MIN + previous;
}

// Appends value as "%6ld" prints it: right-aligned in six places, or
// wider when it needs more.
void appendNumber(std::string& out, long value) {
    constexpr int width = 6;
    char digits[24];
    auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    (void)error;  // a long always fits
    int length = static_cast<int>(end - digits);
    if (length < width) out.append(static_cast<std::size_t>(width - length), ' ');
    out.append(digits, end);
}

// Rows are collected in a buffer and written in large pieces.
constexpr std::size_t rowBufferSize = 1 << 16;

}  // namespace

void putText(std::FILE* out, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), out);
}

std::string reportPath(const std::string& reportDir, const std::string& entry,
                       const std::string& date) {
    return reportDir + entry + "_" + date + ".csv";
}

std::string increaseText(long total, long previous) {
    if (!subtractionOverflows(total, previous)) return fmt("%6ld", total - previous);
    // The difference needs more than a long; its magnitude fits unsigned.
    unsigned long high = static_cast<unsigned long>(total > previous ? total : previous);
    unsigned long low = static_cast<unsigned long>(total > previous ? previous : total);
    return fmt("%s%lu", total > previous ? "" : "-", high - low);
}

std::string tableRow(const Record& record, const std::string& increase) {
    return record.time + ";" + increase + ";" + fmt("%6ld", record.total) + ";\n";
}

long printRows(std::FILE* report, std::FILE* out) {
    ReportReader reader;
    reader.start(report);
    std::string rows;
    rows.reserve(rowBufferSize + 2 * recordLineCapacity);
    std::string_view line;
    LineKind kind;
    RecordView record;
    long previous = 0;
    long count = 0;
    while (reader.next(line, kind)) {
        // A line too long for one piece, or cut short by the end of the
        // file, is not a record either way.
        if (kind != LineKind::complete || !readRecord(line, record)) continue;
        if (count == 0) previous = record.total;  // the first row shows no increase
        rows.append(record.time);
        rows += ';';
        if (subtractionOverflows(record.total, previous))
            rows += increaseText(record.total, previous);
        else
            appendNumber(rows, record.total - previous);
        rows += ';';
        appendNumber(rows, record.total);
        rows += ";\n";
        previous = record.total;
        ++count;
        if (rows.size() >= rowBufferSize) {
            putText(out, rows);
            rows.clear();
        }
    }
    putText(out, rows);
    return count;
}

void errorBanner(std::FILE* out) {
    putText(out, "\nWystapily bledy w programi. Komunikaty powyzej\n\n");
}

void reportMissing(std::FILE* out, const std::string& path) {
    putText(out, "nie znaleziono pliku " + path + "\n");
    errorBanner(out);
}

void showReport(std::FILE* out, const std::string& reportDir, const std::string& entry,
                const std::string& date) {
    std::string path = reportPath(reportDir, entry, date);
    std::FILE* report = std::fopen(path.c_str(), "r");
    if (report == nullptr) {
        reportMissing(out, path);
        return;
    }
    putLineFeeds(out, scrollLineFeeds);
    printTitle(out, date, entry);
    printHeader(out);
    printRows(report, out);
    std::fclose(report);
    putLineFeeds(out, closingLineFeeds);
}
