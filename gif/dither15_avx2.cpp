#include "dither15_avx2.h"

#include <cstring>
#include <immintrin.h>

namespace {

// Rows r (low half) and r + 8 (high half) side by side: every operation below works within
// each 128-bit half, exactly as the eight-row SSE2 code does on one group.
class CSixteenRowDither {
public:
    CSixteenRowDither()
        : zero(_mm256_setzero_si256()), top(_mm256_set1_epi16(255)), scale(_mm256_set1_epi16(16846)),
          weights(_mm256_setr_epi16(1, 32, 1024, 0, 1, 32, 1024, 0, 1, 32, 1024, 0, 1, 32, 1024, 0)),
          ones(_mm256_set1_epi16(1))
    {
        for (__m256i& e : error)
            e = zero;
    }

    // One column: pixels[j] holds, per half, the pixels of rows 2j and 2j + 1 of that half's
    // group as 16-bit lanes. Returns per half the group's eight 15-bit values.
    __m256i Step(const __m256i pixels[4])
    {
        __m256i sums[4];
        for (int j = 0; j < 4; ++j) {
            const __m256i wanted = _mm256_add_epi16(pixels[j], error[j]);
            const __m256i level = _mm256_srli_epi16(_mm256_min_epi16(_mm256_max_epi16(wanted, zero), top), 3);
            error[j] = _mm256_sub_epi16(wanted, _mm256_mulhi_epu16(_mm256_slli_epi16(level, 5), scale));
            sums[j] = _mm256_madd_epi16(level, weights);
        }
        const __m256i low = _mm256_madd_epi16(_mm256_packs_epi32(sums[0], sums[1]), ones);
        const __m256i high = _mm256_madd_epi16(_mm256_packs_epi32(sums[2], sums[3]), ones);
        return _mm256_packs_epi32(low, high);
    }

    void EightColumns(const uint8_t* const row[16], int32_t x, uint16_t* const out[16])
    {
        __m256i column[8];
        for (int half = 0; half < 2; ++half) {
            __m256i pixels[4][4];   // [column][row pair]
            const int32_t at = 4 * (x + 4 * half);
            for (int j = 0; j < 4; ++j) {
                const __m256i a = Load2(row[2 * j + 8] + at, row[2 * j] + at);
                const __m256i b = Load2(row[2 * j + 9] + at, row[2 * j + 1] + at);
                const __m256i first = _mm256_unpacklo_epi32(a, b);
                const __m256i second = _mm256_unpackhi_epi32(a, b);
                pixels[0][j] = _mm256_unpacklo_epi8(first, zero);
                pixels[1][j] = _mm256_unpackhi_epi8(first, zero);
                pixels[2][j] = _mm256_unpacklo_epi8(second, zero);
                pixels[3][j] = _mm256_unpackhi_epi8(second, zero);
            }
            for (int k = 0; k < 4; ++k)
                column[4 * half + k] = Step(pixels[k]);
        }
        // 8 x 8 transpose of 16-bit lanes in each half, as in the SSE2 code.
        __m256i pairs[8], halves[8];
        for (int k = 0; k < 4; ++k) {
            pairs[k] = _mm256_unpacklo_epi16(column[2 * k], column[2 * k + 1]);
            pairs[k + 4] = _mm256_unpackhi_epi16(column[2 * k], column[2 * k + 1]);
        }
        for (int h = 0; h < 2; ++h) {
            halves[4 * h + 0] = _mm256_unpacklo_epi32(pairs[4 * h + 0], pairs[4 * h + 1]);
            halves[4 * h + 1] = _mm256_unpackhi_epi32(pairs[4 * h + 0], pairs[4 * h + 1]);
            halves[4 * h + 2] = _mm256_unpacklo_epi32(pairs[4 * h + 2], pairs[4 * h + 3]);
            halves[4 * h + 3] = _mm256_unpackhi_epi32(pairs[4 * h + 2], pairs[4 * h + 3]);
        }
        for (int h = 0; h < 2; ++h) {
            for (int r = 0; r < 2; ++r) {
                const __m256i left = halves[4 * h + r];
                const __m256i right = halves[4 * h + 2 + r];
                const int first = 4 * h + 2 * r;
                Store2(out[first + 8] + x, out[first] + x, _mm256_unpacklo_epi64(left, right));
                Store2(out[first + 9] + x, out[first + 1] + x, _mm256_unpackhi_epi64(left, right));
            }
        }
    }

    // One column pixel by pixel, for the last width % 8 columns.
    void OneColumn(const uint8_t* const row[16], int32_t x, uint16_t* const out[16])
    {
        __m256i pixels[4];
        for (int j = 0; j < 4; ++j) {
            uint32_t p[4];
            std::memcpy(&p[0], row[2 * j] + 4 * x, 4);
            std::memcpy(&p[1], row[2 * j + 1] + 4 * x, 4);
            std::memcpy(&p[2], row[2 * j + 8] + 4 * x, 4);
            std::memcpy(&p[3], row[2 * j + 9] + 4 * x, 4);
            const __m256i pair = _mm256_setr_epi32(static_cast<int>(p[0]), static_cast<int>(p[1]), 0, 0,
                                                   static_cast<int>(p[2]), static_cast<int>(p[3]), 0, 0);
            pixels[j] = _mm256_unpacklo_epi8(pair, zero);
        }
        uint16_t values[16];
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(values), Step(pixels));
        for (int k = 0; k < 16; ++k)
            out[k][x] = values[k];
    }

private:
    static __m256i Load2(const uint8_t* high, const uint8_t* low)
    {
        const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(low));
        const __m128i h = _mm_loadu_si128(reinterpret_cast<const __m128i*>(high));
        return _mm256_inserti128_si256(_mm256_castsi128_si256(l), h, 1);
    }
    static void Store2(uint16_t* high, uint16_t* low, __m256i v)
    {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(low), _mm256_castsi256_si128(v));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(high), _mm256_extracti128_si256(v, 1));
    }

    const __m256i zero, top, scale, weights, ones;
    __m256i error[4];
};

}  // namespace

void DitherSixteenRowsAvx2(const uint8_t* const row[16], int32_t width, uint16_t* const out[16])
{
    CSixteenRowDither dither;
    int32_t x = 0;
    for (; x + 8 <= width; x += 8)
        dither.EightColumns(row, x, out);
    for (; x < width; ++x)
        dither.OneColumn(row, x, out);
    _mm256_zeroupper();
}
