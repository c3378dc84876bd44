#pragma once
#include <cstdint>

#include "gif/byte_sink.h"

// The plain GIF writer as first landed (a whole-table clear at every reset): the fast one must
// write the same bytes.
namespace reference {

void WriteGifHeader(IByteSink& file, uint16_t width, uint16_t height, uint8_t bitsPerIndex);
void WriteGifFrame(IByteSink& file, const uint8_t* indices, const uint8_t* palette,
                   uint16_t width, uint16_t height, uint8_t bitsPerIndex,
                   uint16_t delay, int16_t transparentIndex);
void WriteGifTrailer(IByteSink& file);

}  // namespace reference
