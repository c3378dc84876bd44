#pragma once
#include <cstddef>
#include <cstdint>

// Resizes 32-bit pixels (blue, green, red, unused) to any size: an area average when a side
// shrinks, each output pixel the mean of the source area it covers, and a linear blend of the
// two nearest source pixels when it grows. The two sides are treated separately, so a frame may
// shrink one way and grow the other. The unused byte comes out 0.
//
// Rows are `stride` bytes apart, in the same order in source and destination (both top-down or
// both bottom-up). Returns false for a size of zero or less.
bool ScalePixels32(const uint8_t* source, int32_t sourceWidth, int32_t sourceHeight, size_t sourceStride,
                   uint8_t* destination, int32_t width, int32_t height, size_t stride);
