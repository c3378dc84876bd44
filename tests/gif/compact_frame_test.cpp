// Compact files read back by giflib and composited frame over frame the way a player shows
// them: the picture must be the source wherever a changed area had few enough colours, and
// close to it elsewhere.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "gif/compact_frame.h"
#include "gif/frame_workspace.h"
#include "gif/gif_writer.h"
#include "gif/nearest_colour.h"
#include "gif_memory_reader.h"
#include "test_frames.h"

namespace {

using Pixels = std::vector<uint32_t>;  // 0x00RRGGBB, top row first

PixelView View(const Pixels& p, int32_t w, int32_t h)
{
    return ViewOfTopDownPixels(p.data(), w, h);
}

std::vector<uint8_t> Encode(const std::vector<Pixels>& frames, int32_t w, int32_t h,
                            std::vector<CompactFrame>* built = nullptr, CFrameWorkspace* workspace = nullptr)
{
    CFrameWorkspace own;
    if (!workspace)
        workspace = &own;
    CMemorySink sink;
    WriteGifHeader(sink, static_cast<uint16_t>(w), static_cast<uint16_t>(h), 8);
    for (size_t k = 0; k < frames.size(); ++k) {
        const PixelView current = View(frames[k], w, h);
        const PixelView before = k > 0 ? View(frames[k - 1], w, h) : PixelView();
        CompactFrame f = BuildCompactFrame(k > 0 ? &before : nullptr, current, CompactOptions(), workspace);
        WriteGifFrame(sink, f, 4, workspace);
        if (built)
            built->push_back(std::move(f));
    }
    WriteGifTrailer(sink);
    return sink.Bytes();
}

// Every frame as a player shows it: each image drawn over the last, transparent pixels left.
std::vector<Pixels> Composite(const std::vector<uint8_t>& file, int32_t w, int32_t h)
{
    const SlurpedGif slurped = Slurp(file);
    GifFileType* gif = slurped.get();
    if (!gif)
        return {};
    EXPECT_EQ(gif->SWidth, w);
    EXPECT_EQ(gif->SHeight, h);
    std::vector<Pixels> shown;
    Pixels canvas(static_cast<size_t>(w) * h, 0);
    for (int k = 0; k < gif->ImageCount; ++k) {
        const SavedImage& image = gif->SavedImages[k];
        GraphicsControlBlock gcb;
        EXPECT_EQ(DGifSavedExtensionToGCB(gif, k, &gcb), GIF_OK);
        EXPECT_EQ(gcb.DisposalMode, DISPOSE_DO_NOT);
        EXPECT_EQ(gcb.DelayTime, 4);
        const GifImageDesc& d = image.ImageDesc;
        EXPECT_TRUE(d.Left + d.Width <= w && d.Top + d.Height <= h) << "frame " << k;
        EXPECT_NE(d.ColorMap, nullptr);
        for (int y = 0; y < d.Height; ++y)
            for (int x = 0; x < d.Width; ++x) {
                const int index = image.RasterBits[y * d.Width + x];
                if (index == gcb.TransparentColor)
                    continue;
                EXPECT_LT(index, d.ColorMap->ColorCount);
                const GifColorType& c = d.ColorMap->Colors[index];
                canvas[static_cast<size_t>(d.Top + y) * w + d.Left + x] =
                    static_cast<uint32_t>(c.Red) << 16 | c.Green << 8 | c.Blue;
            }
        shown.push_back(canvas);
    }
    return shown;
}

void ExpectExact(const std::vector<Pixels>& frames, int32_t w, int32_t h)
{
    const std::vector<Pixels> shown = Composite(Encode(frames, w, h), w, h);
    ASSERT_EQ(shown.size(), frames.size());
    for (size_t k = 0; k < frames.size(); ++k)
        ASSERT_TRUE(shown[k] == frames[k]) << w << " x " << h << " frame " << k;
}

double Psnr(const Pixels& a, const Pixels& b)
{
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int s = 0; s < 24; s += 8) {
            const double d = static_cast<double>(a[i] >> s & 0xFF) - static_cast<double>(b[i] >> s & 0xFF);
            sum += d * d;
        }
    const double mse = sum / (3.0 * a.size());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

uint32_t Next(uint32_t& s)
{
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
}

// A frame of `colours` random colours in small blocks, like windows and text.
Pixels Blocks(int32_t w, int32_t h, uint32_t colours, uint32_t seed)
{
    std::vector<uint32_t> palette(colours);
    for (uint32_t& c : palette)
        c = Next(seed) & 0xFFFFFF;
    Pixels p(static_cast<size_t>(w) * h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            p[static_cast<size_t>(y) * w + x] = palette[((x / 3) * 7919u + (y / 2) * 104729u + seed) % colours];
    return p;
}

Pixels FromRgb(const std::vector<Rgb>& rgb)
{
    Pixels p;
    for (const Rgb& c : rgb)
        p.push_back(static_cast<uint32_t>(c.red) << 16 | c.green << 8 | c.blue);
    return p;
}

}  // namespace

TEST(CompactFrame, StillFramesCornersAndWholeChanges)
{
    const int32_t w = 64, h = 40;
    const Pixels base = Blocks(w, h, 12, 5);
    std::vector<Pixels> frames = {base, base, base};
    const size_t corners[] = {0, static_cast<size_t>(w - 1), static_cast<size_t>(w) * (h - 1),
                              static_cast<size_t>(w) * h - 1};
    for (size_t corner : corners) {
        frames.push_back(frames.back());
        frames.back()[corner] ^= 0x804020;
    }
    frames.push_back(Blocks(w, h, 30, 9));  // every pixel changes
    frames.push_back(frames.back());
    ExpectExact(frames, w, h);

    std::vector<CompactFrame> built;
    Encode(frames, w, h, &built);
    EXPECT_EQ(built[0].rect.width, w);  // the first frame is whole
    EXPECT_EQ(built[0].transparentIndex, -1);
    for (size_t k : {size_t(1), size_t(2), size_t(8)}) {  // unchanged: one transparent pixel
        EXPECT_EQ(built[k].rect.width * built[k].rect.height, 1);
        EXPECT_EQ(built[k].indices[0], built[k].transparentIndex);
    }
    const int32_t at[4][2] = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
    for (int c = 0; c < 4; ++c) {
        const ImageRect& r = built[3 + c].rect;
        EXPECT_TRUE(r.left == at[c][0] && r.top == at[c][1] && r.width == 1 && r.height == 1) << "corner " << c;
        EXPECT_EQ(built[3 + c].tableBits, 1);  // one colour, no transparency needed: 2 entries
    }
    EXPECT_EQ(built[7].rect.width * built[7].rect.height, w * h);
}

TEST(CompactFrame, OddSizesExact)
{
    const int32_t sizes[][2] = {{1, 1}, {7, 3}, {257, 5}, {2, 300}};
    uint32_t seed = 3;
    for (const auto& s : sizes) {
        std::vector<Pixels> frames;
        for (uint32_t colours : {1u, 5u, 200u, 3u}) {
            frames.push_back(Blocks(s[0], s[1], colours, seed++));
            frames.push_back(frames.back());
            frames.back()[frames.back().size() / 2] = 0x123456;  // a partial change
        }
        ExpectExact(frames, s[0], s[1]);
    }
}

// Table sizes follow the colours used, the transparent one included, and the edge of 256.
TEST(CompactFrame, ColourTableAtItsLimits)
{
    const int32_t w = 40, h = 40;
    for (bool filled : {false, true})
        for (uint32_t colours : {1u, 2u, 3u, 4u, 127u, 128u, 255u, 256u}) {
            Pixels before(static_cast<size_t>(w) * h, 0x000001);
            Pixels after = before;
            for (uint32_t i = 0; i < colours; ++i)
                after[i] = (0x010000 * (i + 1) + i) & 0xFFFFFF;  // distinct, none the old colour
            // Filled: the rest of the changed rows changes too, so nothing needs transparency.
            for (size_t i = colours; filled && i % w != 0; ++i)
                after[i] = after[0];
            std::vector<CompactFrame> built;
            const std::vector<Pixels> frames = {before, after};
            Encode(frames, w, h, &built);
            const CompactFrame& f = built[1];
            // 256 colours and a still pixel in the rectangle leave no room for the transparent
            // index: that frame is reduced, every other one is exact.
            if (colours == 256 && !filled) {
                EXPECT_FALSE(f.exact);
                continue;
            }
            SCOPED_TRACE(testing::Message() << colours << " colours, filled " << filled);
            ExpectExact(frames, w, h);
            ASSERT_TRUE(f.exact);
            EXPECT_EQ(f.colourCount, colours + (filled || colours < w ? 0 : 1)) << colours;
            EXPECT_LE(f.colourCount, 1u << f.tableBits);
            EXPECT_GT(f.colourCount, f.tableBits == 1 ? 0u : 1u << (f.tableBits - 1)) << colours;
            EXPECT_EQ(f.palette.size(), 3u << f.tableBits);
        }
}

TEST(CompactFrame, ManyColoursStayCloseAndStillPixelsExact)
{
    const int32_t w = 300, h = 200;
    std::vector<Pixels> frames;
    for (uint32_t seed : {11u, 12u}) {
        Pixels p(static_cast<size_t>(w) * h);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)  // a smooth picture with a little grain
                p[static_cast<size_t>(y) * w + x] = static_cast<uint32_t>((x * 255 / w) << 16 | (y * 255 / h) << 8 |
                                                                          ((x + y + seed * 40) * 255 / (w + h + 480)));
        frames.push_back(p);
    }
    frames.push_back(frames.back());
    for (int32_t y = 50; y < 60; ++y)  // a small change on the reduced picture
        for (int32_t x = 0; x < 10; ++x)
            frames.back()[static_cast<size_t>(y) * w + x] = 0xFFFFFF;
    std::vector<CompactFrame> built;
    const std::vector<Pixels> shown = Composite(Encode(frames, w, h, &built), w, h);
    ASSERT_EQ(shown.size(), frames.size());
    EXPECT_FALSE(built[0].exact);
    for (size_t k = 0; k < frames.size(); ++k)
        EXPECT_GT(Psnr(shown[k], frames[k]), 32.0) << "frame " << k;
    // The small change is exact and the rest stays as it was shown.
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y) * w + x;
            const bool changed = y >= 50 && y < 60 && x < 10;
            ASSERT_EQ(shown[2][i], changed ? 0xFFFFFFu : shown[1][i]) << x << "," << y;
        }
}

