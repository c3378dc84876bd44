#include "gif/palette_octree.h"

#include <gtest/gtest.h>

#include <vector>

#include "test_frames.h"

namespace {

std::vector<Rgb> Palette(CPaletteOctree& tree)
{
    std::vector<uint8_t> quads(4 * tree.LeafCount());
    tree.FillPalette(quads.data());
    std::vector<Rgb> out;
    for (size_t i = 0; i < quads.size(); i += 4) {
        EXPECT_EQ(quads[i + 3], 0);
        out.push_back({quads[i + 2], quads[i + 1], quads[i]});
    }
    return out;
}

TEST(PaletteOctree, FewColoursKeepExactColoursInTreeOrder)
{
    CPaletteOctree tree(256, 8);
    const Rgb fed[] = {{200, 100, 0}, {255, 255, 255}, {0, 0, 0}, {10, 20, 30}, {0, 0, 0}, {255, 255, 255}};
    for (const Rgb& c : fed)
        tree.AddColour(c.red, c.green, c.blue);
    EXPECT_EQ(Palette(tree), (std::vector<Rgb>{{0, 0, 0}, {10, 20, 30}, {200, 100, 0}, {255, 255, 255}}));
    uint8_t index = 99;
    ASSERT_EQ(tree.LookupIndex(200, 100, 0, &index), 1);
    EXPECT_EQ(index, 2);

    CPaletteOctree single(256, 8);
    for (int i = 0; i < 1000; ++i)
        single.AddColour(7, 8, 9);
    EXPECT_EQ(Palette(single), (std::vector<Rgb>{{7, 8, 9}}));
}

TEST(PaletteOctree, StaysWithinLimitAndEveryInsertedColourIsFound)
{
    CPaletteOctree tree(256, 8);
    std::vector<Rgb> fed;
    for (int i = 0; i < 257; ++i)
        fed.push_back({static_cast<uint8_t>(i * 7), static_cast<uint8_t>(i * 13), static_cast<uint8_t>(i)});
    for (const Rgb& c : fed)
        tree.AddColour(c.red, c.green, c.blue);
    EXPECT_LE(tree.LeafCount(), 256u);
    EXPECT_GE(tree.LeafCount(), 1u);
    const std::vector<Rgb> palette = Palette(tree);
    for (const Rgb& c : fed) {
        uint8_t index = 0xEE;
        ASSERT_EQ(tree.LookupIndex(c.red, c.green, c.blue, &index), 1);
        EXPECT_LT(index, palette.size());
    }
}

// Two nodes of one level with the same weight: the one created later is merged first. A
// third, lighter node (one pixel) goes before both, without lowering the leaf count.
TEST(PaletteOctree, LaterNodeMergedFirstOnEqualWeight)
{
    CPaletteOctree tree(4, 8);
    const Rgb fed[] = {{0, 0, 0}, {0, 0, 1}, {0, 0, 2}, {0, 0, 3}, {255, 255, 255}};
    for (const Rgb& c : fed)
        tree.AddColour(c.red, c.green, c.blue);
    EXPECT_EQ(tree.LeafCount(), 4u);
    EXPECT_EQ(Palette(tree), (std::vector<Rgb>{{0, 0, 0}, {0, 0, 1}, {0, 0, 2}, {255, 255, 255}}));
}

TEST(PaletteOctree, LookupOfColourNeverInserted)
{
    CPaletteOctree tree(4, 8);
    const Rgb fed[] = {{0, 0, 0}, {0, 0, 1}, {0, 0, 2}, {0, 0, 3}, {255, 255, 255}};
    for (const Rgb& c : fed)
        tree.AddColour(c.red, c.green, c.blue);
    Palette(tree);
    uint8_t index = 0xEE;
    EXPECT_EQ(tree.LookupIndex(128, 0, 0, &index), 0);
    EXPECT_EQ(index, 0xEE);
    // (255, 255, 254) ends in the leaf that white moved up to.
    ASSERT_EQ(tree.LookupIndex(255, 255, 254, &index), 1);
    EXPECT_EQ(index, 3);

    CPaletteOctree empty(256, 8);
    EXPECT_EQ(empty.LeafCount(), 0u);
    EXPECT_EQ(empty.LookupIndex(1, 2, 3, &index), 0);
}

TEST(PaletteOctree, FeedDibRefusesUnknownDepth)
{
    std::vector<uint8_t> dib = MakeDib(2, 2, std::vector<Rgb>(4, Rgb{1, 2, 3}));
    dib[14] = 12;
    CPaletteOctree tree(256, 8);
    EXPECT_EQ(tree.FeedDib(dib.data()), 0);
    EXPECT_EQ(tree.LeafCount(), 0u);
}

}  // namespace
