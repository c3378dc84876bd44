#pragma once
#include <cstdint>
#include <vector>

// Synthetic but realistic screen content for the demo and the benchmark: frames of top-down
// pixels, 4 bytes each in the order a 32-bit Windows bitmap stores them (blue, green, red, 0).

enum class ContentKind { Text, Ui, Photo };

struct ScreenImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> bgra;  // top row first
};

// Frame `frame` of an animation of the given kind; consecutive frames differ the way a
// recording does (a caret and scrolled lines, a moving window, a slow pan).
ScreenImage MakeScreen(ContentKind kind, int32_t width, int32_t height, int frame);

const char* ContentName(ContentKind kind);
