#pragma once
#include <cstdint>
#include <vector>

#include "gif/gif_image.h"
#include "gif/memory_sink.h"

class CFrameWorkspace;

// Shared helpers of the GIF core tests: packed bitmaps built from top-down pixels, the way the
// Windows wrapper lays them out, and whole-frame images.

// Writes a whole frame at (0, 0) from a palette of 3 << bits bytes and w x h indices.
void WriteWholeFrame(IByteSink& sink, const uint8_t* indices, const uint8_t* palette, uint16_t w, uint16_t h,
                     uint8_t bits, uint16_t delay, int16_t transparentIndex, CFrameWorkspace* workspace = nullptr);

// The next of a cheap, repeatable pseudo-random sequence (xorshift; state must not be 0).
uint32_t NextRandom(uint32_t& state);

struct Rgb {
    uint8_t red, green, blue;
    bool operator==(const Rgb& o) const { return red == o.red && green == o.green && blue == o.blue; }
};

// A packed 32-bit (or 24-bit) bitmap, bottom row first, from rows given top row first.
std::vector<uint8_t> MakeDib(int32_t width, int32_t height, const std::vector<Rgb>& topDown,
                             uint16_t bitsPerPixel = 32);

// A packed palette bitmap (1, 4 or 8 bits) from top-down pixel values and its colour table.
std::vector<uint8_t> MakePaletteDib(int32_t width, int32_t height,
                                    const std::vector<uint8_t>& topDownValues,
                                    const std::vector<Rgb>& table, uint16_t bitsPerPixel);

// The built frame, owned.
struct BuiltFrame {
    int result = 0;
    std::vector<uint8_t> palette;   // 3 << bitsPerIndex bytes
    std::vector<uint8_t> indices;
    uint8_t bitsPerIndex = 0;
    int32_t width = 0, height = 0;
};
BuiltFrame Build(std::vector<uint8_t> dib, int useNearestColour = 1, CFrameWorkspace* workspace = nullptr);

// Deterministic pixel generators: noise, and screen-like content (flat areas, text strokes,
// gradients).
std::vector<Rgb> NoisePixels(int32_t width, int32_t height, uint32_t seed);
std::vector<Rgb> ScreenLikePixels(int32_t width, int32_t height, uint32_t seed);
