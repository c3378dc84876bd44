#include "record/mem_canvas.h"

#include "record/dib_copy.h"

CMemCanvas::CMemCanvas()
{
    HDC screen = GetDC(nullptr);
    m_dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (m_dc)
        m_previousBrush = SelectObject(m_dc, GetStockObject(NULL_BRUSH));
    Resize(600, 800);
}

CMemCanvas::~CMemCanvas()
{
    DropBitmap();
    if (m_dc) {
        if (m_previousBrush)
            SelectObject(m_dc, m_previousBrush);
        DeleteDC(m_dc);
    }
}

bool CMemCanvas::Resize(int32_t height, int32_t width)
{
    DropBitmap();
    m_height = 0;
    m_width = 0;
    if (!m_dc || height <= 0 || width <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    m_bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    if (!m_bitmap)
        return false;
    m_previousBitmap = SelectObject(m_dc, m_bitmap);
    m_height = height;
    m_width = width;
    Fill();
    return true;
}

int CMemCanvas::BitsPerPixel() const
{
    BITMAP description = {};
    if (!m_bitmap || GetObjectW(m_bitmap, sizeof description, &description) != sizeof description)
        return 0;
    return description.bmBitsPixel;
}

uint8_t* CMemCanvas::CopyDib(uint32_t* byteCount, BITMAPINFO* info) const
{
    return CopyBitmapDib(m_dc, m_bitmap, byteCount, info);
}

uint32_t CMemCanvas::DibSize() const
{
    return DibImageSize(m_width, m_height, BitsPerPixel());
}

void CMemCanvas::Fill()
{
    HBRUSH brush = CreateSolidBrush(m_fillColour);
    const RECT all = {0, 0, m_width, m_height};
    FillRect(m_dc, &all, brush);
    DeleteObject(brush);
}

// The bitmap is put out of the context before it is deleted: GDI does not delete a
// selected bitmap.
void CMemCanvas::DropBitmap()
{
    if (!m_bitmap)
        return;
    SelectObject(m_dc, m_previousBitmap);
    DeleteObject(m_bitmap);
    m_bitmap = nullptr;
    m_previousBitmap = nullptr;
}
