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
    for (std::size_t i = 0; i < length; ++i) {
        sumA += static_cast<signed char>(text[i]);
        sumB += sumA;
    }
    return (sumA % checksumModulus) * highByteShift + (sumB % checksumModulus);
}
