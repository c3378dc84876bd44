#pragma once
#include <cstddef>
#include <cstdint>

// Read-only view of a 32-bit frame: blue, green, red and an unused fourth byte per pixel, as
// Windows lays them out. Rows may run either way in memory (a bottom-up bitmap has a negative
// step), so the same code reads captured bitmaps and top-down test frames.
struct PixelView {
    const uint32_t* top = nullptr;  // first pixel of the top row
    ptrdiff_t step = 0;             // pixels from one row to the next row down
    int32_t width = 0;
    int32_t height = 0;

    const uint32_t* Row(int32_t y) const { return top + step * static_cast<ptrdiff_t>(y); }
};

// The fourth byte carries nothing: colours are compared and looked up without it.
constexpr uint32_t kRgbMask = 0x00FFFFFFu;

// Pixels stored top row first with no gap between rows, as the tools and tests make them.
inline PixelView ViewOfTopDownPixels(const uint32_t* pixels, int32_t width, int32_t height)
{
    PixelView v;
    v.top = pixels;
    v.step = width;
    v.width = width;
    v.height = height;
    return v;
}

// The pixels of a packed 32-bit bitmap (gif/dib.h: header, no colour table, rows bottom first).
inline PixelView ViewOfPackedDib32(const uint8_t* dib, int32_t width, int32_t height)
{
    PixelView v;
    const uint32_t* rows = reinterpret_cast<const uint32_t*>(dib + 40);
    v.width = width;
    v.height = height;
    v.step = -static_cast<ptrdiff_t>(width);
    v.top = rows + static_cast<ptrdiff_t>(width) * (height - 1);
    return v;
}
