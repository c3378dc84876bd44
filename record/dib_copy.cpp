#include "record/dib_copy.h"

#include <cstring>
#include <new>

uint32_t DibImageSize(int32_t width, int32_t height, int bitsPerPixel)
{
    if (width <= 0 || height <= 0 || bitsPerPixel <= 0)
        return 0;
    const uint64_t rowBytes = ((static_cast<uint64_t>(width) * bitsPerPixel + 31) / 32) * 4;
    const uint64_t size = rowBytes * static_cast<uint64_t>(height);
    return size > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(size);
}

uint8_t* CopyBitmapDib(HDC dc, HBITMAP bitmap, uint32_t* byteCount, BITMAPINFO* info)
{
    BITMAP description = {};
    if (!bitmap || GetObjectW(bitmap, sizeof description, &description) != sizeof description)
        return nullptr;
    const int bits = description.bmBitsPixel;
    // 8 bits or fewer would need a colour table, which a single-entry BITMAPINFO cannot hold.
    if (bits != 16 && bits != 24 && bits != 32)
        return nullptr;
    const uint32_t size = DibImageSize(description.bmWidth, description.bmHeight, bits);
    if (size == 0 || size == 0xFFFFFFFFu)
        return nullptr;

    BITMAPINFO header = {};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = description.bmWidth;
    header.bmiHeader.biHeight = description.bmHeight;  // positive: rows bottom-up
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = static_cast<WORD>(bits);
    header.bmiHeader.biCompression = BI_RGB;
    header.bmiHeader.biSizeImage = size;

    uint8_t* pixels = new (std::nothrow) uint8_t[size];
    if (!pixels)
        return nullptr;
    std::memset(pixels, 0, size);
    // GetDIBits may rewrite the header it is given; hand it a copy so the caller gets the
    // header as described above.
    BITMAPINFO scratch = header;
    if (GetDIBits(dc, bitmap, 0, static_cast<UINT>(description.bmHeight), pixels, &scratch,
                  DIB_RGB_COLORS) == 0) {
        delete[] pixels;
        return nullptr;
    }
    *byteCount = size;
    info->bmiHeader = header.bmiHeader;
    return pixels;
}
