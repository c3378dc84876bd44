#include "gif/indexed_frame.h"
#include "gif/nearest_colour.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "gif/dib.h"
#include "gif/dither15.h"
#include "test_frames.h"

namespace {

Rgb Entry(const BuiltFrame& f, uint8_t index)
{
    return {f.palette[3 * index], f.palette[3 * index + 1], f.palette[3 * index + 2]};
}

int UsedEntries(const BuiltFrame& f)
{
    std::set<uint8_t> used(f.indices.begin(), f.indices.end());
    return static_cast<int>(used.size());
}

TEST(Dither, WhiteRowCarriesItsErrorIntoFollowingDarkPixels)
{
    std::vector<uint8_t> row(4 * 306, 0);
    for (int x = 0; x < 300; ++x)
        row[4 * x] = row[4 * x + 1] = row[4 * x + 2] = 255;
    std::vector<uint16_t> out(306);
    DitherRowTo15Bit(row.data(), 306, out.data());
    EXPECT_EQ(out[0], 0x7FFF);
    EXPECT_EQ(out[299], 0x7FFF);
    const int expectedBlue[] = {31, 5, 0, 0, 0, 0};  // 248, 40, 0, 0 once expanded
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(out[300 + i] & 0x1F, expectedBlue[i]) << i;

    // Expanded levels: 0, 8, ... 41 ... 254.
    EXPECT_EQ(Expand5(5), 41);
    EXPECT_EQ(Expand5(31), 254);

    // A wanted value past 16 bits wraps rather than saturating: 33000 white pixels push the
    // error beyond 32767, so it turns negative and the level drops to 0.
    std::vector<uint8_t> wide(4 * 33100, 255);
    std::vector<uint16_t> wideOut(33100);
    DitherRowTo15Bit(wide.data(), 33100, wideOut.data());
    int zeros = 0;
    for (uint16_t v : wideOut)
        zeros += (v & 0x1F) == 0;
    EXPECT_GT(zeros, 0);
}

TEST(IndexedFrame, UniformFrameDithersIntoFiveColours)
{
    BuiltFrame f = Build(MakeDib(16, 3, std::vector<Rgb>(48, Rgb{100, 150, 200})));
    ASSERT_EQ(f.result, 1);
    EXPECT_EQ(f.bitsPerIndex, 3);
    ASSERT_EQ(f.palette.size(), 24u);
    EXPECT_EQ(UsedEntries(f), 5);
    for (uint8_t i = 0; i < 5; ++i) {
        const Rgb c = Entry(f, i);
        EXPECT_TRUE(c.red == 96 || c.red == 104) << int(c.red);
        EXPECT_TRUE(c.green == 144 || c.green == 152) << int(c.green);
        EXPECT_TRUE(c.blue == 192 || c.blue == 200) << int(c.blue);
    }
    for (size_t i = 15; i < 24; ++i)
        EXPECT_EQ(f.palette[i], 0);
    // Rows do not influence each other.
    for (int y = 1; y < 3; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(f.indices[16 * y + x], f.indices[x]);
}

TEST(IndexedFrame, TopRowComesFirstAndEachRowStartsWithoutError)
{
    // Two rows: the top one black then white, the bottom one (stored first) all white.
    std::vector<Rgb> px(2 * 400, Rgb{255, 255, 255});
    px[0] = {0, 0, 0};
    BuiltFrame f = Build(MakeDib(400, 2, px));
    ASSERT_EQ(f.result, 1);
    EXPECT_EQ(Entry(f, f.indices[0]), (Rgb{0, 0, 0}));
    EXPECT_EQ(Entry(f, f.indices[400]), (Rgb{248, 248, 248}));
}

TEST(IndexedFrame, BitsPerIndexAndPaletteSizeFollowTheColourCount)
{
    const struct { int colours; uint8_t bits; } cases[] = {{1, 3}, {8, 3}, {9, 4}, {16, 4}, {17, 5}, {33, 6}, {65, 7}, {128, 7}, {129, 8}, {256, 8}};
    for (const auto& c : cases) {
        std::vector<Rgb> px;
        for (int i = 0; i < c.colours; ++i)
            px.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 7});
        // The 24-bit path files colours exactly, so the palette is exactly the colours fed.
        BuiltFrame f = Build(MakeDib(c.colours, 1, px, 24));
        ASSERT_EQ(f.result, 1);
        EXPECT_EQ(f.bitsPerIndex, c.bits) << c.colours;
        EXPECT_EQ(f.palette.size(), 3u << c.bits);
        for (int i = 0; i < c.colours; ++i)
            EXPECT_EQ(Entry(f, f.indices[i]), px[i]);
        for (size_t i = 3 * c.colours; i < f.palette.size(); ++i)
            ASSERT_EQ(f.palette[i], 0);
    }
}

TEST(IndexedFrame, PaletteBitmapsKeepTheirTableAndValues)
{
    for (uint16_t depth : {1, 4, 8}) {
        const int entries = 1 << depth;
        std::vector<Rgb> table;
        for (int i = 0; i < entries; ++i)
            table.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(i * 3), static_cast<uint8_t>(255 - i)});
        std::vector<uint8_t> values;
        for (int i = 0; i < 13 * 5; ++i)
            values.push_back(static_cast<uint8_t>((i * 7 + i / 13) % entries));
        BuiltFrame f = Build(MakePaletteDib(13, 5, values, table, depth));
        ASSERT_EQ(f.result, 1);
        EXPECT_EQ(f.bitsPerIndex, depth == 8 ? 8 : (depth == 4 ? 4 : 3));
        EXPECT_EQ(f.indices, values);
        for (int i = 0; i < entries; ++i)
            EXPECT_EQ(Entry(f, static_cast<uint8_t>(i)), table[i]);
    }
}

