#include "indexed_frame.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "dib.h"
#include "dither15.h"
#include "palette_octree.h"
#include "frame_workspace.h"
#include "nearest_colour.h"

void Map15BitPixels(CPaletteOctree& tree, const uint16_t* values, int32_t width, int32_t height,
                    uint8_t* indices)
{
    // Every value was inserted, so the table knows them all.
    uint8_t table[32768];
    tree.FillIndexTable15(table);
    uint8_t* out = indices;
    for (int32_t y = height - 1; y >= 0; --y) {
        const uint16_t* row = values + static_cast<uint64_t>(width) * static_cast<uint64_t>(y);
        int32_t x = 0;
        // Four values per load and four indices per store: the loads and stores, not the
        // look-ups, bound this loop. The first value is the low 16 bits on the x86 targets.
        static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "values are unpacked little-endian");
        for (; x + 4 <= width; x += 4) {
            uint64_t four;
            std::memcpy(&four, row + x, 8);
            const uint32_t packed = table[four & 0x7FFF] | table[(four >> 16) & 0x7FFF] << 8 |
                                    table[(four >> 32) & 0x7FFF] << 16 |
                                    static_cast<uint32_t>(table[(four >> 48) & 0x7FFF]) << 24;
            std::memcpy(out + x, &packed, 4);
        }
        for (; x < width; ++x)
            out[x] = table[row[x] & 0x7FFF];
        out += width;
    }
}

