#pragma once
// The program declares itself DPI-aware, so Windows draws it unscaled: every size in pixels that
// it sets itself is designed at 96 DPI and goes through here to the DPI of its window.
#include <windows.h>

constexpr int kDesignDpi = 96;

// The DPI of the monitor the window is on; the system's for a null window or a system that
// cannot tell per window.
int WindowDpi(HWND window);

// A length of `designPixels` at 96 DPI, at `dpi`, rounded to the nearest pixel.
inline int ScaleToDpi(int designPixels, int dpi)
{
    return ::MulDiv(designPixels, dpi, kDesignDpi);
}

// Hairlines grow by whole pixels only, so that they stay crisp at 120 and 144 DPI.
inline int LineWidthForDpi(int dpi)
{
    return dpi >= 2 * kDesignDpi ? dpi / kDesignDpi : 1;
}

// A halftoned copy of `bitmap` at width x height, owned by the caller; null on failure.
HBITMAP StretchedBitmap(HBITMAP bitmap, int width, int height);

// Copies `bitmap` whole into dc's rectangle, halftoned when the sizes differ.
void DrawBitmapInto(HDC dc, const RECT& target, HBITMAP bitmap);
