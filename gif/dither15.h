#pragma once
#include <cstdint>

// Reduction of 32-bit pixels (blue, green, red, unused) to 15-bit colour with an error carried
// along each row: one signed 16-bit error per channel, wrapping like the 16-bit lanes it was
// designed for, clamped to 0..255 only when the level is picked.

// Level q (0..31) back to 8 bits: 0, 8, 16, 24, 32, 41, ... 254.
inline int Expand5(int q)
{
    return (q * 32 * 16846) >> 16;
}

// One row of width pixels (4 bytes each) into width 15-bit values (blue in bits 0-4, green 5-9,
// red 10-14). The error starts at 0 for every row.
void DitherRowTo15Bit(const uint8_t* pixels, int32_t width, uint16_t* out);

// Writes each 15-bit value back over its 32-bit pixel as blue5 * 8, green5 * 8, red5 * 8; the
// fourth byte is left as it was.
void Expand15BitPixels(const uint16_t* values, int32_t width, uint8_t* pixels);
