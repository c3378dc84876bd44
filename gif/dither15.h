#pragma once
#include <cstdint>

// Reduction of 32-bit pixels (blue, green, red, unused) to 15-bit colour with an error carried
// along each row: one signed 16-bit error per channel, wrapping like the 16-bit lanes it was
// designed for, clamped to 0..255 only when the level is picked. Rows do not influence each
// other; the error starts at 0 for every row.

// Level q (0..31) back to 8 bits: 0, 8, 16, 24, 32, 41, ... 254.
inline int Expand5(int q)
{
    return (q * 32 * 16846) >> 16;
}

// One row of width pixels (4 bytes each) into width 15-bit values (blue in bits 0-4, green 5-9,
// red 10-14), one pixel at a time.
void DitherRowTo15Bit(const uint8_t* pixels, int32_t width, uint16_t* out);

// Every row of a bitmap (rows stride bytes apart) into width x height 15-bit values, row after
// row in the same order. Where SSE2 is available, eight rows go through at once, each pixel's
// four channels in one lane group; with AVX2, sixteen; the results equal DitherRowTo15Bit's.
void DitherRowsTo15Bit(const uint8_t* rows, int32_t width, int32_t height, uint64_t stride,
                       uint16_t* out);

// The ways DitherRowsTo15Bit can go, all with the same results: one row at a time, eight rows
// with SSE2, sixteen with AVX2. It takes the fastest one the build and the processor offer;
// tests and benchmarks can name one.
enum class DitherPath { Plain, Sse2, Avx2 };
bool DitherPathAvailable(DitherPath path);
// As DitherRowsTo15Bit, by the given path (which must be available).
void DitherRowsTo15BitBy(DitherPath path, const uint8_t* rows, int32_t width, int32_t height,
                         uint64_t stride, uint16_t* out);
