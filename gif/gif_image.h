#pragma once
#include <cstdint>
#include <vector>

#include "changed_area.h"

// One GIF image as both encodings build it: where it goes on the logical screen, its colour
// table and one index per pixel.
struct GifImage {
    ImageRect rect;                 // where the image goes on the logical screen
    uint8_t tableBits = 1;          // the local colour table has 2^tableBits entries (1..8)
    std::vector<uint8_t> palette;   // 3 << tableBits bytes, red, green, blue, zero past the last used
    // The indices are entries of the file's global colour table (256 entries), and the image is
    // written without its local table.
    bool globalTable = false;
    int16_t transparentIndex = -1;  // -1: every pixel is opaque
    std::vector<uint8_t> indices;   // rect.width x rect.height, top row first
    // Empty, or for every pixel the other index it may be written with, which shows the same
    // (its own index where it has no other): the LZW coder picks whichever codes shorter.
    std::vector<uint8_t> alternatives;
    // Lossy coding: each pixel's captured colour (0xRRGGBB), and the largest error (squared,
    // weighted for the eye) a pixel may be written with where that lets an LZW string go on;
    // empty for exact coding.
    std::vector<uint32_t> captured;
    int nearEnough = 0;
    // When the LZW code table fills up, code the data both ways (clear it, keep it full) and
    // write the shorter; false writes what clearing gives, the same bytes whatever the content.
    bool shortestCode = false;
};

// Bits for a table of `entries` colours: the smallest power of two that holds them, no fewer
// than minBits.
uint8_t TableBitsFor(uint32_t entries, uint8_t minBits);

// Sets the image's colour table from n colours 0x00RRGGBB, zero past them, 2^tableBits entries
// with tableBits = TableBitsFor(entries, minBits); entries >= n leaves room for more indices
// (the transparent one).
void SetColourTable(GifImage& image, const uint32_t* colours, uint32_t n, uint32_t entries, uint8_t minBits);

// LZW minimum code size for a colour table of 2^tableBits entries: GIF allows no less than 2.
inline uint8_t MinCodeSizeFor(uint8_t tableBits)
{
    return tableBits < 2 ? 2 : tableBits;
}
