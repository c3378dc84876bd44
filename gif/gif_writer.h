#pragma once
#include <cstdint>

#include "byte_sink.h"

class CFrameWorkspace;

// GIF89a stream writer. Call WriteGifHeader once, just before the first frame, with that
// frame's size and bitsPerIndex; WriteGifFrame for every frame; WriteGifTrailer at the end.
// Every frame is full size at (0, 0) with its own local colour table; the file loops for ever.
// A failed write raises whatever the sink raises; the writer does not catch it.

void WriteGifHeader(IByteSink& file, uint16_t width, uint16_t height, uint8_t bitsPerIndex);

// indices: width x height palette indices, rows top to bottom; palette: 3 << bitsPerIndex
// bytes (red, green, blue). transparentIndex -1 means no transparent colour.
// workspace: the calling thread's working memory, kept for its next frame; null for a one-off
// frame, which then gets an LZW table of its own.
void WriteGifFrame(IByteSink& file, const uint8_t* indices, const uint8_t* palette,
                   uint16_t width, uint16_t height, uint8_t bitsPerIndex,
                   uint16_t delay, int16_t transparentIndex, CFrameWorkspace* workspace = nullptr);

// The two halves of WriteGifFrame. The image (descriptor, local colour table and LZW data) needs
// only the frame itself, so it can be made on any thread; the control block before it carries
// what is known only when the frames are put in order, such as the delay.
void WriteGifControl(IByteSink& file, uint16_t delay, int16_t transparentIndex);
void WriteGifImage(IByteSink& file, const uint8_t* indices, const uint8_t* palette, uint16_t width,
                   uint16_t height, uint8_t bitsPerIndex, CFrameWorkspace* workspace = nullptr);

void WriteGifTrailer(IByteSink& file);
