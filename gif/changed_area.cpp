#include "changed_area.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

int32_t FirstDiffering(const uint32_t* a, const uint32_t* b, int32_t from, int32_t to)
{
    int32_t x = from;
#if defined(__SSE2__)
    const __m128i mask = _mm_set1_epi32(static_cast<int>(kRgbMask));
    for (; x + 4 <= to; x += 4) {
        const __m128i d = _mm_and_si128(_mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x)),
                                                      _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x))),
                                        mask);
        const int same = _mm_movemask_epi8(_mm_cmpeq_epi32(d, _mm_setzero_si128()));
        if (same != 0xFFFF)
            return x + static_cast<int32_t>(__builtin_ctz(static_cast<unsigned>(~same)) / 4);
    }
#endif
    for (; x < to; ++x)
        if (((a[x] ^ b[x]) & kRgbMask) != 0)
            return x;
    return to;
}

namespace {

// Rows are compared 32-bit word by word with the mask applied to the xor, a loop the
// compiler turns into vector code; the first differing column is only looked for once a row
// is known to differ.
bool RowDiffers(const uint32_t* a, const uint32_t* b, int32_t from, int32_t to)
{
    uint32_t any = 0;
    for (int32_t x = from; x < to; ++x)
        any |= a[x] ^ b[x];
    return (any & kRgbMask) != 0;
}

int32_t LastDiffering(const uint32_t* a, const uint32_t* b, int32_t from, int32_t to)
{
    for (int32_t x = to - 1; x >= from; --x)
        if (((a[x] ^ b[x]) & kRgbMask) != 0)
            return x;
    return from - 1;
}

}  // namespace

ImageRect FindChangedArea(const PixelView& previous, const PixelView& current)
{
    const int32_t w = current.width;
    const int32_t h = current.height;
    int32_t top = 0;
    while (top < h && !RowDiffers(previous.Row(top), current.Row(top), 0, w))
        ++top;
    if (top == h)
        return ImageRect{};
    int32_t bottom = h - 1;
    while (bottom > top && !RowDiffers(previous.Row(bottom), current.Row(bottom), 0, w))
        --bottom;

    // Columns: each row only needs to be searched outside the span found so far.
    int32_t left = w;
    int32_t right = -1;
    for (int32_t y = top; y <= bottom; ++y) {
        const uint32_t* a = previous.Row(y);
        const uint32_t* b = current.Row(y);
        if (left > 0) {
            const int32_t x = FirstDiffering(a, b, 0, left);
            if (x < left)
                left = x;
        }
        if (right < w - 1) {
            const int32_t x = LastDiffering(a, b, right + 1, w);
            if (x > right)
                right = x;
        }
    }
    return ImageRect{left, top, right - left + 1, bottom - top + 1};
}
