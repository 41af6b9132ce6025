#include "imgctl/png_filters.h"

#include <cstdlib>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavrine::imgctl {

namespace {

// What one byte of each filter adds to the filters' sums.
struct Sums {
    uint32_t none = 0, sub = 0, up = 0, average = 0, paeth = 0;
};

// A filtered byte's magnitude as a signed byte.
inline uint32_t magnitude(uint8_t v) { return v < 128 ? v : 256u - v; }

inline uint8_t paethPredictor(int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    return static_cast<uint8_t>(pa <= pb && pa <= pc ? a : (pb <= pc ? b : c));
}

// Adds byte x with its left neighbour a, the byte above b and the one above left c.
inline void addByte(Sums& s, uint8_t x, uint8_t a, uint8_t b, uint8_t c) {
    s.none += magnitude(x);
    s.sub += magnitude(static_cast<uint8_t>(x - a));
    s.up += magnitude(static_cast<uint8_t>(x - b));
    s.average += magnitude(static_cast<uint8_t>(x - ((a + b) >> 1)));
    s.paeth += magnitude(static_cast<uint8_t>(x - paethPredictor(a, b, c)));
}

#if defined(__SSE2__)
// Sixteen bytes' magnitudes as signed bytes, summed into the two halves.
inline __m128i magnitudes(__m128i v) {
    const __m128i m = _mm_min_epu8(v, _mm_sub_epi8(_mm_setzero_si128(), v));
    return _mm_sad_epu8(m, _mm_setzero_si128());
}

inline __m128i absolute16(__m128i v) {
    return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v));
}

// The Paeth predictors of eight bytes widened to 16 bits.
inline __m128i paeth16(__m128i a, __m128i b, __m128i c) {
    const __m128i bc = _mm_sub_epi16(b, c);
    const __m128i ac = _mm_sub_epi16(a, c);
    const __m128i pa = absolute16(bc);
    const __m128i pb = absolute16(ac);
    const __m128i pc = absolute16(_mm_add_epi16(bc, ac));
    const __m128i notA = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
    const __m128i notB = _mm_cmpgt_epi16(pb, pc);
    const __m128i bOrC = _mm_or_si128(_mm_andnot_si128(notB, b), _mm_and_si128(notB, c));
    return _mm_or_si128(_mm_andnot_si128(notA, a), _mm_and_si128(notA, bOrC));
}
#endif

}  // namespace

int leastSumFilter(const uint8_t* row, const uint8_t* above, size_t bytes, size_t pixelBytes) {
    Sums s;
    const size_t first = pixelBytes < bytes ? pixelBytes : bytes;
    for (size_t i = 0; i < first; ++i) addByte(s, row[i], 0, above[i], 0);
    size_t i = first;
#if defined(__SSE2__)
    __m128i none = _mm_setzero_si128(), sub = none, up = none, average = none, paeth = none;
    const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi8(1);
    for (; i + 16 <= bytes; i += 16) {
        const auto at = [](const uint8_t* p) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        };
        const __m128i x = at(row + i), a = at(row + i - pixelBytes);
        const __m128i b = at(above + i), c = at(above + i - pixelBytes);
        none = _mm_add_epi64(none, magnitudes(x));
        sub = _mm_add_epi64(sub, magnitudes(_mm_sub_epi8(x, a)));
        up = _mm_add_epi64(up, magnitudes(_mm_sub_epi8(x, b)));
        // The mean rounded down: the rounded-up mean less the bit lost.
        const __m128i mean =
            _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
        average = _mm_add_epi64(average, magnitudes(_mm_sub_epi8(x, mean)));
        const __m128i low = paeth16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero),
                                    _mm_unpacklo_epi8(c, zero));
        const __m128i high = paeth16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero),
                                     _mm_unpackhi_epi8(c, zero));
        paeth = _mm_add_epi64(paeth, magnitudes(_mm_sub_epi8(x, _mm_packus_epi16(low, high))));
    }
    const auto total = [](__m128i v) {
        return static_cast<uint32_t>(_mm_cvtsi128_si32(v) +
                                     _mm_cvtsi128_si32(_mm_unpackhi_epi64(v, v)));
    };
    s.none += total(none);
    s.sub += total(sub);
    s.up += total(up);
    s.average += total(average);
    s.paeth += total(paeth);
#endif
    for (; i < bytes; ++i) {
        addByte(s, row[i], row[i - pixelBytes], above[i], above[i - pixelBytes]);
    }
    int best = 0;
    uint32_t least = s.none;
    const uint32_t sums[4] = {s.sub, s.up, s.average, s.paeth};
    for (int k = 0; k < 4; ++k) {
        if (sums[k] < least) {
            least = sums[k];
            best = k + 1;
        }
    }
    return best;
}

void leastSumFilters(const uint8_t* const* rows, size_t height, size_t bytes, size_t pixelBytes,
                     uint8_t* filters) {
    const std::vector<uint8_t> zeros(bytes, 0);
    for (size_t y = 0; y < height; ++y) {
        filters[y] = static_cast<uint8_t>(
            leastSumFilter(rows[y], y == 0 ? zeros.data() : rows[y - 1], bytes, pixelBytes));
    }
}

}  // namespace tavrine::imgctl
