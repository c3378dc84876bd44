#include "record/bitmap_to_frame.h"

#include <cstring>
#include <memory>
#include <new>

#include "gif/dib.h"
#include "gif/indexed_frame.h"
#include "win/dc.h"

namespace {

// Copies every row of the bitmap into the packed copy through the screen's device context,
// which is held only for the copy.
bool CopyBits(HBITMAP bitmap, uint8_t* dib, uint32_t tableEntries, int32_t height)
{
    CWindowDC screen(nullptr);
    if (!screen)
        return false;
    uint8_t* rows = dib + kDibHeaderSize + 4 * tableEntries;
    const int lines = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), rows,
                                reinterpret_cast<BITMAPINFO*>(dib), DIB_RGB_COLORS);
    return lines != 0;
}

}  // namespace

bool CopyBitmapPacked(HBITMAP bitmap, std::vector<uint8_t>* dib)
{
    if (!bitmap)
        return false;
    BITMAP description = {};
    if (GetObjectW(bitmap, sizeof description, &description) == 0)
        return false;
    const uint16_t bits = description.bmBitsPixel;
    const uint64_t size = PackedDibSize(description.bmWidth, description.bmHeight, bits);
    if (size == 0 || size > static_cast<uint64_t>(static_cast<size_t>(-1)))
        return false;
    try {
        dib->assign(static_cast<size_t>(size), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    uint8_t* packed = dib->data();
    WriteDibHeader(packed, description.bmWidth, description.bmHeight, bits);
    packed[12] = static_cast<uint8_t>(description.bmPlanes);
    packed[13] = static_cast<uint8_t>(description.bmPlanes >> 8);
    return CopyBits(bitmap, packed, DibColourTableEntries(bits), description.bmHeight);
}

bool BuildImageFromBitmap(HBITMAP bitmap, GifImage* image, int useNearestColour, CFrameWorkspace* workspace)
{
    if (!image)
        return false;
    std::vector<uint8_t> dib;
    if (!CopyBitmapPacked(bitmap, &dib))
        return false;
    return BuildIndexedFrameFromDib(dib.data(), dib.size(), image, useNearestColour, workspace);
}

int BuildIndexedFrame(HBITMAP bitmap, uint8_t** palette, uint8_t** indices, uint8_t* bitsPerIndex,
                      int32_t* width, int32_t* height, int useNearestColour,
                      CFrameWorkspace* workspace)
{
    if (!palette || !indices || !bitsPerIndex || !width || !height)
        return 0;
    GifImage image;
    if (!BuildImageFromBitmap(bitmap, &image, useNearestColour, workspace))
        return 0;
    // The buffers are owned until handed over, so nothing leaks when the second one fails.
    std::unique_ptr<uint8_t[]> paletteCopy(new (std::nothrow) uint8_t[image.palette.size()]);
    std::unique_ptr<uint8_t[]> indicesCopy(new (std::nothrow) uint8_t[image.indices.size()]);
    if (!paletteCopy || !indicesCopy)
        return 0;
    std::memcpy(paletteCopy.get(), image.palette.data(), image.palette.size());
    std::memcpy(indicesCopy.get(), image.indices.data(), image.indices.size());
    *palette = paletteCopy.release();
    *indices = indicesCopy.release();
    *bitsPerIndex = image.tableBits;
    *width = image.rect.width;
    *height = image.rect.height;
    return 1;
}
