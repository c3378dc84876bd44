#include "record/compact_frames.h"

#include "gif/frame_scaler.h"

void CFramePixels::Borrow(const uint8_t* rows, int32_t width, int32_t height)
{
    m_view.width = width;
    m_view.height = height;
    m_view.step = -static_cast<ptrdiff_t>(width);
    m_view.top = reinterpret_cast<const uint32_t*>(rows) + static_cast<ptrdiff_t>(width) * (height - 1);
}

bool CFramePixels::Read(HBITMAP bitmap)
{
    BITMAP description = {};
    if (GetObjectW(bitmap, sizeof description, &description) == 0 || description.bmWidth <= 0 ||
        description.bmHeight <= 0)
        return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = description.bmWidth;
    info.bmiHeader.biHeight = -description.bmHeight;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    m_copy.resize(static_cast<size_t>(description.bmWidth) * static_cast<size_t>(description.bmHeight));
    HDC screen = GetWindowDC(nullptr);
    if (!screen)
        return false;
    const int lines = GetDIBits(screen, bitmap, 0, static_cast<UINT>(description.bmHeight), m_copy.data(), &info,
                                DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (lines != description.bmHeight)
        return false;
    m_view.top = m_copy.data();
    m_view.step = description.bmWidth;
    m_view.width = description.bmWidth;
    m_view.height = description.bmHeight;
    return true;
}

bool CFramePixels::Scale(const uint8_t* rows, int32_t sourceWidth, int32_t sourceHeight, int32_t width,
                         int32_t height)
{
    if (width <= 0 || height <= 0)
        return false;
    m_copy.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    // Bottom-up like the source, so the rows correspond as they are.
    if (!ScalePixels32(rows, sourceWidth, sourceHeight, static_cast<size_t>(sourceWidth) * 4,
                       reinterpret_cast<uint8_t*>(m_copy.data()), width, height, static_cast<size_t>(width) * 4))
        return false;
    Borrow(reinterpret_cast<const uint8_t*>(m_copy.data()), width, height);
    return true;
}
