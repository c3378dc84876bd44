#include "reference_builder.h"

#include <cstring>
#include <memory>
#include <vector>

#include "gif/dib.h"
#include "reference_octree.h"

namespace reference {
namespace {

inline int Expand5(int q)
{
    return (q * 32 * 16846) >> 16;
}

// One channel step: the level picked and the error carried on.
inline int DitherChannel(int value, int16_t& error)
{
    const int16_t wanted = static_cast<int16_t>(value + error);
    const int clamped = wanted < 0 ? 0 : (wanted > 255 ? 255 : wanted);
    const int level = clamped >> 3;
    error = static_cast<int16_t>(wanted - Expand5(level));
    return level;
}

}  // namespace

void DitherRowTo15Bit(const uint8_t* pixels, int32_t width, uint16_t* out)
{
    int16_t errBlue = 0, errGreen = 0, errRed = 0;
    for (int32_t x = 0; x < width; ++x) {
        const uint8_t* p = pixels + 4 * x;
        const int blue = DitherChannel(p[0], errBlue);
        const int green = DitherChannel(p[1], errGreen);
        const int red = DitherChannel(p[2], errRed);
        out[x] = static_cast<uint16_t>(blue | green << 5 | red << 10);
    }
}

void Expand15BitPixels(const uint16_t* values, int32_t width, uint8_t* pixels)
{
    for (int32_t x = 0; x < width; ++x) {
        const uint16_t v = values[x];
        uint8_t* p = pixels + 4 * x;
        p[0] = static_cast<uint8_t>((v & 0x1F) * 8);
        p[1] = static_cast<uint8_t>(((v >> 5) & 0x1F) * 8);
        p[2] = static_cast<uint8_t>(((v >> 10) & 0x1F) * 8);
    }
}


uint8_t BitsPerIndexFor(uint32_t colourCount)
{
    uint8_t bits = 3;
    while (bits < 8 && colourCount > (1u << bits))
        ++bits;
    return bits;
}

uint8_t NearestPaletteIndex(const uint8_t* rgbQuads, uint32_t count, uint8_t red, uint8_t green,
                            uint8_t blue)
{
    int best = 999999999;
    uint8_t answer = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* q = rgbQuads + 4 * i;
        const int dr = q[2] - red, dg = q[1] - green, db = q[0] - blue;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < best) {
            best = distance;
            answer = static_cast<uint8_t>(i);
            if (distance == 0)
                break;
        }
    }
    return answer;
}

namespace {

void ReduceTo15Bit(uint8_t* rows, const DibInfo& info, uint64_t stride)
{
    std::vector<uint16_t> values(static_cast<size_t>(info.width));
    for (int32_t y = 0; y < info.height; ++y) {
        uint8_t* row = rows + stride * static_cast<uint64_t>(y);
        DitherRowTo15Bit(row, info.width, values.data());
        Expand15BitPixels(values.data(), info.width, row);
    }
}

// Maps every pixel, top row (stored last) first.
void MapPixels(const uint8_t* rows, const DibInfo& info, uint64_t stride,
               const CPaletteOctree& tree, const uint8_t* quads, uint32_t colours,
               bool nearest, uint8_t* indices)
{
    uint8_t* out = indices;
    for (int32_t y = info.height - 1; y >= 0; --y) {
        const uint8_t* row = rows + stride * static_cast<uint64_t>(y);
        for (int32_t x = 0; x < info.width; ++x) {
            uint8_t index = 0;
            switch (info.bitsPerPixel) {
            case 1:
                index = (row[x / 8] >> (7 - x % 8)) & 1;
                break;
            case 4:
                index = (x % 2 == 0) ? row[x / 2] >> 4 : row[x / 2] & 0x0F;
                break;
            case 8:
                index = row[x];
                break;
            case 15:
            case 16: {
                const uint8_t b0 = row[2 * x], b1 = row[2 * x + 1];
                tree.LookupIndex(static_cast<uint8_t>(((b1 >> 2) & 0x1F) * 8),
                                 static_cast<uint8_t>(((b0 >> 5) + ((b1 & 3) << 3)) * 8),
                                 static_cast<uint8_t>((b0 & 0x1F) * 8), &index);
                break;
            }
            case 24: {
                const uint8_t* p = row + 3 * x;
                if (nearest)
                    index = NearestPaletteIndex(quads, colours, p[2], p[1], p[0]);
                else
                    tree.LookupIndex(p[2], p[1], p[0], &index);
                break;
            }
            default: {
                const uint8_t* p = row + 4 * x;
                tree.LookupIndex(p[2], p[1], p[0], &index);
                break;
            }
            }
            *out++ = index;
        }
    }
}

}  // namespace

int BuildIndexedFrameFromDib(uint8_t* dib, size_t dibSize, uint8_t** palette, uint8_t** indices,
                             uint8_t* bitsPerIndex, int32_t* width, int32_t* height,
                             int useNearestColour)
{
    if (!dib || dibSize < kDibHeaderSize)
        return 0;
    DibInfo info = ReadDibInfo(dib);
    const uint64_t needed = PackedDibSize(info.width, info.height, info.bitsPerPixel);
    if (needed == 0 || needed > dibSize)
        return 0;

    const uint32_t tableEntries = DibColourTableEntries(info.bitsPerPixel);
    const uint64_t stride = DibStride(info.width, info.bitsPerPixel);
    info.headerSize = kDibHeaderSize + 4 * tableEntries;
    dib[0] = static_cast<uint8_t>(info.headerSize);
    dib[1] = static_cast<uint8_t>(info.headerSize >> 8);
    dib[2] = static_cast<uint8_t>(info.headerSize >> 16);
    dib[3] = 0;
    uint8_t* rows = dib + info.headerSize;

    if (info.bitsPerPixel == 32)
        ReduceTo15Bit(rows, info, stride);

    const size_t pixelCount = static_cast<size_t>(info.width) * static_cast<size_t>(info.height);
    std::unique_ptr<uint8_t[]> indexBuffer(new uint8_t[pixelCount]);

    uint32_t colours;
    std::vector<uint8_t> quads;
    if (tableEntries != 0) {
        // Palette bitmaps keep their own table and pixel values.
        colours = tableEntries;
        quads.assign(dib + kDibHeaderSize, dib + kDibHeaderSize + 4 * tableEntries);
        MapPixels(rows, info, stride, CPaletteOctree(256, 8), quads.data(), colours, false,
                  indexBuffer.get());
    } else {
        CPaletteOctree tree(256, 8);
        tree.FeedDib(dib);
        colours = tree.LeafCount();
        quads.resize(4 * static_cast<size_t>(colours));
        tree.FillPalette(quads.data());
        MapPixels(rows, info, stride, tree, quads.data(), colours, useNearestColour != 0,
                  indexBuffer.get());
    }

    const uint8_t bits = BitsPerIndexFor(colours);
    const size_t paletteSize = 3u << bits;
    uint8_t* rgb = new uint8_t[paletteSize]();
    for (uint32_t i = 0; i < colours; ++i) {
        rgb[3 * i] = quads[4 * i + 2];
        rgb[3 * i + 1] = quads[4 * i + 1];
        rgb[3 * i + 2] = quads[4 * i];
    }
    *palette = rgb;
    *indices = indexBuffer.release();
    *bitsPerIndex = bits;
    *width = info.width;
    *height = info.height;
    return 1;
}

}  // namespace reference
