#pragma once
#include <cstddef>
#include <cstdint>

// The plain frame builder and dither, written step by step as first landed: the fast ones must
// give the same bytes.
namespace reference {

void DitherRowTo15Bit(const uint8_t* pixels, int32_t width, uint16_t* out);
void Expand15BitPixels(const uint16_t* values, int32_t width, uint8_t* pixels);
int BuildIndexedFrameFromDib(uint8_t* dib, size_t dibSize, uint8_t** palette, uint8_t** indices,
                             uint8_t* bitsPerIndex, int32_t* width, int32_t* height,
                             int useNearestColour);
uint8_t NearestPaletteIndex(const uint8_t* rgbQuads, uint32_t count, uint8_t red, uint8_t green,
                            uint8_t blue);

}  // namespace reference