TEST(IndexedFrame, SixteenBitPixelsAreFiveFiveFive)
{
    std::vector<uint8_t> dib(PackedDibSize(2, 1, 16));
    WriteDibHeader(dib.data(), 2, 1, 16);
    // red 31, green 0x15, blue 1; then black.
    const uint16_t v = static_cast<uint16_t>(31 << 10 | 0x15 << 5 | 1);
    dib[40] = static_cast<uint8_t>(v);
    dib[41] = static_cast<uint8_t>(v >> 8);
    BuiltFrame f = Build(dib);
    ASSERT_EQ(f.result, 1);
    EXPECT_EQ(Entry(f, f.indices[0]), (Rgb{248, 0x15 * 8, 8}));
    EXPECT_EQ(Entry(f, f.indices[1]), (Rgb{0, 0, 0}));
}

TEST(IndexedFrame, NearestColourPrefersLowerIndexOnTies)
{
    const uint32_t palette[] = {0x000000, 0x0A0000, 0x0A0000, 0x000A00, 0x00000E};
    const struct {
        uint32_t first, count, query;
        ColourWeights weights;
        uint8_t expected;
    } cases[] = {
        {0, 3, 0x050000, kPlainWeights, 0},   // halfway between black and red 10: the lower index
        {0, 3, 0x090000, kPlainWeights, 1},
        {1, 2, 0x050000, kPlainWeights, 0},   // two equal entries: the first
        {0, 3, 0x0A0000, kPlainWeights, 1},
        {3, 2, 0x000000, kPlainWeights, 0},   // green 10 away (100) before blue 14 (196)
        {3, 2, 0x000000, kEyeWeights, 1},     // weighted: green 10 is 400, blue 14 still 196
        {3, 2, 0x000304, kPlainWeights, 0},   // 49 + 16 against 9 + 100
        {3, 2, 0x000304, kEyeWeights, 1},     // 4 * 49 + 16 against 4 * 9 + 100
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query);
        CNearestColour nearest;
        nearest.SetPalette(palette + c.first, c.count, c.weights);
        EXPECT_EQ(nearest.Find(c.query), c.expected);
    }
}

TEST(IndexedFrame, RefusesWhatItCannotHandle)
{
    const std::vector<Rgb> px(4, Rgb{1, 2, 3});
    auto refused = [](std::vector<uint8_t> dib, size_t size) {
        GifImage image;
        image.tableBits = 5;
        image.indices.assign(3, 7);
        const bool built = BuildIndexedFrameFromDib(dib.data(), size, &image, 1);
        return !built && image.tableBits == 5 && image.indices == std::vector<uint8_t>(3, 7) && image.rect.Empty();
    };
    std::vector<uint8_t> good = MakeDib(2, 2, px);
    EXPECT_TRUE(refused(good, good.size() - 1));
    EXPECT_TRUE(refused(good, 39));
    for (uint16_t depth : {0, 2, 12, 48}) {
        std::vector<uint8_t> dib = good;
        dib[14] = static_cast<uint8_t>(depth);
        EXPECT_TRUE(refused(dib, dib.size())) << depth;
    }
    for (int32_t bad : {0, -2, 65536}) {
        std::vector<uint8_t> dib = good;
        std::vector<uint8_t> big(good.size() + 1024 * 1024);
        for (int field : {4, 8}) {
            dib = good;
            dib[field] = static_cast<uint8_t>(bad);
            dib[field + 1] = static_cast<uint8_t>(bad >> 8);
            dib[field + 2] = static_cast<uint8_t>(bad >> 16);
            dib[field + 3] = static_cast<uint8_t>(bad >> 24);
            dib.resize(big.size());
            EXPECT_TRUE(refused(dib, dib.size())) << bad;
        }
    }
}

// One bright colour over more pixels than 32-bit channel sums can hold.
TEST(IndexedFrame, LargeWhiteFrameKeepsItsColour)
{
    const int32_t w = 4096, h = 2160;
    std::vector<uint8_t> dib(PackedDibSize(w, h, 24), 255);
    WriteDibHeader(dib.data(), w, h, 24);
    BuiltFrame f = Build(std::move(dib));
    ASSERT_EQ(f.result, 1);
    EXPECT_EQ(Entry(f, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(f.indices.size(), static_cast<size_t>(w) * h);

    // The same through the 32-bit path, where white comes out of the dither as 248.
    std::vector<uint8_t> dib32(PackedDibSize(w, h, 32), 255);
    WriteDibHeader(dib32.data(), w, h, 32);
    BuiltFrame f32 = Build(std::move(dib32));
    ASSERT_EQ(f32.result, 1);
    EXPECT_EQ(f32.bitsPerIndex, 3);
    EXPECT_EQ(Entry(f32, 0), (Rgb{248, 248, 248}));
    EXPECT_EQ(std::count(f32.indices.begin(), f32.indices.end(), 0), static_cast<long>(w) * h);
}

}  // namespace
