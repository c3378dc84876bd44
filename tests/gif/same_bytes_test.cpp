// The fast core against the plain reference: same palette, indices and file bytes for the same
// input, on random and screen-like frames of every depth.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "gif/dib.h"
#include "gif/dither15.h"
#include "gif/gif_writer.h"
#include "gif/indexed_frame.h"
#include "gif/palette_octree.h"
#include "reference/reference_builder.h"
#include "reference/reference_octree.h"
#include "reference/reference_writer.h"
#include "test_frames.h"

namespace {

BuiltFrame BuildReference(std::vector<uint8_t> dib, int nearest)
{
    BuiltFrame f;
    uint8_t* palette = nullptr;
    uint8_t* indices = nullptr;
    f.bitsPerIndex = 8;
    f.result = reference::BuildIndexedFrameFromDib(dib.data(), dib.size(), &palette, &indices,
                                                   &f.bitsPerIndex, &f.width, &f.height, nearest);
    if (f.result) {
        f.palette.assign(palette, palette + (3u << f.bitsPerIndex));
        f.indices.assign(indices, indices + static_cast<size_t>(f.width) * f.height);
        delete[] palette;
        delete[] indices;
    }
    return f;
}

std::vector<uint8_t> FileOf(const BuiltFrame& f, bool fast)
{
    VectorSink sink;
    const auto w = static_cast<uint16_t>(f.width), h = static_cast<uint16_t>(f.height);
    if (fast) {
        WriteGifHeader(sink, w, h, f.bitsPerIndex);
        WriteGifFrame(sink, f.indices.data(), f.palette.data(), w, h, f.bitsPerIndex, 4, -1);
        WriteGifFrame(sink, f.indices.data(), f.palette.data(), w, h, f.bitsPerIndex, 4, -1);
        WriteGifTrailer(sink);
    } else {
        reference::WriteGifHeader(sink, w, h, f.bitsPerIndex);
        reference::WriteGifFrame(sink, f.indices.data(), f.palette.data(), w, h, f.bitsPerIndex, 4, -1);
        reference::WriteGifFrame(sink, f.indices.data(), f.palette.data(), w, h, f.bitsPerIndex, 4, -1);
        reference::WriteGifTrailer(sink);
    }
    return sink.bytes;
}

void ExpectSameAsReference(const std::vector<uint8_t>& dib, int nearest, const char* what)
{
    const BuiltFrame fast = Build(dib, nearest);
    const BuiltFrame plain = BuildReference(dib, nearest);
    ASSERT_EQ(fast.result, plain.result) << what;
    ASSERT_EQ(fast.bitsPerIndex, plain.bitsPerIndex) << what;
    ASSERT_EQ(fast.palette, plain.palette) << what;
    ASSERT_TRUE(fast.indices == plain.indices) << what;
    ASSERT_TRUE(FileOf(fast, true) == FileOf(plain, false)) << what;
}

TEST(SameBytes, DitherRows)
{
    for (int32_t w : {1, 2, 7, 64, 1001}) {
        std::vector<Rgb> px = NoisePixels(w, 1, w);
        for (int i = 0; i < w; i += 5)
            px[i] = {255, 255, 255};
        const std::vector<uint8_t> dib = MakeDib(w, 1, px);
        std::vector<uint16_t> a(w), b(w);
        DitherRowTo15Bit(dib.data() + 40, w, a.data());
        reference::DitherRowTo15Bit(dib.data() + 40, w, b.data());
        ASSERT_EQ(a, b) << w;
    }
}

template <class Tree>
std::vector<uint8_t> PaletteOf(Tree& tree)
{
    std::vector<uint8_t> quads(4 * tree.LeafCount());
    tree.FillPalette(quads.data());
    return quads;
}

// Merging: thousands of colours, small and large colour limits, colours of 5 bits per channel
// (one child per node from depth 5 down) through the 15-bit road and one by one, and mixed
// with full 8-bit colours (several children at every depth).
TEST(SameBytes, QuantizerMergesLikeThePlainOne)
{
    for (uint32_t limit : {256u, 16u, 2u}) {
        for (int kind = 0; kind < 3; ++kind) {
            CPaletteOctree fast(limit, 8);
            reference::CPaletteOctree plain(limit, 8);
            std::vector<uint16_t> values;
            uint32_t s = 1234 + limit + kind;
            uint16_t value = 0;
            for (int i = 0; i < 40000; ++i) {
                s = s * 1664525u + 1013904223u;
                if (kind == 2 && i % 3 == 0) {
                    const uint8_t r = static_cast<uint8_t>(s >> 24), g = static_cast<uint8_t>(s >> 16),
                                  b = static_cast<uint8_t>(s >> 3);
                    fast.AddColour(r, g, b);
                    plain.AddColour(r, g, b);
                    continue;
                }
                if (i % 7 == 0)   // a new colour, then a stretch of the same
                    value = static_cast<uint16_t>((s >> 9) & 0x7FFF);
                const uint8_t r = static_cast<uint8_t>(((value >> 10) & 31) << 3);
                const uint8_t g = static_cast<uint8_t>(((value >> 5) & 31) << 3);
                const uint8_t b = static_cast<uint8_t>((value & 31) << 3);
                plain.AddColour(r, g, b);
                if (kind == 0)
                    values.push_back(value);
                else
                    fast.AddColour(r, g, b);
            }
            fast.Feed15BitPixels(values.data(), values.size());
            ASSERT_EQ(fast.LeafCount(), plain.LeafCount()) << limit << " kind " << kind;
            ASSERT_EQ(PaletteOf(fast), PaletteOf(plain)) << limit << " kind " << kind;
        }
    }
}

// Every road of the many-rows dither (sixteen rows, eight rows, then single rows; blocks of
// eight columns, then single columns) against one row at a time, on random bytes with
// extremes: every width remainder, heights around the row groups.
TEST(SameBytes, DitherRoadsMatchOneRowAtATime)
{
    uint32_t s = 77;
    for (int32_t w : {1, 7, 8, 9, 15, 16, 17, 23, 1001}) {
        for (int32_t h : {7, 8, 9, 16, 19, 24, 33}) {
            const uint64_t stride = 4 * static_cast<uint64_t>(w) + 12;   // rows with padding
            std::vector<uint8_t> rows(stride * h);
            for (uint8_t& b : rows) {
                s = s * 1664525u + 1013904223u;
                const uint32_t r = s >> 24;
                b = static_cast<uint8_t>(r < 40 ? 255 : (r < 80 ? 0 : r));
            }
            std::vector<uint16_t> one(static_cast<size_t>(w) * h);
            for (int32_t y = 0; y < h; ++y)
                DitherRowTo15Bit(rows.data() + stride * y, w, one.data() + static_cast<size_t>(w) * y);
            for (DitherRoad road : {DitherRoad::Plain, DitherRoad::Sse2, DitherRoad::Avx2}) {
                if (!DitherRoadAvailable(road))
                    continue;
                std::vector<uint16_t> many(one.size());
                DitherRowsTo15BitBy(road, rows.data(), w, h, stride, many.data());
                ASSERT_EQ(many, one) << "road " << static_cast<int>(road) << ", " << w << " x " << h;
            }
            std::vector<uint16_t> chosen(one.size());
            DitherRowsTo15Bit(rows.data(), w, h, stride, chosen.data());
            ASSERT_EQ(chosen, one) << w << " x " << h;
        }
    }
}

TEST(SameBytes, FramesOfEveryDepth)
{
    const int sizes[][2] = {{1, 1}, {3, 2}, {7, 3}, {64, 64}, {257, 5}, {320, 180}, {640, 400}};
    uint32_t seed = 11;
    for (const auto& s : sizes) {
        for (int kind = 0; kind < 2; ++kind) {
            const std::vector<Rgb> px = kind ? ScreenLikePixels(s[0], s[1], ++seed) : NoisePixels(s[0], s[1], ++seed);
            ExpectSameAsReference(MakeDib(s[0], s[1], px, 32), 1, "32-bit");
            ExpectSameAsReference(MakeDib(s[0], s[1], px, 24), 1, "24-bit nearest");
            ExpectSameAsReference(MakeDib(s[0], s[1], px, 24), 0, "24-bit tree");
            std::vector<uint8_t> dib16(PackedDibSize(s[0], s[1], 16));
            WriteDibHeader(dib16.data(), s[0], s[1], 16);
            for (size_t i = 40; i < dib16.size(); ++i)
                dib16[i] = static_cast<uint8_t>(px[(i / 3) % px.size()].green ^ i);
            ExpectSameAsReference(dib16, 1, "16-bit");
        }
    }
}

// The builder keeps its working buffer from frame to frame: a frame after a larger
// or a smaller one, and frames built on two threads at once, come out as if each were the first.
TEST(SameBytes, FramesAfterOthersOfAnotherSizeAndOnTwoThreads)
{
    const int sizes[][2] = {{640, 400}, {33, 7}, {1000, 700}, {320, 180}};
    for (const auto& s : sizes)
        ExpectSameAsReference(MakeDib(s[0], s[1], ScreenLikePixels(s[0], s[1], s[0])), 1, "sizes in turn");
    std::thread other([] {
        for (int k = 0; k < 3; ++k)
            ExpectSameAsReference(MakeDib(800, 600, NoisePixels(800, 600, 40 + k)), 1, "other thread");
    });
    for (int k = 0; k < 3; ++k)
        ExpectSameAsReference(MakeDib(700, 500, ScreenLikePixels(700, 500, 50 + k)), 1, "this thread");
    other.join();
}

// Each worker of a recording builds and writes frames, then ends; the objects kept from frame
// to frame must outlive none of them and serve the threads that overlap.
TEST(SameBytes, ManyThreadsThatEndAfterAFrame)
{
    for (int round = 0; round < 6; ++round) {
        std::vector<std::thread> workers;
        for (int t = 0; t < 3; ++t)
            workers.emplace_back([round, t] {
                ExpectSameAsReference(MakeDib(160 + 16 * t, 90, NoisePixels(160 + 16 * t, 90, 7 * round + t)), 1,
                                      "short-lived thread");
            });
        for (auto& w : workers)
            w.join();
    }
}

TEST(SameBytes, FullHdScreenAndPhotoFrames)
{
    ExpectSameAsReference(MakeDib(1920, 1080, ScreenLikePixels(1920, 1080, 5)), 1, "screen");
    ExpectSameAsReference(MakeDib(1920, 1080, NoisePixels(1920, 1080, 6)), 1, "noise");
}

}  // namespace
