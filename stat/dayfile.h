// Reading one day's report file for pcstat: each line classified (record,
// not a whole record, checksum that does not match, numbers out of range),
// record times read,
// and the records at the head of the file that belong to the day before.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "record.h"

enum class LineClass {
    record,     // a whole record with a matching checksum and a time
    malformed,  // not a whole record
    checksum,   // a whole record whose checksum does not match
    range,      // a record with a number the poller never writes (numbersInRange)
};

// Why a line is not a whole record.
enum class MalformedReason { fields, overlong, unterminated, time };

struct DayLine {
    LineClass kind = LineClass::record;
    MalformedReason reason = MalformedReason::fields;
    long number = 0;           // line number in the file, from 1
    RecordView record;         // for records, checksum and range lines
    int second = 0;            // the record's time as seconds-of-day
    bool withSeconds = false;  // its time is HH:MM.SS (else HH:MM)
    bool dayBefore = false;    // a record of the day before (see DayFile)
};

// Where a record or an expected moment lies in its day's file: those of
// the day before, at its head, come first.
inline int fileOrder(int second, bool dayBefore) {
    constexpr int secondsOfADay = 86400;
    return dayBefore ? second - secondsOfADay : second;
}

// Whether a record time is the poller's last second of a day open until
// midnight: 23:59 or 23:59.59.
bool isDayEndTime(std::string_view text);

// One day's file.  Times within it rise; records at its start timed 23:59
// or 23:59.59 that are followed by an earlier time, or by nothing, belong
// to the day before: the poller writes the 23:59:59 cycle of a day open
// until midnight just after midnight, into the next day's file.
class DayFile {
public:
    DayFile() = default;
    ~DayFile();
    DayFile(const DayFile&) = delete;
    DayFile& operator=(const DayFile&) = delete;

    // Opens the file when it is a regular file (openReportFile); false when
    // it is not opened, openStatus() then saying why.
    bool open(const std::string& path);
    ReportFileStatus openStatus() const { return openStatus_; }
    void close();
    // The next line; false at the end of the file.
    bool next(DayLine& line) {
        if (inHead_ || pendingNext_ < pendingCount_) return nextOfHead(line);
        return readLine(line);
    }

private:
    struct Pending;
    bool nextOfHead(DayLine& line);
    bool readLine(DayLine& line);
    void keepCopy(Pending& slot);
    void settleHead();

    // Lines read ahead at the head of the file while its leading day-end
    // records are pending, with copies of their text.
    static constexpr int maxPending = 8;
    struct Pending {
        DayLine line;
        char text[recordLineCapacity];
    };
    Pending pending_[maxPending + 1];
    int pendingCount_ = 0;
    int pendingNext_ = 0;
    bool inHead_ = true;

    std::FILE* file_ = nullptr;
    ReportFileStatus openStatus_ = ReportFileStatus::absent;
    ReportReader reader_;
    long lineNumber_ = 0;
};
