// Hexadecimal text to bytes and back, two digits a byte.
#include "pcsim_hex.h"

namespace {

constexpr int notHexDigit = -1;
constexpr int decimalDigitCount = 10;
constexpr unsigned bitsPerHexDigit = 4;
constexpr unsigned lowNibbleMask = 0x0F;
constexpr std::string_view hexDigits = "0123456789abcdef";

int hexDigitValue(char digit) {
    if (digit >= '0' && digit <= '9') {
        return digit - '0';
    }
    if (digit >= 'a' && digit <= 'f') {
        return digit - 'a' + decimalDigitCount;
    }
    if (digit >= 'A' && digit <= 'F') {
        return digit - 'A' + decimalDigitCount;
    }
    return notHexDigit;
}

}  // namespace

std::optional<std::string> decodeHex(std::string_view text) {
    if (text.empty() || text.size() % 2 != 0) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = hexDigitValue(text[i]);
        const int low = hexDigitValue(text[i + 1]);
        if (high == notHexDigit || low == notHexDigit) {
            return std::nullopt;
        }
        const auto value =
            static_cast<unsigned>(high) << bitsPerHexDigit | static_cast<unsigned>(low);
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

std::string encodeHex(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text.push_back(hexDigits[value >> bitsPerHexDigit]);
        text.push_back(hexDigits[value & lowNibbleMask]);
    }
    return text;
}