// A reduced frame of screen content: a few grounds and text colours over most pixels and
// hundreds of antialiasing shades, alternating along the rows so that a lookup remembering one
// colour per cell keeps missing. Every pixel gets its colour's nearest entry, and the colours
// that cover most of the frame are kept exactly.
TEST(CompactFrame, ReducedScreenFramesKeepTheirMainColours)
{
    const int32_t w = 400, h = 300;
    const uint32_t main[] = {0x1D2030, 0xD8DEE9, 0xBF616A, 0xA3BE8C};
    Pixels p(static_cast<size_t>(w) * h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t ground = main[(y / 20) % 2], ink = main[2 + (x / 50) % 2];
            uint32_t c = ground;
            if (x % 7 == 3) {  // a stroke with shaded edges: 600 shades in all
                c = ink;
            } else if (x % 7 == 2 || x % 7 == 4) {
                const uint32_t t = static_cast<uint32_t>((x * 13 + y * 7) % 150) + 50;
                c = 0;
                for (int s = 0; s < 24; s += 8)
                    c |= (((ground >> s & 0xFF) * (255 - t) + (ink >> s & 0xFF) * t) / 255) << s;
            }
            p[static_cast<size_t>(y) * w + x] = c;
        }
    CFrameWorkspace workspace;
    const CompactFrame f = BuildCompactFrame(nullptr, View(p, w, h), CompactOptions(), &workspace);
    ASSERT_FALSE(f.exact);
    std::vector<uint32_t> palette(f.colourCount);
    for (uint32_t i = 0; i < f.colourCount; ++i)
        palette[i] = static_cast<uint32_t>(f.palette[3 * i] << 16 | f.palette[3 * i + 1] << 8 | f.palette[3 * i + 2]);
    CNearestColour nearest;
    nearest.SetPalette(palette.data(), f.colourCount, kReducedWeights);
    for (uint32_t c : main)
        EXPECT_EQ(palette[nearest.Find(c)], c) << std::hex << c;
    for (size_t i = 0; i < p.size(); ++i)
        ASSERT_EQ(palette[f.indices[i]], palette[nearest.Find(p[i])]) << "pixel " << i;
    EXPECT_GT(Psnr(Composite(Encode({p}, w, h), w, h)[0], p), 55.0);
}

