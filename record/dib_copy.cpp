#include "record/dib_copy.h"

#include <cstring>
#include <new>

bool DescribeBitmapDib(HBITMAP bitmap, BITMAPINFOHEADER* header)
{
    BITMAP description = {};
    if (!bitmap || GetObjectW(bitmap, sizeof description, &description) != sizeof description)
        return false;
    const int bits = description.bmBitsPixel;
    // 8 bits or fewer would need a colour table, which a single-entry BITMAPINFO cannot hold.
    if (bits != 16 && bits != 24 && bits != 32)
        return false;
    const uint32_t size = DibImageSize(description.bmWidth, description.bmHeight, bits);
    if (size == 0 || size == 0xFFFFFFFFu)
        return false;
    *header = BITMAPINFOHEADER{};
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = description.bmWidth;
    header->biHeight = description.bmHeight;  // positive: rows bottom-up
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(bits);
    header->biCompression = BI_RGB;
    header->biSizeImage = size;
    return true;
}

bool CopyBitmapRows(HDC dc, HBITMAP bitmap, const BITMAPINFOHEADER& header, void* pixels)
{
    // GetDIBits may rewrite the header it is given: it gets a copy.
    BITMAPINFO scratch = {};
    scratch.bmiHeader = header;
    return GetDIBits(dc, bitmap, 0, static_cast<UINT>(header.biHeight), pixels, &scratch,
                     DIB_RGB_COLORS) != 0;
}

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
    BITMAPINFOHEADER header;
    if (!DescribeBitmapDib(bitmap, &header))
        return nullptr;
    uint8_t* pixels = new (std::nothrow) uint8_t[header.biSizeImage];
    if (!pixels)
        return nullptr;
    std::memset(pixels, 0, header.biSizeImage);
    if (!CopyBitmapRows(dc, bitmap, header, pixels)) {
        delete[] pixels;
        return nullptr;
    }
    *byteCount = header.biSizeImage;
    info->bmiHeader = header;
    return pixels;
}
