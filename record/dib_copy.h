#pragma once
#include <windows.h>

#include <cstdint>

// Bytes of a device-independent copy of a width x height image at bitsPerPixel: rows padded
// to whole 32-bit words. 0 for an empty size; saturates instead of wrapping for huge ones.
uint32_t DibImageSize(int32_t width, int32_t height, int bitsPerPixel);

// A device-independent copy of `bitmap` (16, 24 or 32 bits per pixel): bottom-up rows in the
// bitmap's own depth. Returns a buffer made with array new that the caller owns and fills
// *byteCount and info->bmiHeader; null (outputs untouched) when the bitmap is empty, has a
// depth that would need a colour table, or the memory or the copy cannot be had.
uint8_t* CopyBitmapDib(HDC dc, HBITMAP bitmap, uint32_t* byteCount, BITMAPINFO* info);

// The same copy behind its 40-byte header in one buffer (array new, the caller's), as the frame
// builder reads it; *header gets that header. Null, with nothing set, where CopyBitmapDib gives
// null.
uint8_t* CopyBitmapPacked(HDC dc, HBITMAP bitmap, BITMAPINFOHEADER* header);
