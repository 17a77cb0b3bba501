// Helpers of the viewer's tests and fuzz targets that the viewer itself does
// not need: a report line split into an owned record, a table row formed
// from one, and decimal numbers read into a long or an int by the rule of
// the operator's answers.
#pragma once

#include <cstddef>
#include <string>

#include "record.h"

// One line of a report file, as written by the poller.
struct Record {
    std::string time;  // HH:MM or HH:MM.SS
    long total = 0;    // counter total
    int faults = 0;    // photocell fault count (kept, not shown)
    int noAnswer = 0;  // 1 when the counter did not answer (kept, not shown)
};

// The limits of a whole record line (common/record.h).
constexpr int reportLineCapacity = static_cast<int>(recordLineCapacity);  // 99 characters a line
constexpr std::size_t maxTimeLength = maxRecordTime;

// Splits a complete report line (its line feed included) into record.
// Returns false, leaving record untouched, for a line that is not a
// record: fewer than five terminated fields, a time text over 15
// characters, or a numeric field that is over 19 characters or is not a
// decimal number of its type.
bool splitRecord(const std::string& line, Record& record);

// One table row: time, increase over the previous shown record, total.
std::string tableRow(const Record& record, const std::string& increase);

// parseDecimal, and false as well when the number does not fit the type.
bool parseLong(const std::string& text, long& value);
bool parseInt(const std::string& text, int& value);
