#pragma once
#include <windows.h>

#include <cstdint>

// Bytes of a device-independent copy of a width x height image at bitsPerPixel: rows padded
// to whole 32-bit words. 0 for an empty size; saturates instead of wrapping for huge ones.
uint32_t DibImageSize(int32_t width, int32_t height, int bitsPerPixel);

// The header of a device-independent copy of `bitmap` (16, 24 or 32 bits per pixel; bottom-up,
// biSizeImage set); false when it cannot have one.
bool DescribeBitmapDib(HBITMAP bitmap, BITMAPINFOHEADER* header);
// Copies the rows `header` describes into `pixels` (biSizeImage bytes); false on failure.
bool CopyBitmapRows(HDC dc, HBITMAP bitmap, const BITMAPINFOHEADER& header, void* pixels);

// A device-independent copy of `bitmap` (16, 24 or 32 bits per pixel): bottom-up rows in the
// bitmap's own depth. Returns a buffer made with array new that the caller owns and fills
// *byteCount and info->bmiHeader; null (outputs untouched) when the bitmap is empty, has a
// depth that would need a colour table, or the memory or the copy cannot be had.
uint8_t* CopyBitmapDib(HDC dc, HBITMAP bitmap, uint32_t* byteCount, BITMAPINFO* info);
