#include "record/queued_frame.h"

#include <cstring>
#include <new>

#include "record/dib_copy.h"
#include "record/mem_canvas.h"

std::unique_ptr<CQueuedFrame> CQueuedFrame::CopyOf(const CMemCanvas& canvas,
                                                   std::shared_ptr<CRecycledBuffers> buffers)
{
    BITMAPINFOHEADER header = {};
    if (!DescribeBitmapDib(canvas.Bitmap(), &header))
        return nullptr;
    const size_t size = sizeof header + header.biSizeImage;
    std::unique_ptr<uint8_t[]> packed;
    try {
        packed = buffers ? buffers->Take(size) : std::unique_ptr<uint8_t[]>(new uint8_t[size]);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    // No zero fill: GetDIBits writes every byte of every row, padding included.
    if (!CopyBitmapRows(canvas.Hdc(), canvas.Bitmap(), header, packed.get() + sizeof header))
        return nullptr;  // a recycled buffer just goes; the next frame makes a new one
    std::memcpy(packed.get(), &header, sizeof header);
    return std::unique_ptr<CQueuedFrame>(new CQueuedFrame(std::move(packed), header, std::move(buffers)));
}

std::unique_ptr<CQueuedFrame> CQueuedFrame::CopyOfRows(const BITMAPINFOHEADER& header, const uint8_t* rows)
{
    std::unique_ptr<uint8_t[]> packed(new (std::nothrow) uint8_t[sizeof header + header.biSizeImage]);
    if (!packed)
        return nullptr;
    std::memcpy(packed.get(), &header, sizeof header);
    std::memcpy(packed.get() + sizeof header, rows, header.biSizeImage);
    return std::unique_ptr<CQueuedFrame>(new CQueuedFrame(std::move(packed), header, nullptr));
}

CQueuedFrame::~CQueuedFrame()
{
    if (m_buffers)
        m_buffers->GiveBack(std::move(m_packed), PackedSize());
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
