#pragma once
#include <windows.h>

#include <cstdint>

#include "record/gdiplus_api.h"
#include "win/gdi_object.h"

// One captured frame waiting in the encoder's queue: a device-independent copy of the capture
// canvas, held in a DIB section so that a frame at the output size goes to the frame builder
// as it is. The GDI+ bitmap over it is made only when the frame has to be scaled: Wine's
// GDI+ copies the pixels into it, which would double the queue's memory for nothing.
class CQueuedFrame {
public:
    // Takes ownership of `section`, whose pixels are at `bits`.
    CQueuedFrame(HBITMAP section, void* bits, const BITMAPINFOHEADER& header)
        : m_section(section), m_bits(bits), m_header(header) {}
    CQueuedFrame(CQueuedFrame&&) = default;
    CQueuedFrame(const CQueuedFrame&) = delete;
    CQueuedFrame& operator=(const CQueuedFrame&) = delete;

    uint32_t Size() const { return m_header.biSizeImage; }
    int32_t Width() const { return m_header.biWidth; }
    int32_t Height() const { return m_header.biHeight; }
    // The frame as a GDI bitmap; it stays the frame's own.
    HBITMAP Bitmap() const { return m_section.Get(); }

    // A GDI+ bitmap over the pixels, which must outlive it; null on failure.
    GpBitmap* ToGdiplusBitmap() const
    {
        BITMAPINFO info = {};
        info.bmiHeader = m_header;
        GpBitmap* bitmap = nullptr;
        if (gdip::GdipCreateBitmapFromGdiDib(&info, m_bits, &bitmap) != Gdiplus::Ok)
            return nullptr;
        return bitmap;
    }

private:
    CBitmap m_section;
    void* m_bits;
    BITMAPINFOHEADER m_header;
};
