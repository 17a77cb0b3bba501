// Forming and reading record lines, and reading report files a line at a
// time.
#include "record.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdint>
#include <climits>
#include <limits>
#include <cstring>

#include "pcutil.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::size_t readerBufferSize = 1 << 16;

// Character classes of record lines, looked up a byte at a time.
enum CharClass : unsigned char { other, terminator, blank, digit, sign };

struct ClassTable {
    CharClass of[256] = {};
    constexpr ClassTable() {
        of[static_cast<unsigned char>(';')] = terminator;
        of[static_cast<unsigned char>('\n')] = terminator;
        of[0xFF] = terminator;
        for (char c : {' ', '\t', '\r', '\v', '\f'}) of[static_cast<unsigned char>(c)] = blank;
        for (int c = '0'; c <= '9'; ++c) of[c] = digit;
        of[static_cast<unsigned char>('+')] = sign;
        of[static_cast<unsigned char>('-')] = sign;
    }
};
constexpr ClassTable classes;

CharClass classOf(char c) { return classes.of[static_cast<unsigned char>(c)]; }

// Reads a decimal number from p on: blanks, an optional sign directly
// before the digits, digits, blanks.  Returns where it stopped (the first
// character that is none of those), or nullptr when there is no number or
// it does not fit a long long.
const char* scanNumber(const char* p, const char* end, long long& value) {
    while (p < end && classOf(*p) == blank) ++p;
    bool negative = false;
    if (p < end && classOf(*p) == sign) {
        negative = *p == '-';
        ++p;
    }
    const char* digits = p;
    unsigned long long magnitude = 0;
    // Up to 18 digits cannot overflow; a 19th is checked.
    constexpr int safeDigits = 18;
    const char* safeEnd = end - p > safeDigits ? p + safeDigits : end;
    while (p < safeEnd && classOf(*p) == digit)
        magnitude = magnitude * 10 + static_cast<unsigned>(*p++ - '0');
    constexpr unsigned long long limit = static_cast<unsigned long long>(LLONG_MAX);
    while (p < end && classOf(*p) == digit) {
        unsigned long long next = magnitude * 10 + static_cast<unsigned>(*p - '0');
        if (magnitude > (limit + 1) / 10 || next > limit + 1) return nullptr;
        magnitude = next;
        ++p;
    }
    if (p == digits) return nullptr;
    if (magnitude > limit + (negative ? 1 : 0)) return nullptr;
    value = negative ? static_cast<long long>(0ULL - magnitude) : static_cast<long long>(magnitude);
    while (p < end && classOf(*p) == blank) ++p;
    return p;
}

// Eight bytes of a line from p on, the first in the lowest byte.
inline std::uint64_t eightBytes(const char* p) {
    std::uint64_t bytes;
    std::memcpy(&bytes, p, sizeof bytes);
    if constexpr (std::endian::native == std::endian::big) bytes = __builtin_bswap64(bytes);
    return bytes;
}

constexpr std::uint64_t eachByte = 0x0101010101010101ULL;
constexpr std::uint64_t highBits = eachByte * 0x80;

// 0x80 in each byte of x that is zero, 0 in the others.
constexpr std::uint64_t zeroBytes(std::uint64_t x) {
    constexpr std::uint64_t low7 = eachByte * 0x7F;
    return ~(((x & low7) + low7) | x | low7);
}

// 0x80 in each byte of x that is a decimal digit, 0 in the others.
constexpr std::uint64_t digitBytes(std::uint64_t x) {
    std::uint64_t highNibbleThree = zeroBytes((x & (eachByte * 0xF0)) ^ (eachByte * 0x30));
    std::uint64_t lowAboveNine = (((x & (eachByte * 0x0F)) + eachByte * 0x06) & (eachByte * 0x10))
                                 << 3;
    return highNibbleThree & ~lowAboveNine & highBits;
}

// What each character may be in the places of a poller line, as flags.
enum PrintedFlag : unsigned char {
    printedDigit = 1,
    printedHex = 2,        // a digit or a letter A to F
    printedPairFirst = 4,  // a digit or a blank: the first place of "%2d"
};