// Error diffusion where it fights banding (gradients, photos), not on text or fine
// many-coloured texture, whose plain errors are noise already. The automatic choice builds the
// same frame as one of the two explicit ones.
TEST(CompactFrame, DiffusionOnlyWhereItHelps)
{
    const int32_t w = 320, h = 240;
    const auto make = [&](auto colour) {
        Pixels p(static_cast<size_t>(w) * h);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                p[static_cast<size_t>(y) * w + x] = colour(x, y);
        return p;
    };
    const struct {
        const char* name;
        Pixels pixels;
        bool diffused;
    } cases[] = {
        {"smooth gradient", make([&](int32_t x, int32_t y) {
             return static_cast<uint32_t>((x * 255 / w) << 16 | (y * 255 / h) << 8 | ((x + y) * 255 / (w + h)));
         }), true},
        // The recorder benchmark's scrolling scene: ramps with blue stepping fast in checkered tiles.
        {"fine texture", make([&](int32_t x, int32_t y) {
             const uint32_t b = ((x / 24 + y / 24) & 1) ? 200 - ((x ^ y) & 63) : (x * 7 + y * 3) & 255;
             return static_cast<uint32_t>((x * 255 / w) << 16 | (y * 255 / h) << 8) | b;
         }), false},
        {"screen-like", FromRgb(ScreenLikePixels(w, h, 9)), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PixelView v = View(c.pixels, w, h);
        CompactOptions plain, diffused;
        plain.dither = CompactDither::None;
        diffused.dither = CompactDither::Diffusion;
        const CompactFrame chosen = BuildCompactFrame(nullptr, v, CompactOptions());
        ASSERT_FALSE(chosen.exact);
        const CompactFrame expected = BuildCompactFrame(nullptr, v, c.diffused ? diffused : plain);
        const CompactFrame other = BuildCompactFrame(nullptr, v, c.diffused ? plain : diffused);
        ASSERT_NE(expected.indices, other.indices);
        EXPECT_EQ(chosen.indices, expected.indices);
    }
}

// Frames of more colours than the histogram keeps (photos, noise) are mapped plain through the
// entry nearest to the centre of each colour's cell of 8 x 8 x 8 colours; still pixels show
// through or keep their own colour as on every frame.
TEST(CompactFrame, OverflowingHistogramsMapThroughCellCentres)
{
    const int32_t w = 200, h = 120;  // 24000 random colours: more than the histogram's 16384
    const Pixels after = FromRgb(NoisePixels(w, h, 21));
    Pixels before = after;
    for (size_t i = 0; i < before.size(); ++i)  // every fifth column still
        if (i % 5 != 2)
            before[i] ^= 0x010101;
    const PixelView previous = View(before, w, h), current = View(after, w, h);
    CompactOptions plain;
    plain.dither = CompactDither::None;
    CFrameWorkspace workspace;
    for (const PixelView* p : {static_cast<const PixelView*>(nullptr), &previous}) {
        SCOPED_TRACE(p ? "still pixels" : "whole");
        const CompactFrame f = BuildCompactFrame(p, current, plain, &workspace);
        ASSERT_FALSE(f.exact);
        ASSERT_EQ(f.rect.width * f.rect.height, w * h);
        const uint32_t entries = p ? static_cast<uint32_t>(f.transparentIndex) : f.colourCount;
        std::vector<uint32_t> palette(entries);
        for (uint32_t i = 0; i < entries; ++i)
            palette[i] = static_cast<uint32_t>(f.palette[3 * i] << 16 | f.palette[3 * i + 1] << 8 | f.palette[3 * i + 2]);
        CNearestColour nearest;
        nearest.SetPalette(palette.data(), entries, kReducedWeights);
        for (size_t i = 0; i < after.size(); ++i) {
            const int index = f.indices[i];
            if (p && before[i] == after[i]) {
                ASSERT_TRUE(index == f.transparentIndex || palette[index] == after[i]) << "pixel " << i;
                continue;
            }
            const uint32_t centre = (after[i] & 0xF8F8F8) | 0x040404;
            ASSERT_EQ(index, nearest.Find(centre)) << "pixel " << i;
        }
    }
}

// An unchanged run is written in its own colour, which keeps the content's strings going, when
// it is short and the table has its colour, at the start of a row too; a longer one shows
// through as transparent, with its own colour as the other value the LZW coder may pick. A
// colour the table lacks has no other value.
TEST(CompactFrame, ShortUnchangedRunsKeepTheirColours)
{
    const int32_t w = 240, h = 2;
    const uint32_t a = 0x101010, b = 0xE0C020, c = 0x3050A0, d = 0x7F7F7F;
    const struct {
        int32_t gap;
        uint32_t still;  // the gap's colour, in both frames
        bool own;
    } cases[] = {{1, a, true}, {5, a, true}, {64, a, true}, {65, a, false}, {120, a, false}, {5, d, false},
                 {120, d, false}};
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message() << k.gap << " of " << std::hex << k.still);
        Pixels before(static_cast<size_t>(w) * h, a), after(static_cast<size_t>(w) * h, a);
        std::fill(before.begin(), before.begin() + w, c);  // row 0 changes from c to a: a is in the table
        for (int32_t x = 10; x < 20; ++x)
            after[static_cast<size_t>(w) + x] = b;
        for (int32_t x = 20; x < 20 + k.gap; ++x)
            before[static_cast<size_t>(w) + x] = after[static_cast<size_t>(w) + x] = k.still;
        for (int32_t x = 20 + k.gap; x < 30 + k.gap; ++x)
            after[static_cast<size_t>(w) + x] = b;
        const PixelView v0 = View(before, w, h), v1 = View(after, w, h);
        const CompactFrame f = BuildCompactFrame(&v0, v1, CompactOptions());
        ASSERT_TRUE(f.exact);
        ASSERT_EQ(f.rect.width, w);
        ASSERT_EQ(f.alternatives.size(), f.indices.size());
        const uint8_t* row = f.indices.data() + w;
        const uint8_t* other = f.alternatives.data() + w;
        const uint8_t ofA = f.indices[0];
        const auto t = static_cast<uint8_t>(f.transparentIndex);
        EXPECT_EQ(row[0], ofA);  // the short unchanged start of the row
        EXPECT_EQ(other[0], ofA);
        EXPECT_EQ(row[w - 1], t);  // its long unchanged end
        EXPECT_EQ(other[w - 1], ofA);
        EXPECT_EQ(other[10], row[10]);  // changed
        for (int32_t x = 20; x < 20 + k.gap; ++x) {
            ASSERT_EQ(row[x], k.own ? ofA : t) << "x " << x;
            ASSERT_EQ(other[x], k.still == a ? ofA : t) << "x " << x;
        }
        const std::vector<Pixels> shown = Composite(Encode({before, after}, w, h), w, h);
        EXPECT_EQ(shown[1], after);
    }
    // Only short unchanged runs in their own colours: no choice anywhere, no alternatives.
    Pixels before(static_cast<size_t>(w) * h, c), after(static_cast<size_t>(w) * h, a);
    std::fill(before.begin() + 100, before.begin() + 110, a);
    const PixelView v0 = View(before, w, h), v1 = View(after, w, h);
    EXPECT_TRUE(BuildCompactFrame(&v0, v1, CompactOptions()).alternatives.empty());
}

