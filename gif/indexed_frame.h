#pragma once
#include <cstddef>
#include <cstdint>

class CFrameWorkspace;
class CPaletteOctree;

// Builds an indexed frame for WriteGifFrame from a packed bitmap in memory (gif/dib.h): the
// portable half of BuildIndexedFrame.
//
// dib/dibSize: the packed bitmap, header size field 40. The builder sets that field to where the
// pixel rows start, as the quantizer reads it; the pixels themselves are only read.
// On success returns 1 and sets *palette (3 << *bitsPerIndex bytes, red, green, blue, zero
// past the colours in use), *indices (width x height bytes, top row first), *bitsPerIndex
// (3..8), *width and *height; both buffers are array new and belong to the caller.
// Returns 0 with nothing set and nothing allocated for a size or depth it cannot handle or a
// buffer too small for the header's size and depth.
// useNearestColour matters for 24-bit pixels only: nearest palette entry instead of the tree.
// workspace: the calling thread's working memory, kept for its next frame; null for a
// one-off frame, which then allocates its own.
int BuildIndexedFrameFromDib(uint8_t* dib, size_t dibSize, uint8_t** palette, uint8_t** indices,
                             uint8_t* bitsPerIndex, int32_t* width, int32_t* height,
                             int useNearestColour, CFrameWorkspace* workspace = nullptr);

// The stages of the 32-bit path, for callers that time them one by one (the benchmark):
// DitherRowsTo15Bit (gif/dither15.h), CPaletteOctree::Feed15BitPixels, FillPalette, then this,
// which maps width x height 15-bit values stored bottom row first to indices top row first.
void Map15BitPixels(CPaletteOctree& tree, const uint16_t* values, int32_t width, int32_t height,
                    uint8_t* indices);

// Bits per index for a palette of n colours: 3 up to 8 colours, then one more per doubling.
uint8_t BitsPerIndexFor(uint32_t colourCount);

// Index of the entry closest to (red, green, blue) by squared distance; the lowest index wins
// a tie. rgbQuads: count four-byte entries, blue, green, red, 0.
uint8_t NearestPaletteIndex(const uint8_t* rgbQuads, uint32_t count, uint8_t red, uint8_t green,
                            uint8_t blue);