struct PrintedTable {
    unsigned char of[256] = {};
    constexpr PrintedTable() {
        for (int c = '0'; c <= '9'; ++c) of[c] = printedDigit | printedHex | printedPairFirst;
        for (int c = 'A'; c <= 'F'; ++c) of[c] = printedHex;
        of[static_cast<unsigned char>(' ')] = printedPairFirst;
    }
};
constexpr PrintedTable printed;

inline unsigned printedFlags(char c) { return printed.of[static_cast<unsigned char>(c)]; }

inline unsigned twoDigitValue(const char* p) {
    return static_cast<unsigned>(p[0] - '0') * 10 + static_cast<unsigned>(p[1] - '0');
}

// The second of the day of a time of the clock, or -1 when it is none.
constexpr int clockSecond(unsigned hours, unsigned minutes, unsigned seconds) {
    constexpr unsigned hoursPerDay = 24, perHour = 60;
    if (hours >= hoursPerDay || minutes >= perHour || seconds >= perHour) return -1;
    return static_cast<int>(hours * 3600 + minutes * 60 + seconds);
}

// The six-character total of a poller line in bytes 1 to 6 of x, as "%6d"
// prints a number that is not negative: blanks, then at least one digit
// to the end of the field.  Each byte is judged blank or digit at once,
// and the digits are combined in three multiplications.  False for any
// other text, which the general reader then takes.
inline bool readPrintedTotal(std::uint64_t x, long& value) {
    constexpr std::uint64_t fieldBits = 0x00FFFFFFFFFFFF00ULL;  // bytes 1 to 6
    constexpr std::uint64_t fieldHighBits = fieldBits & highBits;
    x &= fieldBits;
    std::uint64_t blanks = zeroBytes(x ^ (eachByte * ' ')) & fieldHighBits;
    std::uint64_t digits = digitBytes(x) & fieldHighBits;
    if ((blanks | digits) != fieldHighBits || digits == 0) return false;
    // The blanks must all come first: their bytes, filled, are a run from
    // byte 1 up.
    std::uint64_t blankBytes = (blanks >> 15) * 0xFF;
    if ((blankBytes & (blankBytes + 1)) != 0) return false;
    // A blank's low nibble is 0, a leading zero.  Two more leading zeros
    // (bytes 0 and 7) make eight digits, the first the most significant.
    std::uint64_t number = (x & (eachByte * 0x0F)) << 8;
    number = (number * (10 * 256 + 1)) >> 8;
    number = ((number & 0x00FF00FF00FF00FFULL) * (100 * 65536 + 1)) >> 16;
    number = ((number & 0x0000FFFF0000FFFFULL) * (10000ULL * (1ULL << 32) + 1)) >> 32;
    value = static_cast<long>(number & 0xFFFFFFFFULL);
    return true;
}

