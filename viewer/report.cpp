// Showing one day's report: the title, the header and a row per record
// with the increase over the previous row.
#include <climits>

#include "pcutil.h"
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

// Reads the rest of a line that did not fit in one piece.
void skipRestOfLine(std::FILE* report, std::string& piece) {
    while (fgetline(report, piece, reportLineCapacity) > 0 && piece.back() != '\n') {
    }
}

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
    std::string line;
    Record record;
    long previous = 0;
    long rows = 0;
    while (fgetline(report, line, reportLineCapacity) > 0) {
        if (line.back() != '\n') {
            // Too long for one piece, or cut short by the end of the file:
            // not a record either way.
            skipRestOfLine(report, line);
            continue;
        }
        if (!splitRecord(line, record)) continue;
        if (rows == 0) previous = record.total;  // the first row shows no increase
        putText(out, tableRow(record, increaseText(record.total, previous)));
        previous = record.total;
        ++rows;
    }
    return rows;
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