namespace {

// Palette bitmaps: each pixel's own value, top row (stored last) first.
void MapPaletteValues(const uint8_t* rows, const DibInfo& info, uint64_t stride, uint8_t* out)
{
    for (int32_t y = info.height - 1; y >= 0; --y) {
        const uint8_t* row = rows + stride * static_cast<uint64_t>(y);
        if (info.bitsPerPixel == 8) {
            std::memcpy(out, row, static_cast<size_t>(info.width));
            out += info.width;
            continue;
        }
        for (int32_t x = 0; x < info.width; ++x)
            *out++ = info.bitsPerPixel == 1 ? (row[x / 8] >> (7 - x % 8)) & 1
                                            : ((x % 2 == 0) ? row[x / 2] >> 4 : row[x / 2] & 0x0F);
    }
}

// Remembers the nearest entry of recently seen 24-bit colours: the search runs once per colour
// instead of once per pixel.
class CNearestCache {
public:
    CNearestCache(const uint32_t* colours, uint32_t count) : keys(new uint32_t[kSize]), answers(new uint8_t[kSize])
    {
        nearest.SetPalette(colours, count);
        std::memset(keys.get(), 0xFF, kSize * sizeof(uint32_t));
    }
    uint8_t Find(uint8_t red, uint8_t green, uint8_t blue)
    {
        const uint32_t key = static_cast<uint32_t>(red) << 16 | green << 8 | blue;
        const uint32_t slot = (key * 2654435761u) >> (32 - kBits);
        if (keys[slot] != key) {
            keys[slot] = key;
            answers[slot] = nearest.Find(key);
        }
        return answers[slot];
    }

private:
    static constexpr int kBits = 16;
    static constexpr uint32_t kSize = 1u << kBits;
    CNearestColour nearest;
    std::unique_ptr<uint32_t[]> keys;     // 0xFFFFFFFF: empty (no 24-bit colour has it)
    std::unique_ptr<uint8_t[]> answers;
};

void Map24BitPixels(CPaletteOctree& tree, const uint8_t* rows, const DibInfo& info, uint64_t stride,
                    const uint32_t* colours, uint32_t count, bool nearest, uint8_t* out)
{
    std::unique_ptr<CNearestCache> cache;
    if (nearest)
        cache.reset(new CNearestCache(colours, count));
    for (int32_t y = info.height - 1; y >= 0; --y) {
        const uint8_t* row = rows + stride * static_cast<uint64_t>(y);
        for (int32_t x = 0; x < info.width; ++x) {
            const uint8_t* p = row + 3 * x;
            uint8_t index = 0;
            if (nearest)
                index = cache->Find(p[2], p[1], p[0]);
            else
                tree.LookupIndex(p[2], p[1], p[0], &index);
            *out++ = index;
        }
    }
}

// The 15-bit values of a 15/16-bit bitmap, rows in storage order: the low 15 bits of each
// little-endian pixel are its 5-5-5 colour.
void Read15BitValues(const uint8_t* rows, const DibInfo& info, uint64_t stride, uint16_t* values)
{
    for (int32_t y = 0; y < info.height; ++y) {
        const uint8_t* row = rows + stride * static_cast<uint64_t>(y);
        for (int32_t x = 0; x < info.width; ++x)
            *values++ = static_cast<uint16_t>((row[2 * x] | row[2 * x + 1] << 8) & 0x7FFF);
    }
}

// The octree's palette, blue, green, red, 0 per entry, as colours 0x00RRGGBB.
void ColoursOf(const std::vector<uint8_t>& quads, uint32_t count, std::vector<uint32_t>& colours)
{
    colours.resize(count);
    for (uint32_t i = 0; i < count; ++i)
        colours[i] = static_cast<uint32_t>(quads[4 * i + 2]) << 16 | quads[4 * i + 1] << 8 | quads[4 * i];
}

bool BuildFrame(uint8_t* dib, size_t dibSize, GifImage* image, int useNearestColour, CFrameWorkspace& workspace)
{
    if (!dib || dibSize < kDibHeaderSize || !image)
        return false;
    DibInfo info = ReadDibInfo(dib);
    const uint64_t needed = PackedDibSize(info.width, info.height, info.bitsPerPixel);
    if (needed == 0 || needed > dibSize)
        return false;

    const uint32_t tableEntries = DibColourTableEntries(info.bitsPerPixel);
    const uint64_t stride = DibStride(info.width, info.bitsPerPixel);
    // The quantizer finds the rows right after the colour table.
    info.headerSize = kDibHeaderSize + 4 * tableEntries;
    dib[0] = static_cast<uint8_t>(info.headerSize);
    dib[1] = static_cast<uint8_t>(info.headerSize >> 8);
    dib[2] = 0;
    dib[3] = 0;
    const uint8_t* rows = dib + info.headerSize;

    const size_t pixelCount = static_cast<size_t>(info.width) * static_cast<size_t>(info.height);
    GifImage built;
    built.rect = ImageRect{0, 0, info.width, info.height};
    built.indices.resize(pixelCount);
    uint32_t count;
    std::vector<uint8_t> quads;
    std::vector<uint32_t> colours;
    if (tableEntries != 0) {
        // Palette bitmaps keep their own table and pixel values.
        count = tableEntries;
        quads.assign(dib + kDibHeaderSize, dib + kDibHeaderSize + 4 * tableEntries);
        ColoursOf(quads, count, colours);
        MapPaletteValues(rows, info, stride, built.indices.data());
    } else if (info.bitsPerPixel == 24) {
        CPaletteOctree tree(256, 8);
        tree.FeedDib(dib);
        count = tree.LeafCount();
        quads.resize(4 * static_cast<size_t>(count));
        tree.FillPalette(quads.data());
        ColoursOf(quads, count, colours);
        Map24BitPixels(tree, rows, info, stride, colours.data(), count, useNearestColour != 0,
                       built.indices.data());
    } else {
        // 32 bits: dithered to 15-bit colour first; 15 and 16 bits: already 15-bit colour.
        uint16_t* values = workspace.Values(pixelCount);
        if (info.bitsPerPixel == 32)
            DitherRowsTo15Bit(rows, info.width, info.height, stride, values);
        else
            Read15BitValues(rows, info, stride, values);
        CPaletteOctree tree(256, 8);
        tree.Feed15BitPixels(values, pixelCount);
        count = tree.LeafCount();
        quads.resize(4 * static_cast<size_t>(count));
        tree.FillPalette(quads.data());
        ColoursOf(quads, count, colours);
        Map15BitPixels(tree, values, info.width, info.height, built.indices.data());
    }
    SetColourTable(built, colours.data(), count, count, 3);
    *image = std::move(built);
    return true;
}

}  // namespace

bool BuildIndexedFrameFromDib(uint8_t* dib, size_t dibSize, GifImage* image, int useNearestColour,
                              CFrameWorkspace* workspace)
{
    // A frame too big for the memory left is refused like any other.
    try {
        if (workspace)
            return BuildFrame(dib, dibSize, image, useNearestColour, *workspace);
        CFrameWorkspace own;
        return BuildFrame(dib, dibSize, image, useNearestColour, own);
    } catch (const std::bad_alloc&) {
        return false;
    }
}
