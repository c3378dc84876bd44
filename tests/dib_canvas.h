#pragma once
// A memory DC over a 32-bit top-down DIB section, so tests can read back what was drawn, or
// write the pixels of a picture directly.
#include <windows.h>

#include <cstdint>

#include "win/dc.h"
#include "win/gdi_object.h"

// The header of 32-bit rows, top row first: what the tests draw from and read back into.
inline BITMAPINFO TopDownInfo32(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

class CDibCanvas {
public:
    CDibCanvas(int width, int height)
        : m_width(width), m_height(height), m_bitmap(CreateSection(width, height, &m_bits)),
          m_select(MemoryDC(m_dc), m_bitmap)
    {
    }

    HDC Dc() const { return m_dc; }
    // Rows of 0x00RRGGBB values, top row first; null when the section could not be made.
    uint32_t* Bits() const { return m_bits; }
    COLORREF Pixel(int x, int y) const
    {
        ::GdiFlush();
        const uint32_t p = m_bits[static_cast<size_t>(y) * m_width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    void Fill(COLORREF colour) const
    {
        const CBrush brush(colour);
        RECT all{0, 0, m_width, m_height};
        ::FillRect(m_dc, &all, brush);
    }
    int CountOf(COLORREF colour) const
    {
        int n = 0;
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                n += Pixel(x, y) == colour;
        return n;
    }

private:
    static HBITMAP CreateSection(int width, int height, uint32_t** bits)
    {
        const BITMAPINFO info = TopDownInfo32(width, height);
        return ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(bits), nullptr, 0);
    }
    static HDC MemoryDC(CDC& dc)
    {
        dc.CreateCompatibleDC(nullptr);
        return dc;
    }

    int m_width;
    int m_height;
    uint32_t* m_bits = nullptr;
    CDC m_dc;
    CBitmap m_bitmap;
    CSelectGuard m_select;  // last: the section is deselected before it and the DC are deleted
};
