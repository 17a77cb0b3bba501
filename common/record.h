// The record line of a report file, as pcpoll writes it and pcview and
// pcstat read it: "%s;%6d;%2d;%2d;" (time, counter total, photocell fault
// count, no-answer flag), a checksum text "0X%04X" of that body, a line
// feed; the record time in it.  Also the reader of report files, a line at
// a time.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

// ---- the record time

// From this record interval on (seconds), a record's time is HH:MM; below
// it HH:MM.SS.
constexpr int hourMinuteInterval = 60;

// The record time of a time text HH:MM.SS (gettime, secondsText) under the
// record interval: its first five characters (HH:MM) from
// hourMinuteInterval on, the whole text below.
std::string recordTimeText(std::string_view time, int interval);

// The lengths of the two record time texts of the clock.
constexpr std::size_t minuteTimeLength = 5;   // HH:MM
constexpr std::size_t secondsTimeLength = 8;  // HH:MM.SS

// Reads a record time text of the clock, HH:MM or HH:MM.SS, as seconds of
// the day; false for any other text.
bool readRecordTime(std::string_view text, int& second, bool& withSeconds);

// ---- forming a record line

// The body "%s;%6d;%2d;%2d;".
std::string recordBodyText(std::string_view time, int total, int faults, int noAnswer);
// The checksum text of a body: checksumll printed with "0X%04X".
std::string checksumText(std::string_view body);
// The whole line: body, checksum text, line feed.
std::string recordLine(std::string_view body);

// ---- reading a record line

// A report line is a whole record only when it holds at most 99 characters
// with its line feed (the line reader's capacity of 100, terminator
// included), five fields that each end at a semicolon, a line feed or a
// byte 0xFF, a time text of at most 15 characters, and a total, a fault
// count and a no-answer flag of at most 19 characters each that are
// decimal numbers fitting a long, an int and an int.
constexpr std::size_t recordLineCapacity = 100;
constexpr std::size_t maxRecordLine = recordLineCapacity - 1;
constexpr std::size_t maxRecordTime = 15;
constexpr std::size_t maxRecordNumber = 19;

// The numbers the poller writes: a counter total of six digits; a fault
// count of at most 85, as a marker (line feed, carriage return, F) takes
// three of the 255 characters the answer parser looks at; a no-answer
// flag of 0 or 1.  A record with any other number was not written by it.
constexpr long maxRecordTotal = 999999;
constexpr int maxRecordFaults = 85;
constexpr int maxRecordNoAnswer = 1;

// A record read from a line; the views point into the line.
struct RecordView {
    std::string_view time;
    long total = 0;
    int faults = 0;
    int noAnswer = 0;
    std::string_view body;      // the line up to and including its fourth terminator
    std::string_view checksum;  // the fifth field
    // The time as seconds of the day when the reader has read it already
    // (a line as the poller writes it, with a time of the clock); else -1.
    int second = -1;
};

// Reads a complete line (its line feed included) as a record; false, with
// record untouched, when it is not one.  The length of the line is the
// line reader's business (ReportReader); the checksum is not looked at.
bool readRecord(std::string_view line, RecordView& record);

// Whether the total, the fault count and the no-answer flag of a record
// each lie within what the poller writes (0 up to the maxima above).
inline bool numbersInRange(const RecordView& record) {
    return record.total >= 0 && record.total <= maxRecordTotal && record.faults >= 0 &&
           record.faults <= maxRecordFaults && record.noAnswer >= 0 &&
           record.noAnswer <= maxRecordNoAnswer;
}

// Whether the fifth field of a record is the checksum text of its body.
bool checksumMatches(const RecordView& record);

// The checksum text computed for a body, written to text (room for 11
// characters: "0X" and up to 8 digits, for the negative sums of bytes of
// 0x80 and above); returns its length.
std::size_t computeChecksumText(std::string_view body, char* text);

// A decimal number that fills the whole text apart from blanks (blank,
// tab, carriage return, vertical tab, form feed) around it: an optional
// sign, then digits.  False when there is none or it does not fit.
bool readDecimal(std::string_view text, long long& value);

// ---- opening a report file

// Report files come from outside (copied from shops, named by anyone), so
// only a regular file is read as one: whatever else lies at a report path
// (a FIFO, a device, a directory, a socket) is never opened for reading
// or waited on.
enum class ReportFileStatus {
    opened,
    absent,      // nothing at the path (ENOENT, ENOTDIR)
    notRegular,  // something other than a regular file
    unreadable,  // a file that cannot be opened; errno tells why
};

// Opens the report file at path for reading: looked at first, then opened
// without waiting (O_NONBLOCK, so that a FIFO put there meanwhile cannot
// block) and looked at again with fstat.  nullptr, with the status saying
// why, for anything but a regular file that opens.
std::FILE* openReportFile(const std::string& path, ReportFileStatus& status);

// ---- reading a report file

enum class LineKind {
    complete,      // a line of at most 99 characters, line feed included
    overlong,      // a longer line: skipped whole, never read in pieces
    unterminated,  // the end of the file without a line feed
};

// Reads a report file a line at a time through a large buffer of its own.
// The views it gives stay valid until the next call.
class ReportReader {
public:
    ReportReader();
    // Starts on an open file, read from its current position.
    void start(std::FILE* file);
    // The next line: false at the end of the file (a read error counts as
    // the end).  For a complete line, text holds it with its line feed;
    // for an overlong or unterminated one, at most its first 99 characters.
    bool next(std::string_view& text, LineKind& kind);

private:
    bool fill();
    std::unique_ptr<char[]> buffer_;
    char head_[maxRecordLine] = {};
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    std::FILE* file_ = nullptr;
    bool atEnd_ = true;
};
