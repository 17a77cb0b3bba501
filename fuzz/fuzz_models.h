// Plain models of how the programs read their input, written for the fuzz
// targets to compare them against: configuration tokens, decimal numbers,
// lines and report records.
#pragma once

#include <climits>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

inline bool isConfSeparator(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// The tokens of a configuration file: comments (with hashComments) cut
// away up to their line feed, the text split at blanks, tabs and line
// feeds, and a token still open at the end of the file dropped.
inline std::vector<std::string> modelTokens(std::string_view text, bool hashComments) {
    std::string kept;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (hashComments && text[i] == '#') {
            std::size_t end = text.find('\n', i);
            if (end == std::string_view::npos) break;
            i = end - 1;  // the line feed itself stays
            continue;
        }
        kept.push_back(text[i]);
    }
    std::vector<std::string> tokens;
    std::string current;
    for (char c : kept) {
        if (!isConfSeparator(c)) {
            current.push_back(c);
        } else if (!current.empty()) {
            tokens.push_back(current);
            current.clear();
        }
    }
    return tokens;
}

// A decimal number filling the whole text apart from blanks (blank, tab,
// carriage return, vertical tab, form feed) around it: one optional sign,
// then at least one digit; false when there is none or it does not fit.
inline bool modelDecimal(std::string_view text, long long& value) {
    auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
    };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    bool negative = false;
    if (begin < end && (text[begin] == '+' || text[begin] == '-')) {
        negative = text[begin] == '-';
        ++begin;
    }
    if (begin == end) return false;
    __int128 magnitude = 0;
    const __int128 limit = static_cast<__int128>(LLONG_MAX) + 1;
    for (std::size_t i = begin; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit) return false;
    }
    __int128 signedValue = negative ? -magnitude : magnitude;
    if (signedValue > LLONG_MAX) return false;
    value = static_cast<long long>(signedValue);
    return true;
}

// The text cut after each line feed; a last piece without one is kept
// apart in rest.
inline std::vector<std::string> linesOf(std::string_view text, std::string& rest) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string_view::npos;
         end = text.find('\n', start)) {
        lines.emplace_back(text.substr(start, end + 1 - start));
        start = end + 1;
    }
    rest = std::string(text.substr(start));
    return lines;
}

struct ModelRecord {
    std::string time;
    long long total = 0;
    long long faults = 0;
    long long noAnswer = 0;
};

// A report line (line feed included) as a record: five fields, each ending
// at ';', a line feed or byte 0xFF; the time at most 15 characters, the
// three numbers at most 19 characters each and fitting long, int and int;
// the fifth field is not looked at.
inline bool modelRecord(std::string_view line, ModelRecord& record) {
    if (line.empty() || line.back() != '\n') return false;
    std::string_view fields[5];
    std::size_t start = 0;
    for (std::string_view& field : fields) {
        std::size_t end = start;
        while (end < line.size() && line[end] != ';' && line[end] != '\n' && line[end] != '\xFF')
            ++end;
        if (end == line.size()) return false;
        field = line.substr(start, end - start);
        start = end + 1;
    }
    if (fields[0].size() > 15) return false;
    long long numbers[3] = {};
    for (int i = 0; i < 3; ++i)
        if (fields[i + 1].size() > 19 || !modelDecimal(fields[i + 1], numbers[i])) return false;
    if (numbers[0] < LONG_MIN || numbers[0] > LONG_MAX) return false;
    for (int i = 1; i < 3; ++i)
        if (numbers[i] < INT_MIN || numbers[i] > INT_MAX) return false;
    record.time = std::string(fields[0]);
    record.total = numbers[0];
    record.faults = numbers[1];
    record.noAnswer = numbers[2];
    return true;
}

// Outside text as the programs show it: a well-formed UTF-8 character is
// kept unless it is a control character (below U+0020, U+007F, U+0080 to
// U+009F), whose bytes are written as \xNN; so is a byte that does not
// start a well-formed sequence.  Decoded here by shifting bits, apart from
// the byte-range table the programs use.
inline std::string modelEscaped(std::string_view text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    auto escape = [&](std::size_t at, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            unsigned byte = static_cast<unsigned char>(text[at + i]);
            out += "\\x";
            out += hex[byte >> 4];
            out += hex[byte & 15];
        }
    };
    for (std::size_t at = 0; at < text.size();) {
        unsigned lead = static_cast<unsigned char>(text[at]);
        std::size_t length = lead < 0x80   ? 1
                             : lead < 0xC0 ? 0
                             : lead < 0xE0 ? 2
                             : lead < 0xF0 ? 3
                             : lead < 0xF8 ? 4
                                           : 0;
        unsigned long code = length <= 1 ? lead : lead & (0x7Fu >> length);
        bool wellFormed = length > 0 && at + length <= text.size();
        for (std::size_t i = 1; wellFormed && i < length; ++i) {
            unsigned next = static_cast<unsigned char>(text[at + i]);
            wellFormed = (next & 0xC0) == 0x80;
            code = code << 6 | (next & 0x3F);
        }
        static constexpr unsigned long shortest[] = {0, 0, 0x80, 0x800, 0x10000};
        wellFormed = wellFormed && code >= shortest[length] && code <= 0x10FFFF &&
                     !(code >= 0xD800 && code <= 0xDFFF);
        if (!wellFormed) {
            escape(at, 1);
            ++at;
            continue;
        }
        if (code < 0x20 || code == 0x7F || (code >= 0x80 && code <= 0x9F))
            escape(at, length);
        else
            out.append(text.substr(at, length));
        at += length;
    }
    return out;
}

}  // namespace fuzz
