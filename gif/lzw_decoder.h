#pragma once
#include <cstddef>
#include <cstdint>

#include "gif_index.h"

// Expands GIF LZW data (the sub-blocks' bytes joined, without their length bytes) into count
// indices. Stops once count indices are out; codes after that are not read. An end code or
// the end of the data before then is ShortData; a code the decoder cannot know yet is BadCode.
GifError DecodeLzw(const uint8_t* data, size_t size, uint8_t minCodeSize, uint8_t* out, size_t count);
