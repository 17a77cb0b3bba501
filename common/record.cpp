// Forming and reading record lines, and reading report files a line at a
// time.
#include "record.h"

#include <charconv>
#include <limits>
#include <cstring>

#include "pcutil.h"

namespace {

constexpr std::size_t readerBufferSize = 1 << 16;
constexpr int recordFields = 5;

bool isTerminator(char c) { return c == ';' || c == '\n' || c == '\xFF'; }

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

template <typename Number>
bool readField(std::string_view text, Number& value) {
    long long parsed = 0;
    if (text.size() > maxRecordNumber || !readDecimal(text, parsed)) return false;
    if (parsed < std::numeric_limits<Number>::min() || parsed > std::numeric_limits<Number>::max())
        return false;
    value = static_cast<Number>(parsed);
    return true;
}

}  // namespace

std::string recordBodyText(std::string_view time, int total, int faults, int noAnswer) {
    return fmt("%.*s;%6d;%2d;%2d;", static_cast<int>(time.size()), time.data(), total, faults,
               noAnswer);
}

std::string checksumText(std::string_view body) {
    char text[16];
    return std::string(text, computeChecksumText(body, text));
}

std::string recordLine(std::string_view body) {
    std::string line(body);
    line += checksumText(body);
    line += '\n';
    return line;
}

std::size_t computeChecksumText(std::string_view body, char* text) {
    // "0X%04X" of the checksum, the int printed as unsigned.
    static constexpr char hexDigits[] = "0123456789ABCDEF";
    constexpr int minDigits = 4;
    unsigned value = static_cast<unsigned>(checksumll(body));
    char digits[8];
    int count = 0;
    do {
        digits[count++] = hexDigits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    while (count < minDigits) digits[count++] = '0';
    std::size_t length = 0;
    text[length++] = '0';
    text[length++] = 'X';
    while (count > 0) text[length++] = digits[--count];
    return length;
}

bool readDecimal(std::string_view text, long long& value) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isBlank(text[first])) ++first;
    while (last > first && isBlank(text[last - 1])) --last;
    // A plus sign is allowed before the digits, as scanf allows it.
    if (last - first > 1 && text[first] == '+' && isDigit(text[first + 1])) ++first;
    if (first == last) return false;
    long long parsed = 0;
    const char* end = text.data() + last;
    auto [stop, error] = std::from_chars(text.data() + first, end, parsed);
    if (error != std::errc() || stop != end) return false;
    value = parsed;
    return true;
}

bool readRecord(std::string_view line, RecordView& record) {
    if (line.empty() || line.back() != '\n') return false;
    std::string_view fields[recordFields];
    std::size_t start = 0;
    const std::size_t size = line.size();
    for (std::string_view& field : fields) {
        std::size_t end = start;
        while (end < size && !isTerminator(line[end])) ++end;
        if (end == size) return false;
        field = line.substr(start, end - start);
        start = end + 1;
    }
    if (fields[0].size() > maxRecordTime) return false;
    RecordView read;
    if (!readField(fields[1], read.total) || !readField(fields[2], read.faults) ||
        !readField(fields[3], read.noAnswer))
        return false;
    read.time = fields[0];
    // The body ends with the fourth field's terminator.
    read.body = line.substr(0, static_cast<std::size_t>(fields[3].data() - line.data()) +
                                   fields[3].size() + 1);
    read.checksum = fields[4];
    record = read;
    return true;
}

bool checksumMatches(const RecordView& record) {
    char text[16];
    std::size_t length = computeChecksumText(record.body, text);
    return record.checksum == std::string_view(text, length);
}

ReportReader::ReportReader() : buffer_(new char[readerBufferSize]) {}

void ReportReader::start(std::FILE* file) {
    file_ = file;
    begin_ = end_ = 0;
    atEnd_ = file == nullptr;
}

bool ReportReader::fill() {
    if (atEnd_) return false;
    if (begin_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    std::size_t count = std::fread(buffer_.get() + end_, 1, readerBufferSize - end_, file_);
    if (count == 0) atEnd_ = true;
    end_ += count;
    return count > 0;
}

bool ReportReader::next(std::string_view& text, LineKind& kind) {
    bool skipping = false;  // inside a line too long to keep; its head is in head_
    for (;;) {
        const char* from = buffer_.get() + begin_;
        std::size_t available = end_ - begin_;
        const void* feed = std::memchr(from, '\n', available);
        if (feed != nullptr) {
            std::size_t length = static_cast<std::size_t>(static_cast<const char*>(feed) - from) + 1;
            begin_ += length;
            if (skipping) {
                text = std::string_view(head_, maxRecordLine);
                kind = LineKind::overlong;
            } else if (length > maxRecordLine) {
                text = std::string_view(from, maxRecordLine);
                kind = LineKind::overlong;
            } else {
                text = std::string_view(from, length);
                kind = LineKind::complete;
            }
            return true;
        }
        if (!skipping && available >= maxRecordLine) {
            // No line feed within the capacity: the line is skipped whole.
            std::memcpy(head_, from, maxRecordLine);
            skipping = true;
        }
        if (skipping) begin_ = end_;  // what was read of a long line is dropped
        if (!fill()) {
            if (skipping) {
                text = std::string_view(head_, maxRecordLine);
            } else {
                if (begin_ == end_) return false;
                text = std::string_view(buffer_.get() + begin_, end_ - begin_);
                begin_ = end_;
            }
            kind = LineKind::unterminated;
            return true;
        }
    }
}
