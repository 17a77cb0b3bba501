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
    // Two characters a step: B gains A after the first and after the second.
    for (; i + 2 <= length; i += 2) {
        int first = static_cast<signed char>(text[i]);
        int second = static_cast<signed char>(text[i + 1]);
        sumB += 2 * sumA + 2 * first + second;
        sumA += first + second;
    }
    if (i < length) {
        sumA += static_cast<signed char>(text[i]);
        sumB += sumA;
    }
    return (sumA % checksumModulus) * highByteShift + (sumB % checksumModulus);
}
