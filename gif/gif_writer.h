#pragma once
#include <cstdint>

#include "byte_sink.h"

// GIF89a stream writer. Call WriteGifHeader once, just before the first frame, with that
// frame's size and bitsPerIndex; WriteGifFrame for every frame; WriteGifTrailer at the end.
// Every frame is full size at (0, 0) with its own local colour table; the file loops for ever.
// A failed write raises whatever the sink raises; the writer does not catch it.

void WriteGifHeader(IByteSink& file, uint16_t width, uint16_t height, uint8_t bitsPerIndex);

// indices: width x height palette indices, rows top to bottom; palette: 3 << bitsPerIndex
// bytes (red, green, blue). transparentIndex -1 means no transparent colour.
void WriteGifFrame(IByteSink& file, const uint8_t* indices, const uint8_t* palette,
                   uint16_t width, uint16_t height, uint8_t bitsPerIndex,
                   uint16_t delay, int16_t transparentIndex);

void WriteGifTrailer(IByteSink& file);
