// Showing one day's report: the title, the header and a row per record
// with the increase over the previous row.
#include <charconv>
#include <cstring>
#include <memory>
#include <climits>
#include <string_view>

#include "escape.h"
#include "pcutil.h"
#include "pollrules.h"
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

// Writes value at out as "%6ld" prints it (right-aligned in six places,
// or wider when it needs more); returns the end.
char* putNumber(char* out, long value) {
    constexpr int width = 6;
    char digits[24];
    auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    (void)error;  // a long always fits
    int length = static_cast<int>(end - digits);
    for (int pad = length; pad < width; ++pad) *out++ = ' ';
    std::memcpy(out, digits, static_cast<std::size_t>(length));
    return out + length;
}

// Rows are collected in a buffer and written in large pieces.
constexpr std::size_t rowBufferSize = 1 << 16;
// Room for one more row: a time of at most 15 characters (60 when every
// byte of it is escaped), two numbers of at most 20 and the separators;
// an increase that does not fit a long is written on its own.
constexpr std::size_t rowRoom = 128;
constexpr std::size_t maxLongText = 20;  // the digits and sign of a long
static_assert(4 * maxRecordTime + 2 * maxLongText + 4 <= rowRoom, "a row fits its room");

}  // namespace

void putText(std::FILE* out, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), out);
}

std::string reportPath(const std::string& reportDir, const std::string& entry,
                       const std::string& date) {
    return reportFileOf(reportDir + entry, viewerReportExtension, date);
}

std::string increaseText(long total, long previous) {
    if (!subtractionOverflows(total, previous)) return fmt("%6ld", total - previous);
    // The difference needs more than a long; its magnitude fits unsigned.
    unsigned long high = static_cast<unsigned long>(total > previous ? total : previous);
    unsigned long low = static_cast<unsigned long>(total > previous ? previous : total);
    return fmt("%s%lu", total > previous ? "" : "-", high - low);
}

long printRows(std::FILE* report, std::FILE* out) {
    ReportReader reader;
    reader.start(report);
    std::unique_ptr<char[]> buffer(new char[rowBufferSize + rowRoom]);
    char* const start = buffer.get();
    char* at = start;
    auto flush = [&] {
        std::fwrite(start, 1, static_cast<std::size_t>(at - start), out);
        at = start;
    };
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
        if (needsEscaping(record.time)) {
            std::string time = escapedText(record.time);
            std::memcpy(at, time.data(), time.size());
            at += time.size();
        } else {
            std::memcpy(at, record.time.data(), record.time.size());
            at += record.time.size();
        }
        *at++ = ';';
        if (subtractionOverflows(record.total, previous)) {
            std::string wide = increaseText(record.total, previous);
            std::memcpy(at, wide.data(), wide.size());
            at += wide.size();
        } else {
            at = putNumber(at, record.total - previous);
        }
        *at++ = ';';
        at = putNumber(at, record.total);
        *at++ = ';';
        *at++ = '\n';
        previous = record.total;
        ++count;
        if (static_cast<std::size_t>(at - start) >= rowBufferSize) flush();
    }
    flush();
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
    ReportFileStatus status;
    std::FILE* report = openReportFile(path, status);
    if (report == nullptr) {  // whatever the reason, as a file that is not there
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
