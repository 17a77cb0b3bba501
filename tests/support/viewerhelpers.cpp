// The record split, table row and number readers of the viewer's tests and
// fuzz targets, on the shared reader of record lines and the viewer's
// reading of decimal numbers.
#include "viewerhelpers.h"

#include <climits>

#include "pcutil.h"
#include "viewer.h"

bool splitRecord(const std::string& line, Record& record) {
    RecordView read;
    if (!readRecord(line, read)) return false;
    record.time.assign(read.time);
    record.total = read.total;
    record.faults = read.faults;
    record.noAnswer = read.noAnswer;
    return true;
}

std::string tableRow(const Record& record, const std::string& increase) {
    return record.time + ";" + increase + ";" + fmt("%6ld", record.total) + ";\n";
}

bool parseLong(const std::string& text, long& value) {
    long long parsed = 0;
    if (!parseDecimal(text, parsed) || parsed < LONG_MIN || parsed > LONG_MAX) return false;
    value = static_cast<long>(parsed);
    return true;
}

bool parseInt(const std::string& text, int& value) {
    long long parsed = 0;
    if (!parseDecimal(text, parsed) || parsed < INT_MIN || parsed > INT_MAX) return false;
    value = static_cast<int>(parsed);
    return true;
}
