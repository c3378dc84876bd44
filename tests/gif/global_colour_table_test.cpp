// The compact file's global colour table: frames that drop their local table decode to the same
// colours (giflib), frames that do not fit keep their table, and the table
// holds the colours of every frame that uses it.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "gif/gif_writer.h"
#include "gif/global_colour_table.h"

#include "gif/lzw_encoder.h"
#include "gif/memory_sink.h"
#include "gif_memory_reader.h"

namespace {

constexpr uint32_t kTransparentPixel = 0xFF000000;

// A width x height image with a table of 2^bits entries, coded with the full LZW table cleared
// or kept.
GifImage Image(int width, int height, const std::vector<uint32_t>& palette, uint8_t bits,
               const std::vector<uint8_t>& indices, int16_t transparent, bool keep = false)
{
    GifImage image;
    image.rect = ImageRect{0, 0, width, height};
    image.tableBits = bits;
    image.palette.assign(3u << bits, 0);
    for (size_t i = 0; i < palette.size(); ++i) {
        image.palette[3 * i] = static_cast<uint8_t>(palette[i] >> 16);
        image.palette[3 * i + 1] = static_cast<uint8_t>(palette[i] >> 8);
        image.palette[3 * i + 2] = static_cast<uint8_t>(palette[i]);
    }
    image.indices = indices;
    image.transparentIndex = transparent;
    image.shortestCode = keep;
    return image;
}

// Each pixel's colour as giflib shows the file's frame, kTransparentPixel where transparent.
std::vector<uint32_t> GiflibColours(const std::vector<uint8_t>& file)
{
    const SlurpedGif slurped = Slurp(file);
    GifFileType* gif = slurped.get();
    if (!gif)
        return {};
    std::vector<uint32_t> out;
    if (gif->ImageCount == 1) {
        const SavedImage& image = gif->SavedImages[0];
        GraphicsControlBlock gcb;
        DGifSavedExtensionToGCB(gif, 0, &gcb);
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        for (int i = 0; i < image.ImageDesc.Width * image.ImageDesc.Height; ++i) {
            const int index = image.RasterBits[i];
            const GifColorType& c = map->Colors[index];
            out.push_back(index == gcb.TransparentColor ? kTransparentPixel
                                                        : static_cast<uint32_t>(c.Red) << 16 | c.Green << 8 | c.Blue);
        }
    }
    return out;
}

// A file of the one image, with the global table's entries in its header.
std::vector<uint8_t> File(const GifImage& image, const uint8_t* globalTable)
{
    CMemorySink sink;
    WriteGifHeader(sink, static_cast<uint16_t>(image.rect.width), static_cast<uint16_t>(image.rect.height), 8,
                   kPlayForever, globalTable);
    WriteGifControl(sink, 4, image.transparentIndex);
    WriteGifImage(sink, image);
    WriteGifTrailer(sink);
    return sink.Take();
}

std::vector<uint32_t> Palette(uint32_t count, uint32_t seed)
{
    std::vector<uint32_t> p;
    for (uint32_t i = 0; i < count; ++i)
        p.push_back((i * 2654435761u + seed * 40503u) & 0xFFFFFF);
    return p;
}

}  // namespace

TEST(GlobalColourTable, PlacedFramesDecodeToTheSameColours)
{
    struct Case {
        const char* name;
        int width, height;
        uint32_t colours;
        int16_t transparent;
        LzwWhenFull whenFull;
        // The index of pixel i.
        uint8_t (*pixel)(uint32_t i, uint32_t colours);
    };
    const auto noise = [](uint32_t i, uint32_t colours) {
        return static_cast<uint8_t>((i * 7919u ^ i >> 3) % colours);
    };
    const auto text = [](uint32_t i, uint32_t colours) {
        return static_cast<uint8_t>((i % 200 < 13 ? i % 200 : 0) % colours);
    };
    const Case cases[] = {
        {"one pixel", 1, 1, 256, -1, LzwWhenFull::Clear, noise},
        {"noise, cleared when the code table fills", 200, 120, 255, 254, LzwWhenFull::Clear, noise},
        {"noise, shortest coding", 200, 120, 255, 254, LzwWhenFull::Keep, noise},
        {"repeating rows, shortest coding", 250, 200, 255, 0, LzwWhenFull::Keep, text},
        {"a few of 256 indices used", 64, 64, 5, -1, LzwWhenFull::Clear, text},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint32_t> palette = Palette(256, 3);
        std::vector<uint8_t> indices;
        for (uint32_t i = 0; i < static_cast<uint32_t>(c.width * c.height); ++i)
            indices.push_back(c.pixel(i, c.colours));
        // Local indices far from where the table puts them: each frame takes entries from 0 up.
        for (uint8_t& index : indices)
            index = static_cast<uint8_t>(255 - index);
        const int16_t transparent = c.transparent < 0 ? -1 : static_cast<int16_t>(255 - c.transparent);
        const GifImage image =
            Image(c.width, c.height, palette, 8, indices, transparent, c.whenFull == LzwWhenFull::Keep);

        CGlobalColourTable table;
        GifImage placed = image;
        ASSERT_TRUE(table.Place(placed, true));
        // The global table in the header instead of the local one: the same size.
        EXPECT_EQ(File(image, nullptr).size(), File(placed, table.Bytes()).size());
        EXPECT_EQ(transparent < 0 ? -1 : 255, placed.transparentIndex);
        const std::vector<uint32_t> want = GiflibColours(File(image, nullptr));
        ASSERT_EQ(indices.size(), want.size());
        EXPECT_EQ(want, GiflibColours(File(placed, table.Bytes())));
    }
}

