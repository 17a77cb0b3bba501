// The record checksum: two running sums over signed bytes, modulo 251.
//
// Sum A adds each byte; sum B adds A after each byte, so that B is the sum
// of each byte weighted by the number of bytes from it to the end:
// B = n * A - sum(i * c[i]) for the n bytes c[0..n-1].  The weighted form
// has no chain from one byte to the next, and a record body (about twenty
// bytes) is taken in two 16-byte vectors where the machine has them.
#include "pcutil.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::size_t checksumWindow = 255;
constexpr int checksumModulus = 251;
constexpr int highByteShift = 256;

struct Sums {
    int plain = 0;     // sum of the bytes
    int weighted = 0;  // sum of each byte times its index
};

Sums sumsOneByOne(const char* text, std::size_t length) {
    Sums sums;
    for (std::size_t i = 0; i < length; ++i) {
        int c = static_cast<signed char>(text[i]);
        sums.plain += c;
        sums.weighted += static_cast<int>(i) * c;
    }
    return sums;
}

#if defined(__SSE2__)
constexpr std::size_t vectorBytes = 16;

int horizontalSum(__m128i v) {
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_cvtsi128_si32(v);
}

// The sum of each of 16 bytes times its index in the text, the first of
// them at index first: the bytes widened to 16 bits and multiplied in
// pairs, into four 32-bit sums.
__m128i weightedSums(__m128i x, int first) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_add_epi16(_mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7),
                                      _mm_set1_epi16(static_cast<short>(first)));
    const __m128i high = _mm_add_epi16(low, _mm_set1_epi16(8));
    return _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(x, zero), low),
                         _mm_madd_epi16(_mm_unpackhi_epi8(x, zero), high));
}

// The sums of 16 to 32 bytes, a record body: two loads that may overlap,
// the overlap cleared from the second.  False when a byte is 0x80 or
// above (a signed byte below zero), which the byte-by-byte sums take.
bool sumsOfBody(const char* text, std::size_t length, Sums& sums) {
    // Sixteen bytes of 0x00, then sixteen of 0xFF: read from the offset of
    // the second load, a mask that keeps only its bytes after the first.
    alignas(vectorBytes) static constexpr unsigned char keep[2 * vectorBytes] = {
        0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
        0,    0,    0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    std::size_t shift = length - vectorBytes;  // where the second load starts
    __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
    __m128i second = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + shift)),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(keep + shift)));
    if (_mm_movemask_epi8(_mm_or_si128(first, second)) != 0) return false;
    const __m128i zero = _mm_setzero_si128();
    __m128i plain = _mm_add_epi64(_mm_sad_epu8(first, zero), _mm_sad_epu8(second, zero));
    __m128i weighted =
        _mm_add_epi32(weightedSums(first, 0), weightedSums(second, static_cast<int>(shift)));
    sums.plain = _mm_cvtsi128_si32(_mm_add_epi64(plain, _mm_unpackhi_epi64(plain, plain)));
    sums.weighted = horizontalSum(weighted);
    return true;
}
#endif

}  // namespace

int checksumll(std::string_view text) {
    std::size_t length = text.size() < checksumWindow ? text.size() : checksumWindow;
#if defined(__SSE2__)
    Sums vector;
    if (length >= vectorBytes && length <= 2 * vectorBytes &&
        sumsOfBody(text.data(), length, vector)) {
        // Bytes below 0x80: neither sum is negative, and the remainders
        // are those of unsigned numbers.
        auto sumA = static_cast<unsigned>(vector.plain);
        auto sumB =
            static_cast<unsigned>(static_cast<int>(length) * vector.plain - vector.weighted);
        return static_cast<int>((sumA % checksumModulus) * highByteShift + sumB % checksumModulus);
    }
#endif
    Sums sums = sumsOneByOne(text.data(), length);
    int sumA = sums.plain;
    int sumB = static_cast<int>(length) * sums.plain - sums.weighted;
    return (sumA % checksumModulus) * highByteShift + (sumB % checksumModulus);
}