// A frame's bytes depend only on its own pixels and the previous frame's: built alone with
// fresh memory, or with memory that built other frames, it comes out the same as in sequence
// (frames are built on several threads, each with its own memory).
TEST(CompactFrame, SameBytesWhateverWasBuiltBefore)
{
    const int32_t w = 120, h = 90;
    std::vector<Pixels> frames = {Blocks(w, h, 40, 1), Blocks(w, h, 40, 2)};
    frames.push_back(FromRgb(NoisePixels(w, h, 4)));
    frames.push_back(FromRgb(ScreenLikePixels(w, h, 5)));
    std::vector<CompactFrame> inOrder;
    CFrameWorkspace used;
    Encode(frames, w, h, &inOrder, &used);
    for (size_t k : {size_t(3), size_t(2), size_t(1)}) {
        const PixelView before = View(frames[k - 1], w, h);
        for (CFrameWorkspace* workspace : {static_cast<CFrameWorkspace*>(nullptr), &used}) {
            const CompactFrame alone = BuildCompactFrame(&before, View(frames[k], w, h), CompactOptions(), workspace);
            EXPECT_TRUE(alone.indices == inOrder[k].indices && alone.alternatives == inOrder[k].alternatives &&
                        alone.palette == inOrder[k].palette)
                << k;
        }
    }
}

