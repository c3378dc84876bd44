#include "dither15.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#if defined(RAVLIN_DITHER_AVX2)
#include "dither15_avx2.h"
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
class CEightRowDither {
public:
    CEightRowDither()
        : zero(_mm_setzero_si128()), top(_mm_set1_epi16(255)), scale(_mm_set1_epi16(16846)),
          weights(_mm_setr_epi16(1, 32, 1024, 0, 1, 32, 1024, 0)), ones(_mm_set1_epi16(1))
    {
        for (__m128i& e : error)
            e = zero;
    }

    // One column: pixels[j] holds the pixel of rows 2j and 2j + 1, widened to 16-bit lanes.
    // Returns the eight rows' 15-bit values as eight 16-bit lanes, row 0 first.
    __m128i Step(const __m128i pixels[4])
    {
        __m128i sums[4];
        for (int j = 0; j < 4; ++j) {
            const __m128i wanted = _mm_add_epi16(pixels[j], error[j]);
            const __m128i level = _mm_srli_epi16(_mm_min_epi16(_mm_max_epi16(wanted, zero), top), 3);
            error[j] = _mm_sub_epi16(wanted, _mm_mulhi_epu16(_mm_slli_epi16(level, 5), scale));
            // blue + 32 green and 1024 red of each pixel, as 32-bit lanes
            sums[j] = _mm_madd_epi16(level, weights);
        }
        // Every partial sum is below 32768, so the signed packs keep them whole.
        const __m128i low = _mm_madd_epi16(_mm_packs_epi32(sums[0], sums[1]), ones);
        const __m128i high = _mm_madd_epi16(_mm_packs_epi32(sums[2], sums[3]), ones);
        return _mm_packs_epi32(low, high);
    }

    // Eight columns of eight rows, x to x + 7: the pixels are read four columns per load and
    // the values written eight per store, turned from columns into rows on the way.
    void EightColumns(const uint8_t* const row[8], int32_t x, uint16_t* const out[8])
    {
        __m128i column[8];
        for (int half = 0; half < 2; ++half) {
            __m128i pixels[4][4];   // [column][row pair]
            for (int j = 0; j < 4; ++j) {
                const int32_t at = 4 * (x + 4 * half);
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row[2 * j] + at));
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row[2 * j + 1] + at));
                const __m128i first = _mm_unpacklo_epi32(a, b);
                const __m128i second = _mm_unpackhi_epi32(a, b);
                pixels[0][j] = _mm_unpacklo_epi8(first, zero);
                pixels[1][j] = _mm_unpackhi_epi8(first, zero);
                pixels[2][j] = _mm_unpacklo_epi8(second, zero);
                pixels[3][j] = _mm_unpackhi_epi8(second, zero);
            }
            for (int k = 0; k < 4; ++k)
                column[4 * half + k] = Step(pixels[k]);
        }
        // 8 x 8 transpose of 16-bit lanes.
        __m128i pairs[8], halves[8];
        for (int k = 0; k < 4; ++k) {
            pairs[k] = _mm_unpacklo_epi16(column[2 * k], column[2 * k + 1]);
            pairs[k + 4] = _mm_unpackhi_epi16(column[2 * k], column[2 * k + 1]);
        }
        // pairs[0..3]: rows 0-3 of column pairs (0,1) (2,3) (4,5) (6,7); pairs[4..7]: rows 4-7.
        for (int h = 0; h < 2; ++h) {
            halves[4 * h + 0] = _mm_unpacklo_epi32(pairs[4 * h + 0], pairs[4 * h + 1]);
            halves[4 * h + 1] = _mm_unpackhi_epi32(pairs[4 * h + 0], pairs[4 * h + 1]);
            halves[4 * h + 2] = _mm_unpacklo_epi32(pairs[4 * h + 2], pairs[4 * h + 3]);
            halves[4 * h + 3] = _mm_unpackhi_epi32(pairs[4 * h + 2], pairs[4 * h + 3]);
        }
        // halves[4h + 0]: rows 4h, 4h+1 of columns 0-3; halves[4h + 2]: the same rows of columns 4-7.
        for (int h = 0; h < 2; ++h) {
            for (int r = 0; r < 2; ++r) {
                const __m128i left = halves[4 * h + r];
                const __m128i right = halves[4 * h + 2 + r];
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out[4 * h + 2 * r] + x), _mm_unpacklo_epi64(left, right));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out[4 * h + 2 * r + 1] + x), _mm_unpackhi_epi64(left, right));
            }
        }
    }

    // One column read and written pixel by pixel, for the last width % 8 columns.
    void OneColumn(const uint8_t* const row[8], int32_t x, uint16_t* const out[8])
    {
        __m128i pixels[4];
        for (int j = 0; j < 4; ++j) {
            uint32_t a, b;
            std::memcpy(&a, row[2 * j] + 4 * x, 4);
            std::memcpy(&b, row[2 * j + 1] + 4 * x, 4);
            const __m128i pair = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(a)),
                                                    _mm_cvtsi32_si128(static_cast<int>(b)));
            pixels[j] = _mm_unpacklo_epi8(pair, zero);
        }
        uint16_t values[8];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(values), Step(pixels));
        for (int k = 0; k < 8; ++k)
            out[k][x] = values[k];
    }

