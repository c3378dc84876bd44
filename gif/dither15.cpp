#include "dither15.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// One channel step: the level picked and the error carried on.
inline int DitherChannel(int value, int16_t& error)
{
    const int16_t wanted = static_cast<int16_t>(value + error);
    const int clamped = wanted < 0 ? 0 : (wanted > 255 ? 255 : wanted);
    const int level = clamped >> 3;
    error = static_cast<int16_t>(wanted - Expand5(level));
    return level;
}

#if defined(__SSE2__)

// Eight rows at once: four vectors, each holding one pixel of two rows as eight 16-bit lanes
// (blue, green, red, unused, twice). The lanes wrap and clamp exactly like the scalar steps,
// and four independent vectors keep the long per-pixel dependency chain busy.
void DitherEightRows(const uint8_t* const row[8], int32_t width, uint16_t* const out[8])
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i top = _mm_set1_epi16(255);
    const __m128i scale = _mm_set1_epi16(16846);
    const __m128i weights = _mm_setr_epi16(1, 32, 1024, 0, 1, 32, 1024, 0);
    __m128i error[4] = {zero, zero, zero, zero};
    for (int32_t x = 0; x < width; ++x) {
        for (int j = 0; j < 4; ++j) {
            uint32_t a, b;
            std::memcpy(&a, row[2 * j] + 4 * x, 4);
            std::memcpy(&b, row[2 * j + 1] + 4 * x, 4);
            const __m128i pair = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(a)),
                                                    _mm_cvtsi32_si128(static_cast<int>(b)));
            const __m128i wanted = _mm_add_epi16(_mm_unpacklo_epi8(pair, zero), error[j]);
            const __m128i level = _mm_srli_epi16(_mm_min_epi16(_mm_max_epi16(wanted, zero), top), 3);
            error[j] = _mm_sub_epi16(wanted, _mm_mulhi_epu16(_mm_slli_epi16(level, 5), scale));
            const __m128i parts = _mm_madd_epi16(level, weights);
            const __m128i value = _mm_add_epi32(parts, _mm_srli_si128(parts, 4));
            out[2 * j][x] = static_cast<uint16_t>(_mm_cvtsi128_si32(value));
            out[2 * j + 1][x] = static_cast<uint16_t>(_mm_extract_epi16(value, 4));
        }
    }
}

#endif

}  // namespace

void DitherRowTo15Bit(const uint8_t* pixels, int32_t width, uint16_t* out)
{
    int16_t errBlue = 0, errGreen = 0, errRed = 0;
    for (int32_t x = 0; x < width; ++x) {
        const uint8_t* p = pixels + 4 * x;
        const int blue = DitherChannel(p[0], errBlue);
        const int green = DitherChannel(p[1], errGreen);
        const int red = DitherChannel(p[2], errRed);
        out[x] = static_cast<uint16_t>(blue | green << 5 | red << 10);
    }
}

void DitherRowsTo15Bit(const uint8_t* rows, int32_t width, int32_t height, uint64_t stride,
                       uint16_t* out)
{
    int32_t y = 0;
#if defined(__SSE2__)
    for (; y + 8 <= height; y += 8) {
        const uint8_t* in[8];
        uint16_t* dest[8];
        for (int k = 0; k < 8; ++k) {
            in[k] = rows + stride * static_cast<uint64_t>(y + k);
            dest[k] = out + static_cast<uint64_t>(width) * static_cast<uint64_t>(y + k);
        }
        DitherEightRows(in, width, dest);
    }
#endif
    for (; y < height; ++y)
        DitherRowTo15Bit(rows + stride * static_cast<uint64_t>(y), width,
                         out + static_cast<uint64_t>(width) * static_cast<uint64_t>(y));
}