namespace {

// Floyd-Steinberg one pixel at a time, straight from its definition, over the palette the
// frame was given: changed pixels take the entry nearest to the centre of their cell of
// 8 x 8 x 8 colours, still pixels pass on no error and repeat the index before them when it
// shows their colour.
std::vector<uint8_t> DiffusedByDefinition(const CompactFrame& f, const Pixels& before, const Pixels& after,
                                          int32_t w)
{
    const ImageRect& r = f.rect;
    const int entries = f.transparentIndex >= 0 ? f.transparentIndex : static_cast<int>(f.colourCount);
    std::vector<int> errors(static_cast<size_t>(r.height + 1) * (r.width + 2) * 3, 0);
    const auto error = [&](int32_t x, int32_t y, int k) -> int& {
        return errors[(static_cast<size_t>(y) * (r.width + 2) + x + 1) * 3 + k];
    };
    std::vector<uint8_t> indices;
    for (int32_t y = 0; y < r.height; ++y) {
        int emitted = -1;
        for (int32_t x = 0; x < r.width; ++x) {
            const size_t at = static_cast<size_t>(r.top + y) * w + r.left + x;
            const uint32_t rgb = after[at];
            if (f.transparentIndex >= 0 && before[at] == rgb) {
                const int shown = emitted < 0 ? f.transparentIndex : emitted;
                const bool same = shown != f.transparentIndex &&
                                  (static_cast<uint32_t>(f.palette[3 * shown]) << 16 | f.palette[3 * shown + 1] << 8 |
                                   f.palette[3 * shown + 2]) == rgb;
                emitted = same ? shown : f.transparentIndex;
                indices.push_back(static_cast<uint8_t>(emitted));
                continue;
            }
            int want[3];
            for (int k = 0; k < 3; ++k)
                want[k] = std::clamp(static_cast<int>(rgb >> (16 - 8 * k) & 0xFF) + ((error(x, y, k) + 8) >> 4), 0, 255);
            int best = -1, bestDistance = 0;
            for (int i = 0; i < entries; ++i) {
                int c[3];
                for (int k = 0; k < 3; ++k)
                    c[k] = ((want[k] & 0xF8) | 4) - f.palette[3 * i + k];
                const int d = kReducedWeights.Distance(c[0], c[1], c[2]);
                if (best < 0 || d < bestDistance) {
                    best = i;
                    bestDistance = d;
                }
            }
            emitted = best;
            indices.push_back(static_cast<uint8_t>(best));
            for (int k = 0; k < 3; ++k) {
                const int e = (want[k] - f.palette[3 * best + k]) * 3 / 4;  // three quarters of the error
                error(x + 1, y, k) += 7 * e;
                error(x - 1, y + 1, k) += 3 * e;
                error(x, y + 1, k) += 5 * e;
                error(x + 1, y + 1, k) += e;
            }
        }
    }
    return indices;
}

}  // namespace

