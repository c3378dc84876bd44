#pragma once
#include <cstdint>
#include <vector>

#include "pixel_view.h"

// One frame's pixels as 32-bit rows, as the compact frame builder reads them: borrowed from a
// frame that already lies that way, or held in a copy of their own.
class CFramePixels {
public:
    // rows: bottom-up 32-bit rows, which must outlive this object.
    void Borrow(const uint8_t* rows, int32_t width, int32_t height);
    // rows (bottom-up, 32-bit) scaled to width x height into a copy of its own.
    bool Scale(const uint8_t* rows, int32_t sourceWidth, int32_t sourceHeight, int32_t width, int32_t height);
    // Room for width x height pixels, top row first, for the caller to fill; the view shows them.
    uint32_t* Fill(int32_t width, int32_t height);
    const PixelView& View() const { return m_view; }

private:
    std::vector<uint32_t> m_copy;
    PixelView m_view;
};
