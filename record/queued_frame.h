#pragma once
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "record/gdiplus_api.h"

// One captured frame waiting in the encoder's queue: a device-independent copy of the capture
// canvas. The GDI+ bitmap over it is made only when the frame has to be scaled: Wine's GDI+
// copies the pixels into it, which would double the queue's memory for nothing.
class CQueuedFrame {
public:
    // Takes ownership of `pixels` (array new).
    CQueuedFrame(uint8_t* pixels, uint32_t size, const BITMAPINFOHEADER& header)
        : m_pixels(pixels), m_size(size), m_header(header) {}
    ~CQueuedFrame() { delete[] m_pixels; }
    CQueuedFrame(const CQueuedFrame&) = delete;
    CQueuedFrame& operator=(const CQueuedFrame&) = delete;

    uint32_t Size() const { return m_size; }
    int32_t Width() const { return m_header.biWidth; }
    int32_t Height() const { return m_header.biHeight; }

    // The frame as a GDI bitmap of its own, straight from its pixels; null on failure.
    HBITMAP ToGdiBitmap() const
    {
        BITMAPINFO info = {};
        info.bmiHeader = m_header;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (bitmap && bits)
            std::memcpy(bits, m_pixels, m_size);
        return bitmap;
    }

    // A GDI+ bitmap over the pixels, which must outlive it; null on failure.
    GpBitmap* ToGdiplusBitmap() const
    {
        BITMAPINFO info = {};
        info.bmiHeader = m_header;
        GpBitmap* bitmap = nullptr;
        if (gdip::GdipCreateBitmapFromGdiDib(&info, m_pixels, &bitmap) != Gdiplus::Ok)
            return nullptr;
        return bitmap;
    }

private:
    uint8_t* m_pixels;
    uint32_t m_size;
    BITMAPINFOHEADER m_header;
};
