#include "record/mem_canvas.h"

#include "record/dib_copy.h"

CMemCanvas::CMemCanvas()
{
    CClientDC screen(nullptr);
    // Outlines drawn on the canvas leave the inside alone.
    if (CreateCompatibleDC(screen))
        SelectObject(m_hDC, GetStockObject(NULL_BRUSH));
    Resize(800, 600);
}

CMemCanvas::~CMemCanvas() = default;

bool CMemCanvas::Resize(int32_t width, int32_t height)
{
    DropBitmap();
    ++m_generation;
    m_height = 0;
    m_width = 0;
    if (!m_hDC || height <= 0 || width <= 0)
        return false;
    CClientDC screen(nullptr);
    if (!m_bitmap.CreateCompatibleBitmap(screen, width, height))
        return false;
    m_selection.emplace(m_hDC, m_bitmap.Get());
    m_height = height;
    m_width = width;
    Fill();
    return true;
}

int CMemCanvas::BitsPerPixel() const
{
    BITMAP description = {};
    if (!m_bitmap || GetObjectW(m_bitmap.Get(), sizeof description, &description) != sizeof description)
        return 0;
    return description.bmBitsPixel;
}

uint8_t* CMemCanvas::CopyDib(uint32_t* byteCount, BITMAPINFO* info) const
{
    return CopyBitmapDib(m_hDC, m_bitmap.Get(), byteCount, info);
}

uint32_t CMemCanvas::DibSize() const
{
    return DibImageSize(m_width, m_height, BitsPerPixel());
}

void CMemCanvas::Fill()
{
    FillSolidRect(RECT{0, 0, m_width, m_height}, m_fillColour);
}

// The bitmap is put out of the context before it is deleted: GDI does not delete a
// selected bitmap.
void CMemCanvas::DropBitmap()
{
    m_selection.reset();
    m_bitmap.DeleteObject();
}
