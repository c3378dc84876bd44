#include "gif_image.h"

uint8_t TableBitsFor(uint32_t entries, uint8_t minBits)
{
    uint8_t bits = minBits;
    while (bits < 8 && entries > (1u << bits))
        ++bits;
    return bits;
}

void SetColourTable(GifImage& image, const uint32_t* colours, uint32_t n, uint32_t entries, uint8_t minBits)
{
    image.tableBits = TableBitsFor(entries, minBits);
    image.palette.assign(3u << image.tableBits, 0);
    for (uint32_t i = 0; i < n; ++i) {
        image.palette[3 * i] = static_cast<uint8_t>(colours[i] >> 16);
        image.palette[3 * i + 1] = static_cast<uint8_t>(colours[i] >> 8);
        image.palette[3 * i + 2] = static_cast<uint8_t>(colours[i]);
    }
}