// The diffusion runs rows in pairs, one behind the other, with its sums carried from pixel to
// pixel: at any width and height, with or without still pixels, it must give what diffusing
// one pixel at a time gives. Sizes of at least 2^18 pixels also get their palette from a
// sample of the pixels: the picture must stay close.
TEST(CompactFrame, DiffusionMatchesItsDefinition)
{
    const int32_t sizes[][2] = {{1, 1000}, {2, 701}, {3, 400}, {257, 5}, {31, 37}, {640, 420}};
    CFrameWorkspace workspace;
    for (const auto& s : sizes) {
        const int32_t w = s[0], h = s[1];
        uint32_t seed = static_cast<uint32_t>(w * 31 + h);
        const bool large = w * h >= (1 << 18);  // smooth, with a little grain, like a photo
        const uint32_t grain = large ? 0x030303 : 0x0F0F0F;
        Pixels before(static_cast<size_t>(w) * h), after(before.size());
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                const size_t i = static_cast<size_t>(y) * w + x;
                after[i] = static_cast<uint32_t>((x * 251 / w) << 16 | (y * 251 / h) << 8 | (x + y) * 251 / (w + h)) +
                           (Next(seed) & grain);
                // A third still, in runs, so that transparent pixels cut through the error.
                before[i] = (Next(seed) % 3 == 0 || (x / 5 + y) % 4 == 0) ? after[i] : after[i] ^ 0x101010;
            }
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        CompactOptions diffused;
        diffused.dither = CompactDither::Diffusion;
        const PixelView previous = View(before, w, h), current = View(after, w, h);
        for (const PixelView* p : {static_cast<const PixelView*>(nullptr), &previous}) {
            const CompactFrame f = BuildCompactFrame(p, current, diffused, &workspace);
            ASSERT_FALSE(f.exact);
            const Pixels& base = p ? before : Pixels(after.size(), 0xFFFFFFFF);
            EXPECT_TRUE(f.indices == DiffusedByDefinition(f, base, after, w)) << (p ? "changed part" : "whole");
        }
        if (large) {
            const std::vector<Pixels> shown = Composite(Encode({before, after}, w, h), w, h);
            ASSERT_EQ(shown.size(), 2u);
            EXPECT_GT(Psnr(shown[1], after), 30.0);  // 31.1 counted whole or sampled
        }
    }
}

