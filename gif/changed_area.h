#pragma once
#include <cstdint>

#include "pixel_view.h"

// A rectangle of a frame in pixels; empty when width or height is 0.
struct ImageRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;

    bool Empty() const { return width <= 0 || height <= 0; }
};

// The smallest rectangle holding every pixel whose colour differs between the two frames
// (the fourth byte is ignored); empty when none does. Both frames have the same size.
ImageRect FindChangedArea(const PixelView& previous, const PixelView& current);

// The first column from `from` up to `to` where the two rows' colours differ, or `to`: the
// end of a run of unchanged pixels, four at a time.
int32_t FirstDiffering(const uint32_t* a, const uint32_t* b, int32_t from, int32_t to);
