#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "gif/pixel_view.h"

// One frame's pixels as 32-bit rows for the compact frame builder: either borrowed from a
// captured frame that is already 32-bit and of the output size, or copied out of a GDI bitmap
// (a scaled frame).
class CFramePixels {
public:
    // rows: bottom-up 32-bit rows of a packed bitmap, which must outlive this object.
    void Borrow(const uint8_t* rows, int32_t width, int32_t height);
    // False when the bitmap's pixels cannot be read.
    bool Read(HBITMAP bitmap);
    // rows (bottom-up, 32-bit) scaled to width x height into a copy of its own.
    bool Scale(const uint8_t* rows, int32_t sourceWidth, int32_t sourceHeight, int32_t width, int32_t height);
    const PixelView& View() const { return m_view; }

private:
    std::vector<uint32_t> m_copy;  // top row first
    PixelView m_view;
};
