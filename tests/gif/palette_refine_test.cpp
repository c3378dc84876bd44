// The compact mode's palette for frames of more than 255 colours: the colour histogram, the
// pairwise merge and the Lloyd rounds, held to plain sums of squared errors, and the median
// cut's cells.
#include "gif/palette_refine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "gif/median_cut.h"
#include "gif/nearest_colour.h"

namespace {

using Histogram = std::vector<CColourHistogram::Entry>;

// The total squared error of each colour's pixels drawn with its nearest entry.
uint64_t SquaredError(const Histogram& colours, const uint32_t* palette, uint32_t n)
{
    uint64_t total = 0;
    for (const auto& c : colours) {
        uint64_t best = ~0ull;
        for (uint32_t j = 0; j < n; ++j) {
            const int dr = static_cast<int>(c.rgb >> 16 & 0xFF) - static_cast<int>(palette[j] >> 16 & 0xFF);
            const int dg = static_cast<int>(c.rgb >> 8 & 0xFF) - static_cast<int>(palette[j] >> 8 & 0xFF);
            const int db = static_cast<int>(c.rgb & 0xFF) - static_cast<int>(palette[j] & 0xFF);
            best = std::min<uint64_t>(best, static_cast<uint64_t>(dr * dr + dg * dg + db * db));
        }
        total += best * c.count;
    }
    return total;
}

uint32_t Next(uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

// Screen-like: a few heavy colours (grounds, text) and many light shades between them.
Histogram ScreenLikeHistogram(uint32_t seed, size_t shades)
{
    const uint32_t heavy[] = {0x1D2030, 0xD8DEE9, 0xBF616A, 0xA3BE8C, 0x5E81AC, 0xEBCB8B};
    Histogram h;
    for (uint32_t c : heavy)
        h.push_back({c, 20000 + Next(seed) % 5000});
    std::set<uint32_t> seen(std::begin(heavy), std::end(heavy));
    while (h.size() < 6 + shades) {
        const uint32_t a = heavy[Next(seed) % 6], b = heavy[Next(seed) % 6];
        const uint32_t t = Next(seed) % 256;
        uint32_t rgb = 0;
        for (int s = 0; s < 24; s += 8)
            rgb |= (((a >> s & 0xFF) * (255 - t) + (b >> s & 0xFF) * t) / 255) << s;
        if (seen.insert(rgb).second)
            h.push_back({rgb, 1 + Next(seed) % 40});
    }
    return h;
}

TEST(ColourHistogram, CountsFindsAndFillsUp)
{
    CColourHistogram h;
    for (int round = 0; round < 2; ++round) {  // the second round after a Clear
        SCOPED_TRACE(round);
        h.Clear();
        const struct {
            uint32_t rgb, n;
        } adds[] = {{0x000000, 3}, {0xFFFFFF, 1}, {0x000000, 2}, {0x123456 + static_cast<uint32_t>(round), 7}};
        for (const auto& a : adds)
            h.Add(a.rgb, a.n);
        ASSERT_EQ(h.Entries().size(), 3u);
        EXPECT_EQ(h.Entries()[h.Find(0x000000)].count, 5u);
        EXPECT_EQ(h.Entries()[h.Find(0xFFFFFF)].count, 1u);
        EXPECT_EQ(h.Entries()[h.Find(0x123456 + static_cast<uint32_t>(round))].count, 7u);
        EXPECT_EQ(h.Find(0x123456 + static_cast<uint32_t>(1 - round)), -1);  // the other round's colour
        EXPECT_FALSE(h.Full());
    }
    h.Clear();
    for (uint32_t c = 0; c < CColourHistogram::kMaxColours; ++c)
        h.Add(c * 977);
    EXPECT_FALSE(h.Full());
    h.Add(0xFFFFFF);
    EXPECT_TRUE(h.Full());
    h.Clear();
    EXPECT_FALSE(h.Full());
    EXPECT_EQ(h.Find(977), -1);
}

TEST(MergeColours, KeepsHeavyColoursAndMergesShades)
{
    const struct {
        const char* name;
        Histogram colours;
        uint32_t n;
        std::vector<uint32_t> expected;  // the palette, in any order
    } cases[] = {
        {"fewer colours than entries", {{0x102030, 5}, {0x405060, 1}}, 4, {0x102030, 0x405060}},
        {"a rare shade joins its near heavy colour", {{0x000000, 1000}, {0x030303, 1}, {0xFFFFFF, 10}}, 2,
         {0x000000, 0xFFFFFF}},
        {"two equal pairs meet at their means", {{0x000000, 1}, {0x020202, 1}, {0xF0F0F0, 1}, {0xF2F2F2, 1}}, 2,
         {0x010101, 0xF1F1F1}},
        {"a weighted mean", {{0x000000, 3}, {0x080808, 1}, {0xFFFFFF, 1}}, 2, {0x020202, 0xFFFFFF}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        uint32_t palette[256];
        const uint32_t used = MergeColours(c.colours.data(), c.colours.size(), c.n, palette);
        std::vector<uint32_t> got(palette, palette + used);
        std::sort(got.begin(), got.end());
        std::vector<uint32_t> expected = c.expected;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(got, expected);
    }
}

// Merging and refining each leave no more error than the median cut's kind of start would, and
// the heavy colours of screen content come out exact.
TEST(RefinePalette, NeverWorseAndHeavyColoursExact)
{
    for (uint32_t seed : {1u, 2u, 3u, 4u}) {
        for (size_t shades : {300u, 1200u}) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << ", " << shades << " shades");
            const Histogram colours = ScreenLikeHistogram(seed, shades);
            // A start of evenly spread entries, as a cut without regard to the weights might give.
            uint32_t start[255];
            for (uint32_t j = 0; j < 255; ++j)
                start[j] = colours[j * colours.size() / 255].rgb;
            uint32_t refined[255];
            std::copy(start, start + 255, refined);
            CNearestColour nearest;
            RefinePalette(colours.data(), colours.size(), refined, 255, nearest);
            EXPECT_LE(SquaredError(colours, refined, 255), SquaredError(colours, start, 255));

            uint32_t merged[255];
            const uint32_t n = MergeColours(colours.data(), colours.size(), 255, merged);
            ASSERT_EQ(n, 255u);
            const uint64_t mergedError = SquaredError(colours, merged, n);
            RefinePalette(colours.data(), colours.size(), merged, n, nearest);
            EXPECT_LE(SquaredError(colours, merged, n), mergedError);
            EXPECT_LT(SquaredError(colours, merged, n), SquaredError(colours, refined, 255));
            for (size_t k = 0; k < 6; ++k)
                EXPECT_EQ(colours[k].rgb, merged[nearest.Find(colours[k].rgb)]) << std::hex << colours[k].rgb;
        }
    }
}

// Each entry is the mean of the pixels of its cells (fine cells of 4 per channel, coarse of 8),
// weighted by their counts, and boxes are cut at the weighted median. One quantizer for all
// rows, cleared between them, as a worker keeps it from frame to frame.
TEST(MedianCut, EntriesAreTheMeansOfTheirCells)
{
    const struct {
        const char* name;
        bool coarse;
        std::vector<CColourHistogram::Entry> pixels;
        uint32_t n;
        std::vector<uint32_t> expected;  // the palette, in any order
    } cases[] = {
        {"one fine cell, weighted", false, {{0x000000, 3}, {0x030303, 1}}, 4, {0x010101}},
        {"neighbours in two fine cells", false, {{0x000000, 1}, {0x070707, 1}}, 4, {0x000000, 0x070707}},
        {"the same in one coarse cell", true, {{0x000000, 1}, {0x070707, 1}}, 4, {0x040404}},
        {"cut at the weighted median, fine", false, {{0x000000, 10}, {0x100000, 1}, {0xF00000, 1}}, 2,
         {0x000000, 0x800000}},
        {"cut at the weighted median, coarse", true, {{0x000000, 10}, {0x100000, 1}, {0xF00000, 1}}, 2,
         {0x000000, 0x800000}},
        {"nearly 2^24 pixels in one cell", true, {{0xFFFFFF, 16000000}, {0xF8F8F8, 1}}, 4, {0xFFFFFF}},
        {"half way between two shades", true, {{0xF9FAFB, 100000}, {0xFFFFFF, 100000}}, 4, {0xFCFDFD}},
    };
    CMedianCut cut;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        cut.Clear();
        for (const auto& p : c.pixels)
            c.coarse ? cut.AddCoarse(p.rgb, p.count) : cut.Add(p.rgb, p.count);
        uint32_t palette[256];
        std::vector<uint32_t> got(palette, palette + cut.Build(c.n, palette));
        std::sort(got.begin(), got.end());
        std::vector<uint32_t> expected = c.expected;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(got, expected);
    }
}

}  // namespace
