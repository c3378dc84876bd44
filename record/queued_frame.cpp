#include "record/queued_frame.h"

#include "record/mem_canvas.h"

std::unique_ptr<CQueuedFrame> CQueuedFrame::CopyOf(const CMemCanvas& canvas)
{
    BITMAPINFOHEADER header = {};
    uint8_t* packed = canvas.CopyPacked(&header);
    if (!packed)
        return nullptr;
    return std::unique_ptr<CQueuedFrame>(new CQueuedFrame(packed, header));
}

GpBitmap* CQueuedFrame::ToGdiplusBitmap() const
{
    BITMAPINFO info = {};
    info.bmiHeader = m_header;
    GpBitmap* bitmap = nullptr;
    if (gdip::GdipCreateBitmapFromGdiDib(&info, const_cast<uint8_t*>(Pixels()), &bitmap) != Gdiplus::Ok)
        return nullptr;
    return bitmap;
}
