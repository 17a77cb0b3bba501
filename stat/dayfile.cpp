// A day's report file, line by line, with the head rule for the records
// of the day before.
#include "dayfile.h"

#include <cerrno>
#include <cstring>

namespace {

// Repoints the views of a record copied from old into text.
void rebase(RecordView& record, const char* old, const char* text) {
    auto move = [&](std::string_view& view) {
        view = std::string_view(text + (view.data() - old), view.size());
    };
    move(record.time);
    move(record.body);
    move(record.checksum);
}

}  // namespace

bool isDayEndTime(std::string_view text) {
    bool minute = text.size() >= minuteTimeLength && text[0] == '2' && text[1] == '3' &&
                  text[2] == ':' && text[3] == '5' && text[4] == '9';
    return minute && (text.size() == minuteTimeLength ||
                      (text.size() == secondsTimeLength && text[5] == '.' && text[6] == '5' &&
                       text[7] == '9'));
}

DayFile::~DayFile() { close(); }

bool DayFile::open(const std::string& path) {
    close();
    file_ = openReportFile(path, openStatus_);
    if (file_ == nullptr) return false;
    reader_.start(file_);
    lineNumber_ = 0;
    pendingCount_ = pendingNext_ = 0;
    inHead_ = true;
    return true;
}

void DayFile::close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
}

bool DayFile::readLine(DayLine& line) {
    std::string_view text;
    LineKind kind;
    if (file_ == nullptr || !reader_.next(text, kind)) return false;
    line.number = ++lineNumber_;
    line.dayBefore = false;
    if (kind != LineKind::complete) {
        line.record = RecordView{};
        line.kind = LineClass::malformed;
        line.reason =
            kind == LineKind::overlong ? MalformedReason::overlong : MalformedReason::unterminated;
        return true;
    }
    if (!readRecord(text, line.record)) {
        line.record = RecordView{};
        line.kind = LineClass::malformed;
        line.reason = MalformedReason::fields;
        return true;
    }
    if (!checksumMatches(line.record)) {
        line.kind = LineClass::checksum;
        return true;
    }
    if (line.record.second >= 0) {
        line.second = line.record.second;
        line.withSeconds = line.record.time.size() == secondsTimeLength;
    } else if (!readRecordTime(line.record.time, line.second, line.withSeconds)) {
        line.kind = LineClass::malformed;
        line.reason = MalformedReason::time;
        return true;
    }
    line.kind = numbersInRange(line.record) ? LineClass::record : LineClass::range;
    return true;
}

// Keeps a copy of a read-ahead line's record: the reader's buffer moves on.
void DayFile::keepCopy(Pending& slot) {
    RecordView& record = slot.line.record;
    const char* old = record.body.data();
    if (old == nullptr) return;  // no record was read from the line
    std::size_t length =
        static_cast<std::size_t>(record.checksum.data() + record.checksum.size() - old);
    std::memcpy(slot.text, old, length);  // within one line of at most 99 characters
    rebase(record, old, slot.text);
}

// Reads ahead from the start of the file while its records are day-end
// records, then decides whether they belong to the day before.
void DayFile::settleHead() {
    inHead_ = false;
    bool anyDayEnd = false;
    bool ended = false;
    int decider = -1;  // the first record that is not a day-end record
    while (pendingCount_ <= maxPending) {
        Pending& slot = pending_[pendingCount_];
        if (!readLine(slot.line)) {
            ended = true;
            break;
        }
        keepCopy(slot);
        ++pendingCount_;
        if (slot.line.kind != LineClass::record) continue;
        if (!isDayEndTime(slot.line.record.time)) {
            decider = pendingCount_ - 1;
            break;
        }
        anyDayEnd = true;
    }
    if (!anyDayEnd) return;
    int heads = decider >= 0 ? decider : pendingCount_;
    // Followed by an earlier time, or by nothing; more day-end records
    // than a day's end can hold are the file's own.
    bool dayBefore = decider >= 0 || ended;
    for (int i = 0; i < heads && decider >= 0; ++i) {
        const DayLine& head = pending_[i].line;
        if (head.kind == LineClass::record && head.second <= pending_[decider].line.second)
            dayBefore = false;
    }
    for (int i = 0; i < heads; ++i)
        if (pending_[i].line.kind == LineClass::record) pending_[i].line.dayBefore = dayBefore;
}

// The next line while the head of the file is read ahead or handed out.
bool DayFile::nextOfHead(DayLine& line) {
    if (inHead_) settleHead();
    if (pendingNext_ < pendingCount_) {
        line = pending_[pendingNext_++].line;
        return true;
    }
    return readLine(line);
}
