// The Windows entry must give exactly what the portable builder gives for the same pixels.
#include "record/bitmap_to_frame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gif/dib.h"
#include "test_frames.h"

namespace {

struct DibSection {
    HBITMAP handle = nullptr;
    uint8_t* bits = nullptr;
    DibSection(int32_t width, int32_t height, uint16_t depth, const std::vector<Rgb>& table)
    {
        std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 4 * 256, 0);
        auto header = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
        header->biSize = sizeof(BITMAPINFOHEADER);
        header->biWidth = width;
        header->biHeight = height;
        header->biPlanes = 1;
        header->biBitCount = depth;
        header->biCompression = BI_RGB;
        for (size_t i = 0; i < table.size(); ++i) {
            auto q = reinterpret_cast<RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER)) + i;
            q->rgbRed = table[i].red;
            q->rgbGreen = table[i].green;
            q->rgbBlue = table[i].blue;
        }
        void* pixels = nullptr;
        handle = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS,
                                  &pixels, nullptr, 0);
        bits = static_cast<uint8_t*>(pixels);
    }
    ~DibSection()
    {
        if (handle)
            DeleteObject(handle);
    }
    DibSection(const DibSection&) = delete;
    DibSection& operator=(const DibSection&) = delete;
};

BuiltFrame BuildFromHandle(HBITMAP bitmap, int nearest = 1)
{
    BuiltFrame f;
    uint8_t* palette = nullptr;
    uint8_t* indices = nullptr;
    f.bitsPerIndex = 8;
    f.result = BuildIndexedFrame(bitmap, &palette, &indices, &f.bitsPerIndex, &f.width, &f.height, nearest);
    if (f.result) {
        f.palette.assign(palette, palette + (3u << f.bitsPerIndex));
        f.indices.assign(indices, indices + static_cast<size_t>(f.width) * f.height);
        delete[] palette;
        delete[] indices;
    }
    return f;
}

void ExpectSame(const BuiltFrame& a, const BuiltFrame& b)
{
    ASSERT_EQ(a.result, 1);
    ASSERT_EQ(b.result, 1);
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    EXPECT_EQ(a.bitsPerIndex, b.bitsPerIndex);
    EXPECT_EQ(a.palette, b.palette);
    EXPECT_TRUE(a.indices == b.indices);
}

TEST(BitmapToFrame, DirectColourSectionsMatchThePortableBuilder)
{
    const int sizes[][2] = {{1, 1}, {7, 3}, {257, 5}, {320, 180}};
    for (uint16_t depth : {32, 24}) {
        uint32_t seed = depth;
        for (const auto& s : sizes) {
            for (bool noise : {true, false}) {
                const std::vector<Rgb> px = noise ? NoisePixels(s[0], s[1], ++seed)
                                                  : ScreenLikePixels(s[0], s[1], ++seed);
                const std::vector<uint8_t> dib = MakeDib(s[0], s[1], px, depth);
                DibSection section(s[0], s[1], depth, {});
                ASSERT_NE(section.handle, nullptr);
                std::memcpy(section.bits, dib.data() + kDibHeaderSize, dib.size() - kDibHeaderSize);
                ExpectSame(BuildFromHandle(section.handle), Build(dib));
                ExpectSame(BuildFromHandle(section.handle, 0), Build(dib, 0));
            }
        }
    }
}

TEST(BitmapToFrame, PaletteSectionKeepsItsTable)
{
    std::vector<Rgb> table;
    for (int i = 0; i < 256; ++i)
        table.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 5)});
    std::vector<uint8_t> values(33 * 9);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<uint8_t>(i * 11);
    const std::vector<uint8_t> dib = MakePaletteDib(33, 9, values, table, 8);
    DibSection section(33, 9, 8, table);
    ASSERT_NE(section.handle, nullptr);
    std::memcpy(section.bits, dib.data() + kDibHeaderSize + 1024, dib.size() - kDibHeaderSize - 1024);
    const BuiltFrame f = BuildFromHandle(section.handle);
    ExpectSame(f, Build(dib));
    EXPECT_EQ(f.indices, values);
    EXPECT_EQ(f.bitsPerIndex, 8);
}

TEST(BitmapToFrame, RefusesBadInput)
{
    uint8_t* palette = reinterpret_cast<uint8_t*>(1);
    uint8_t* indices = reinterpret_cast<uint8_t*>(1);
    uint8_t bits = 8;
    int32_t w = -7, h = -7;
    EXPECT_EQ(BuildIndexedFrame(nullptr, &palette, &indices, &bits, &w, &h, 1), 0);
    HBITMAP gone = CreateBitmap(4, 4, 1, 32, nullptr);
    ASSERT_NE(gone, nullptr);
    DeleteObject(gone);
    EXPECT_EQ(BuildIndexedFrame(gone, &palette, &indices, &bits, &w, &h, 1), 0);
    // Not a bitmap at all.
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    EXPECT_EQ(BuildIndexedFrame(reinterpret_cast<HBITMAP>(brush), &palette, &indices, &bits, &w, &h, 1), 0);
    DeleteObject(brush);
    EXPECT_EQ(palette, reinterpret_cast<uint8_t*>(1));
    EXPECT_EQ(indices, reinterpret_cast<uint8_t*>(1));
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(w, -7);
    EXPECT_EQ(h, -7);
}

}  // namespace
