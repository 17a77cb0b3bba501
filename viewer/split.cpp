// Splitting a report line into a record, with the shared reader of record
// lines: fields end at a semicolon, a line feed or a byte 0xFF; the fifth
// field, the checksum, is stepped over and not checked.
#include "record.h"
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
