#include "pcsim_hex.h"

namespace pcsim {

namespace {

constexpr int kNotHexDigit = -1;
constexpr int kDecimalDigitCount = 10;
constexpr unsigned kBitsPerHexDigit = 4;
constexpr unsigned kLowNibbleMask = 0x0F;
constexpr std::string_view kHexDigits = "0123456789abcdef";

int hexDigitValue(char digit) {
    if (digit >= '0' && digit <= '9') {
        return digit - '0';
    }
    if (digit >= 'a' && digit <= 'f') {
        return digit - 'a' + kDecimalDigitCount;
    }
    if (digit >= 'A' && digit <= 'F') {
        return digit - 'A' + kDecimalDigitCount;
    }
    return kNotHexDigit;
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
        if (high == kNotHexDigit || low == kNotHexDigit) {
            return std::nullopt;
        }
        const auto value =
            static_cast<unsigned>(high) << kBitsPerHexDigit | static_cast<unsigned>(low);
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

std::string encodeHex(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text.push_back(kHexDigits[value >> kBitsPerHexDigit]);
        text.push_back(kHexDigits[value & kLowNibbleMask]);
    }
    return text;
}

}  // namespace pcsim