// One table through a sequence of frames, each of some colours (0xRRGGBB, all used) and a
// transparent index after them.
TEST(GlobalColourTable, FramesFitByTheirColoursAndTheTableHoldsWhatTheyUse)
{
    const std::vector<uint32_t> many = Palette(250, 9);
    const std::vector<uint32_t> fewer(many.begin(), many.begin() + 247);
    const uint32_t a = 0x102030, b = 0x405060, c = 0x708090, d = 0xA0B0C0, e = 0x010101, f = 0x020202;
    struct Step {
        const char* name;
        std::vector<uint32_t> colours;
        bool exact;
        uint8_t bits;  // the local table's
        bool fits;
        uint32_t used;  // the table's entries taken after the frame
    };
    const Step steps[] = {
        {"exact, new colours", {a, b, c}, true, 8, true, 3},
        {"exact, one more", {a, d}, true, 8, true, 4},
        {"reduced, colours the frame before lacks", {e, f}, false, 8, false, 4},
        {"reduced, those colours again", {e, a, f}, false, 8, true, 6},
        {"a smaller table keeps it", {0x030303}, true, 4, false, 6},
        {"reduced, the colour of that frame", {0x030303, b}, false, 8, true, 7},
        {"more new colours than free entries", many, true, 8, false, 7},
        {"the free entries filled, the transparent one left", fewer, true, 8, true, 254},
        {"the last free entry", {0x040404}, true, 8, true, 255},
        {"only colours the table holds", {c, 0x040404, many[5]}, false, 8, true, 255},
        {"none free", {0x050505}, true, 8, false, 255},
    };
    CGlobalColourTable table;
    std::vector<uint32_t> inTable;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        std::vector<uint32_t> palette = s.colours;
        const int16_t transparent = static_cast<int16_t>(palette.size());
        palette.push_back(0);
        std::vector<uint8_t> indices;
        for (size_t i = 0; i < palette.size(); ++i)
            indices.push_back(static_cast<uint8_t>(i));
        GifImage image = Image(static_cast<int>(indices.size()), 1, palette, s.bits, indices, transparent);
        ASSERT_EQ(s.fits, table.Place(image, s.exact));
        EXPECT_EQ(s.used, table.Used());
        if (!s.fits)
            continue;
        inTable.insert(inTable.end(), s.colours.begin(), s.colours.end());
        for (uint32_t colour : inTable) {
            bool found = false;
            for (uint32_t k = 0; k < table.Used(); ++k)
                found = found || (static_cast<uint32_t>(table.Bytes()[3 * k]) << 16 | table.Bytes()[3 * k + 1] << 8 |
                                  table.Bytes()[3 * k + 2]) == colour;
            EXPECT_TRUE(found) << std::hex << colour;
        }
        std::vector<uint32_t> want = s.colours;
        want.push_back(kTransparentPixel);
        EXPECT_EQ(want, GiflibColours(File(image, table.Bytes())));
    }
}

// A frame's alternatives are placed with its indices: every pixel keeps both of its colours,
// whichever the coder picks.
TEST(GlobalColourTable, AlternativesArePlacedWithTheIndices)
{
    const std::vector<uint32_t> palette = Palette(255, 5);
    std::vector<uint8_t> indices, alternatives;
    for (uint32_t i = 0; i < 4000; ++i) {
        indices.push_back(static_cast<uint8_t>((i * 37) % 255));
        alternatives.push_back(i % 3 == 0 ? 255 : indices.back());
    }
    GifImage image = Image(80, 50, palette, 8, indices, 255);
    image.alternatives = alternatives;
    CGlobalColourTable table;
    ASSERT_TRUE(table.Place(image, true));
    const auto colour = [&](uint8_t entry) {
        return entry == 255 ? kTransparentPixel
                            : static_cast<uint32_t>(table.Bytes()[3 * entry]) << 16 |
                                  table.Bytes()[3 * entry + 1] << 8 | table.Bytes()[3 * entry + 2];
    };
    for (size_t k = 0; k < indices.size(); ++k) {
        ASSERT_EQ(palette[indices[k]], colour(image.indices[k])) << k;
        ASSERT_EQ(alternatives[k] == 255 ? kTransparentPixel : palette[alternatives[k]], colour(image.alternatives[k]))
            << k;
    }
}

// Frames placed from several threads, whatever order they arrive in, take the table in their
// turns; a turn that ends unplaced (its frame not built) holds up none after it.
TEST(GlobalColourTable, SharedTablePlacesInTurnsWhateverTheArrival)
{
    const auto frame = [](int k) {
        const uint32_t c = static_cast<uint32_t>(k) * 3 + 1;
        return Image(3, 1, {c, c + 1, c + 2}, 8, {0, 1, 2}, -1);
    };
    CSharedColourTable shared;
    std::vector<TableClaims> claims(5);
    std::vector<std::thread> threads;
    for (int k = 4; k >= 0; --k) {  // the later turns arrive first
        threads.emplace_back([&, k] {
            CTableTurn turn(shared, static_cast<uint64_t>(k));
            if (k == 2)
                return;  // not built
            GifImage image = frame(k);
            turn.Place(image, true, &claims[static_cast<size_t>(k)]);
        });
    }
    for (std::thread& t : threads)
        t.join();
    CGlobalColourTable alone;
    for (int k : {0, 1, 3, 4}) {
        SCOPED_TRACE(k);
        GifImage image = frame(k);
        TableClaims want;
        alone.Place(image, true, &want);
        EXPECT_EQ(want.first, claims[static_cast<size_t>(k)].first);
        EXPECT_EQ(want.colours, claims[static_cast<size_t>(k)].colours);
    }
}
