// Decimal numbers in report fields and typed answers.
#include <charconv>
#include <climits>
#include <string_view>

#include "viewer.h"

namespace {

constexpr std::string_view blanks = " \t\r\v\f";

std::string_view trimBlanks(std::string_view text) {
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool parseDecimal(const std::string& text, long long& value) {
    std::string_view number = trimBlanks(text);
    // A plus sign is allowed before the digits, as scanf allows it.
    if (number.size() > 1 && number[0] == '+' && isDigit(number[1])) number.remove_prefix(1);
    if (number.empty()) return false;
    long long parsed = 0;
    const char* end = number.data() + number.size();
    auto [stop, error] = std::from_chars(number.data(), end, parsed);
    if (error != std::errc() || stop != end) return false;
    value = parsed;
    return true;
}

bool parseLong(const std::string& text, long& value) {
    long long parsed = 0;
    if (!parseDecimal(text, parsed) || parsed < LONG_MIN || parsed > LONG_MAX) return false;
    value = static_cast<long>(parsed);
    return true;
}

bool parseInt(const std::string& text, int& value) {
    long long parsed = 0;
    if (!parseDecimal(text, parsed) || parsed < INT_MIN || parsed > INT_MAX) return false;
    value = static_cast<int>(parsed);
    return true;
}