// The lines the poller writes: a time HH:MM or HH:MM.SS, the total in 6
// places, the fault count and the flag in 2 each ("%2d": a blank or a
// digit, then a digit), a checksum 0X and four digits, each field ending
// in a semicolon and the line in a line feed.  Read straight from their
// places, the characters judged together; false (nothing read) for any
// other line, which the general reader then takes.  With the line goes
// its time as seconds of the day, or -1 when it is no time of the clock.
bool readPollerLine(std::string_view line, RecordView& record) {
    constexpr std::size_t fixedPart = 21;  // all but the time: ";" 6 ";" 2 ";" 2 ";" 6 "\n"
    const std::size_t size = line.size();
    if (size != minuteTimeLength + fixedPart && size != secondsTimeLength + fixedPart) return false;
    const std::size_t t = size - fixedPart;
    const bool withSeconds = t == secondsTimeLength;
    const char* p = line.data();
    const char* sum = p + t + 14;
    if (p[2] != ':' || (withSeconds && p[5] != '.') || p[t] != ';' || p[t + 7] != ';' ||
        p[t + 10] != ';' || p[t + 13] != ';' || sum[0] != '0' || sum[1] != 'X' || sum[6] != '\n')
        return false;
    unsigned flags =
        printedFlags(p[0]) & printedFlags(p[1]) & printedFlags(p[3]) & printedFlags(p[4]) &
        printedFlags(p[t + 9]) & printedFlags(p[t + 12]) &
        (withSeconds ? printedFlags(p[6]) & printedFlags(p[7]) : unsigned{printedDigit});
    unsigned hex =
        printedFlags(sum[2]) & printedFlags(sum[3]) & printedFlags(sum[4]) & printedFlags(sum[5]);
    unsigned firsts = printedFlags(p[t + 8]) & printedFlags(p[t + 11]);
    long total = 0;
    if ((flags & printedDigit) == 0 || (hex & printedHex) == 0 ||
        (firsts & printedPairFirst) == 0 || !readPrintedTotal(eightBytes(p + t), total))
        return false;
    unsigned hours = twoDigitValue(p), minutes = twoDigitValue(p + 3);
    unsigned seconds = withSeconds ? twoDigitValue(p + 6) : 0;
    auto pair = [](const char* q) {
        return static_cast<int>(q[0] == ' ' ? static_cast<unsigned>(q[1] - '0') : twoDigitValue(q));
    };
    record.time = std::string_view(p, t);
    record.total = total;
    record.faults = pair(p + t + 8);
    record.noAnswer = pair(p + t + 11);
    record.body = std::string_view(p, t + 14);
    record.checksum = std::string_view(sum, 6);
    record.second = clockSecond(hours, minutes, seconds);
    return true;
}

// The first line feed of the count bytes from p on, or null.  A record
// line is some thirty bytes: the first 32 are looked at in two vectors
// where the machine has them, before the library's search of the rest.
inline const char* findLineFeed(const char* p, std::size_t count) {
#if defined(__SSE2__)
    constexpr std::size_t vectorBytes = 16;
    if (count >= 2 * vectorBytes) {
        const __m128i feeds = _mm_set1_epi8('\n');
        unsigned low = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), feeds)));
        unsigned high = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + vectorBytes)), feeds)));
        unsigned found = low | (high << vectorBytes);
        if (found != 0) return p + std::countr_zero(found);
        p += 2 * vectorBytes;
        count -= 2 * vectorBytes;
    }
#endif
    return static_cast<const char*>(std::memchr(p, '\n', count));
}

template <typename Number>
bool fits(long long value) {
    return value >= std::numeric_limits<Number>::min() &&
           value <= std::numeric_limits<Number>::max();
}

// A record by the general rules, for the lines the poller does not write
// (readRecord).  Kept out of line: the poller's lines do not pay for it.
[[gnu::noinline]] bool readAnyRecord(std::string_view line, RecordView& record) {
    if (line.empty() || line.back() != '\n') return false;
    const char* p = line.data();
    const char* end = p + line.size();
    // The time: anything up to the first terminator.
    const char* start = p;
    while (p < end && classOf(*p) != terminator) ++p;
    if (p == end || static_cast<std::size_t>(p - start) > maxRecordTime) return false;
    std::string_view time(start, static_cast<std::size_t>(p - start));
    // Three numbers, each alone in its field.
    long long numbers[3];
    for (long long& number : numbers) {
        start = ++p;
        p = scanNumber(p, end, number);
        if (p == nullptr || p == end || classOf(*p) != terminator ||
            static_cast<std::size_t>(p - start) > maxRecordNumber)
            return false;
    }
    if (!fits<long>(numbers[0]) || !fits<int>(numbers[1]) || !fits<int>(numbers[2])) return false;
    const char* bodyEnd = ++p;
    // The checksum, the fifth field.
    while (p < end && classOf(*p) != terminator) ++p;
    if (p == end) return false;
    record.time = time;
    record.total = static_cast<long>(numbers[0]);
    record.faults = static_cast<int>(numbers[1]);
    record.noAnswer = static_cast<int>(numbers[2]);
    record.body = std::string_view(line.data(), static_cast<std::size_t>(bodyEnd - line.data()));
    record.checksum = std::string_view(bodyEnd, static_cast<std::size_t>(p - bodyEnd));
    record.second = -1;
    return true;
}

}  // namespace