private:
    const __m128i zero, top, scale, weights, ones;
    __m128i error[4];
};

void DitherEightRows(const uint8_t* const row[8], int32_t width, uint16_t* const out[8])
{
    CEightRowDither dither;
    int32_t x = 0;
    for (; x + 8 <= width; x += 8)
        dither.EightColumns(row, x, out);
    for (; x < width; ++x)
        dither.OneColumn(row, x, out);
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

bool DitherPathAvailable(DitherPath path)
{
    switch (path) {
    case DitherPath::Plain:
        return true;
    case DitherPath::Sse2:
#if defined(__SSE2__)
        return true;
#else
        return false;
#endif
    case DitherPath::Avx2:
#if defined(RAVLIN_DITHER_AVX2)
        __builtin_cpu_init();   // the processor and system check, also if called early
        return __builtin_cpu_supports("avx2");
#else
        return false;
#endif
    }
    return false;
}

void DitherRowsTo15BitBy(DitherPath path, const uint8_t* rows, int32_t width, int32_t height,
                         uint64_t stride, uint16_t* out)
{
    const auto rowAt = [&](int32_t y) { return rows + stride * static_cast<uint64_t>(y); };
    const auto outAt = [&](int32_t y) { return out + static_cast<uint64_t>(width) * static_cast<uint64_t>(y); };
    int32_t y = 0;
#if defined(RAVLIN_DITHER_AVX2)
    if (path == DitherPath::Avx2) {
        for (; y + 16 <= height; y += 16) {
            const uint8_t* in[16];
            uint16_t* dest[16];
            for (int k = 0; k < 16; ++k) {
                in[k] = rowAt(y + k);
                dest[k] = outAt(y + k);
            }
            DitherSixteenRowsAvx2(in, width, dest);
        }
    }
#endif
#if defined(__SSE2__)
    if (path != DitherPath::Plain) {
        for (; y + 8 <= height; y += 8) {
            const uint8_t* in[8];
            uint16_t* dest[8];
            for (int k = 0; k < 8; ++k) {
                in[k] = rowAt(y + k);
                dest[k] = outAt(y + k);
            }
            DitherEightRows(in, width, dest);
        }
    }
#endif
    for (; y < height; ++y)
        DitherRowTo15Bit(rowAt(y), width, outAt(y));
}

void DitherRowsTo15Bit(const uint8_t* rows, int32_t width, int32_t height, uint64_t stride,
                       uint16_t* out)
{
    static const DitherPath fastest = DitherPathAvailable(DitherPath::Avx2)   ? DitherPath::Avx2
                                      : DitherPathAvailable(DitherPath::Sse2) ? DitherPath::Sse2
                                                                              : DitherPath::Plain;
    DitherRowsTo15BitBy(fastest, rows, width, height, stride, out);
}
