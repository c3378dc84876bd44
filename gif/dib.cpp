#include "dib.h"

#include <cstring>

namespace {

uint32_t GetLe32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void PutLe32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace

DibInfo ReadDibInfo(const uint8_t* dib)
{
    DibInfo info;
    info.headerSize = GetLe32(dib);
    info.width = static_cast<int32_t>(GetLe32(dib + 4));
    info.height = static_cast<int32_t>(GetLe32(dib + 8));
    info.planes = static_cast<uint16_t>(dib[12] | (dib[13] << 8));
    info.bitsPerPixel = static_cast<uint16_t>(dib[14] | (dib[15] << 8));
    return info;
}

void WriteDibHeader(uint8_t* dib, int32_t width, int32_t height, uint16_t bitsPerPixel)
{
    std::memset(dib, 0, kDibHeaderSize);
    PutLe32(dib, kDibHeaderSize);
    PutLe32(dib + 4, static_cast<uint32_t>(width));
    PutLe32(dib + 8, static_cast<uint32_t>(height));
    dib[12] = 1;
    dib[14] = static_cast<uint8_t>(bitsPerPixel);
    dib[15] = static_cast<uint8_t>(bitsPerPixel >> 8);
    // The image size field as the Windows copy fills it; nothing reads it back.
    const uint64_t imageSize = static_cast<uint64_t>((static_cast<int64_t>(width) + 7) / 8) *
                               static_cast<uint64_t>(height) * bitsPerPixel;
    PutLe32(dib + 20, static_cast<uint32_t>(imageSize));
}

bool IsSupportedDibDepth(uint16_t bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 1: case 4: case 8: case 15: case 16: case 24: case 32:
        return true;
    default:
        return false;
    }
}

uint32_t DibColourTableEntries(uint16_t bitsPerPixel)
{
    // Only the palette depths carry a table; 15 and 16 bits are direct 5-5-5 colour.
    return bitsPerPixel <= 8 ? (1u << bitsPerPixel) : 0;
}

uint64_t DibStride(int32_t width, uint16_t bitsPerPixel)
{
    return (static_cast<uint64_t>(bitsPerPixel) * static_cast<uint64_t>(width) + 31) / 32 * 4;
}

uint64_t PackedDibSize(int32_t width, int32_t height, uint16_t bitsPerPixel)
{
    if (width <= 0 || height <= 0 || width > kMaxFrameSide || height > kMaxFrameSide ||
        !IsSupportedDibDepth(bitsPerPixel))
        return 0;
    return kDibHeaderSize + 4ull * DibColourTableEntries(bitsPerPixel) +
           DibStride(width, bitsPerPixel) * static_cast<uint64_t>(height);
}