std::string recordTimeText(std::string_view time, int interval) {
    if (interval >= hourMinuteInterval) time = time.substr(0, minuteTimeLength);
    return std::string(time);
}

bool readRecordTime(std::string_view text, int& second, bool& withSeconds) {
    const char* p = text.data();
    bool clockShape = (text.size() == minuteTimeLength ||
                       (text.size() == secondsTimeLength && p[5] == '.' &&
                        (printedFlags(p[6]) & printedFlags(p[7]) & printedDigit) != 0)) &&
                      p[2] == ':' &&
                      (printedFlags(p[0]) & printedFlags(p[1]) & printedFlags(p[3]) &
                       printedFlags(p[4]) & printedDigit) != 0;
    if (!clockShape) return false;
    bool seconds = text.size() == secondsTimeLength;
    int value =
        clockSecond(twoDigitValue(p), twoDigitValue(p + 3), seconds ? twoDigitValue(p + 6) : 0);
    if (value < 0) return false;
    second = value;
    withSeconds = seconds;
    return true;
}

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
    constexpr int maxDigits = 8;
    unsigned value = static_cast<unsigned>(checksumll(body));
    int count = minDigits;
    while (count < maxDigits && (value >> (4 * count)) != 0) ++count;
    text[0] = '0';
    text[1] = 'X';
    for (int i = 0; i < count; ++i) text[2 + i] = hexDigits[(value >> (4 * (count - 1 - i))) & 0xF];
    return static_cast<std::size_t>(2 + count);
}

bool readDecimal(std::string_view text, long long& value) {
    const char* end = text.data() + text.size();
    long long parsed = 0;
    if (scanNumber(text.data(), end, parsed) != end) return false;
    value = parsed;
    return true;
}

bool readRecord(std::string_view line, RecordView& record) {
    return readPollerLine(line, record) || readAnyRecord(line, record);
}

bool checksumMatches(const RecordView& record) {
    int computed = checksumll(record.body);
    const std::string_view found = record.checksum;
    constexpr std::size_t shortLength = 6;  // "0X" and four digits: every sum of ASCII text
    if (computed >= 0 && computed <= 0xFFFF) {
        static constexpr char hexDigits[] = "0123456789ABCDEF";
        const auto value = static_cast<unsigned>(computed);
        const char text[shortLength] = {'0',
                                        'X',
                                        hexDigits[value >> 12],
                                        hexDigits[(value >> 8) & 0xF],
                                        hexDigits[(value >> 4) & 0xF],
                                        hexDigits[value & 0xF]};
        return found.size() == shortLength && std::memcmp(found.data(), text, shortLength) == 0;
    }
    char text[16];
    std::size_t length = computeChecksumText(record.body, text);
    return found == std::string_view(text, length);
}

std::FILE* openReportFile(const std::string& path, ReportFileStatus& status) {
    auto failed = [&] {
        status = errno == ENOENT || errno == ENOTDIR ? ReportFileStatus::absent
                                                     : ReportFileStatus::unreadable;
        return nullptr;
    };
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) return failed();
    if (!S_ISREG(info.st_mode)) {
        status = ReportFileStatus::notRegular;
        return nullptr;
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return failed();
    // The path may have been given to something else between the two looks.
    bool looked = ::fstat(fd, &info) == 0;
    if (!looked || !S_ISREG(info.st_mode)) {
        int saved = errno;
        ::close(fd);
        errno = saved;
        status = looked ? ReportFileStatus::notRegular : ReportFileStatus::unreadable;
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        int saved = errno;
        ::close(fd);
        errno = saved;
        status = ReportFileStatus::unreadable;
        return nullptr;
    }
    status = ReportFileStatus::opened;
    return file;
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
        const char* feed = findLineFeed(from, available);
        if (feed != nullptr) {
            std::size_t length = static_cast<std::size_t>(feed - from) + 1;
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
