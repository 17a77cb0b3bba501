// The record checksum: two running sums over signed bytes, modulo 251.
#include "pcutil.h"

namespace {
constexpr std::size_t checksumWindow = 255;
constexpr int checksumModulus = 251;
constexpr int highByteShift = 256;
}  // namespace

int checksumll(std::string_view text) {
    int sumA = 0;
    int sumB = 0;
    std::size_t length = text.size() < checksumWindow ? text.size() : checksumWindow;
    std::size_t i = 0;
    // Four characters a step: B gains A after each of them.
    for (; i + 4 <= length; i += 4) {
        int c0 = static_cast<signed char>(text[i]);
        int c1 = static_cast<signed char>(text[i + 1]);
        int c2 = static_cast<signed char>(text[i + 2]);
        int c3 = static_cast<signed char>(text[i + 3]);
        sumB += 4 * sumA + 4 * c0 + 3 * c1 + 2 * c2 + c3;
        sumA += c0 + c1 + c2 + c3;
    }
    for (; i < length; ++i) {
        sumA += static_cast<signed char>(text[i]);
        sumB += sumA;
    }
    return (sumA % checksumModulus) * highByteShift + (sumB % checksumModulus);
}
