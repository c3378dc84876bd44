#pragma once
#include <cstdint>

#include "record/gdiplus_api.h"

// One captured frame waiting in the encoder's queue: a GDI+ bitmap over a pixel buffer it
// does not copy. The bitmap is disposed of before the buffer it reads from is freed.
class CQueuedFrame {
public:
    CQueuedFrame(GpBitmap* bitmap, uint8_t* pixels, uint32_t size)
        : m_bitmap(bitmap), m_pixels(pixels), m_size(size) {}
    ~CQueuedFrame()
    {
        if (m_bitmap)
            gdip::GdipDisposeImage(m_bitmap);
        delete[] m_pixels;
    }
    CQueuedFrame(const CQueuedFrame&) = delete;
    CQueuedFrame& operator=(const CQueuedFrame&) = delete;

    GpBitmap* Bitmap() const { return m_bitmap; }
    uint32_t Size() const { return m_size; }

private:
    GpBitmap* m_bitmap;
    uint8_t* m_pixels;
    uint32_t m_size;
};
