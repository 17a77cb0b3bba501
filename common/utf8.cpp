// Checking UTF-8 a sequence at a time, by the byte ranges of well-formed
// UTF-8: each lead byte allows its own range for the second byte, which
// rules out overlong forms, surrogates and code points beyond U+10FFFF.
#include "utf8.h"

namespace {

unsigned char byteAt(std::string_view text, std::size_t at) {
    return static_cast<unsigned char>(text[at]);
}

bool within(unsigned char byte, unsigned char low, unsigned char high) {
    return byte >= low && byte <= high;
}

}  // namespace

std::size_t utf8SequenceLength(std::string_view text, std::size_t at) {
    const unsigned char lead = byteAt(text, at);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (within(lead, 0xC2, 0xDF)) {
        length = 2;
    } else if (lead == 0xE0) {
        length = 3;
        low = 0xA0;  // no overlong forms
    } else if (within(lead, 0xE1, 0xEC) || within(lead, 0xEE, 0xEF)) {
        length = 3;
    } else if (lead == 0xED) {
        length = 3;
        high = 0x9F;  // no surrogates
    } else if (lead == 0xF0) {
        length = 4;
        low = 0x90;  // no overlong forms
    } else if (within(lead, 0xF1, 0xF3)) {
        length = 4;
    } else if (lead == 0xF4) {
        length = 4;
        high = 0x8F;  // nothing beyond U+10FFFF
    } else {
        return 0;
    }
    if (length > text.size() - at) return 0;
    if (!within(byteAt(text, at + 1), low, high)) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!within(byteAt(text, at + i), 0x80, 0xBF)) return 0;
    return length;
}

char32_t utf8CodePoint(std::string_view text, std::size_t at, std::size_t length) {
    static constexpr unsigned char leadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t code = byteAt(text, at) & leadBits[length];
    for (std::size_t i = 1; i < length; ++i) code = code << 6 | (byteAt(text, at + i) & 0x3F);
    return code;
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = utf8SequenceLength(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

bool isControlCharacter(char32_t code) {
    return code < 0x20 || code == 0x7F || (code >= 0x80 && code <= 0x9F);
}
