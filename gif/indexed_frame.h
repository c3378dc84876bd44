#pragma once
#include <cstddef>
#include <cstdint>

#include "gif_image.h"

class CFrameWorkspace;
class CPaletteOctree;

// Builds the image of a default-mode frame from a packed bitmap in memory (gif/dib.h): the
// portable half of BuildIndexedFrame.
//
// dib/dibSize: the packed bitmap, header size field 40. The builder sets that field to where the
// pixel rows start, as the quantizer reads it; the pixels themselves are only read.
// On success returns true and sets *image: the whole frame at (0, 0), no transparent index, a
// colour table of 2^3..2^8 entries, zero past the colours in use. Returns false with *image
// untouched for a size or depth it cannot handle or a buffer too small for the header's size
// and depth.
// useNearestColour matters for 24-bit pixels only: nearest palette entry instead of the tree.
// workspace: the calling thread's working memory, kept for its next frame; null for a
// one-off frame, which then allocates its own.
bool BuildIndexedFrameFromDib(uint8_t* dib, size_t dibSize, GifImage* image, int useNearestColour,
                              CFrameWorkspace* workspace = nullptr);

// The stages of the 32-bit path, for callers that time them one by one (the benchmark):
// DitherRowsTo15Bit (gif/dither15.h), CPaletteOctree::Feed15BitPixels, FillPalette, then this,
// which maps width x height 15-bit values stored bottom row first to indices top row first.
void Map15BitPixels(CPaletteOctree& tree, const uint16_t* values, int32_t width, int32_t height,
                    uint8_t* indices);