// The diffusion's block lists must give the search's answer for every cell, ties included:
// palettes with repeated entries, a few entries, entries all in one corner.
TEST(CompactFrame, BlockListsAgreeWithTheSearch)
{
    uint32_t seed = 77;
    CBlockNearest blocks;
    CNearestColour search;
    for (int round = 0; round < 12; ++round) {
        const ColourWeights weights = round < 6 ? kPlainWeights : kEyeWeights;
        const uint32_t n = round % 6 == 0 ? 1 : (round % 6 == 1 ? 3 : 255);
        std::vector<uint32_t> palette(n);
        for (uint32_t i = 0; i < n; ++i) {
            palette[i] = Next(seed) & (round % 6 == 2 ? 0x1F1F1F : 0xFFFFFF);
            if (round % 6 == 3 && i % 3 == 2)
                palette[i] = palette[i - 1];  // the same colour twice: the lower index wins
            if (round % 6 == 4)
                palette[i] &= 0xF0F0F0;       // on a grid: many equal distances
        }
        blocks.SetPalette(palette.data(), n, weights);
        search.SetPalette(palette.data(), n, weights);
        for (uint32_t cell = 0; cell < (1u << 15); ++cell) {
            const uint32_t centre = (cell >> 10 & 0x1F) << 19 | (cell >> 5 & 0x1F) << 11 | (cell & 0x1F) << 3 | 0x040404;
            ASSERT_EQ(blocks.FindCentre(cell), search.Find(centre)) << "round " << round << " cell " << cell;
        }
    }
}
