// Writing control characters and bytes that are not UTF-8 as \xNN.
#include "escape.h"

#include "utf8.h"

namespace {

// The length of the printable sequence at text[at], or 0 when the byte
// there is to be escaped: printable ASCII is looked at first, as nearly
// all text is.
std::size_t printableLength(std::string_view text, std::size_t at) {
    const unsigned char byte = static_cast<unsigned char>(text[at]);
    if (byte >= 0x20 && byte < 0x7F) return 1;
    if (byte < 0x80) return 0;  // C0 or DEL
    const std::size_t length = utf8SequenceLength(text, at);
    if (length == 0 || isControlCharacter(utf8CodePoint(text, at, length))) return 0;
    return length;
}

void appendByteEscape(std::string& out, unsigned char byte) {
    static constexpr char hexDigits[] = "0123456789ABCDEF";
    out += "\\x";
    out += hexDigits[byte >> 4];
    out += hexDigits[byte & 0xF];
}

}  // namespace

bool needsEscaping(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = printableLength(text, at);
        if (length == 0) return true;
        at += length;
    }
    return false;
}

void appendEscaped(std::string& out, std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = printableLength(text, at);
        if (length > 0) {
            out.append(text, at, length);
            at += length;
            continue;
        }
        // A control character escapes every byte of its sequence; a bad
        // byte only itself, the bytes after it are looked at afresh.
        const std::size_t sequence = utf8SequenceLength(text, at);
        const std::size_t count = sequence > 0 ? sequence : 1;
        for (std::size_t i = 0; i < count; ++i)
            appendByteEscape(out, static_cast<unsigned char>(text[at + i]));
        at += count;
    }
}

std::string escapedText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendEscaped(out, text);
    return out;
}
