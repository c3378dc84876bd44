// The fast core against the plain reference: same palette, indices and file bytes for the same
// input, on random and screen-like frames of every depth.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "gif/dib.h"
#include "gif/dither15.h"
#include "gif/frame_workspace.h"
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

std::vector<uint8_t> FileOf(const BuiltFrame& f, bool fast, CFrameWorkspace* workspace = nullptr)
{
    CMemorySink sink;
    const auto w = static_cast<uint16_t>(f.width), h = static_cast<uint16_t>(f.height);
    if (fast) {
        WriteGifHeader(sink, w, h, f.bitsPerIndex);
        WriteWholeFrame(sink, f.indices.data(), f.palette.data(), w, h, f.bitsPerIndex, 4, -1, workspace);
        WriteWholeFrame(sink, f.indices.data(), f.palette.data(), w, h, f.bitsPerIndex, 4, -1, workspace);
        WriteGifTrailer(sink);
    } else {
        reference::WriteGifHeader(sink, w, h, f.bitsPerIndex);
        reference::WriteGifFrame(sink, f.indices.data(), f.palette.data(), w, h, f.bitsPerIndex, 4, -1);
        reference::WriteGifFrame(sink, f.indices.data(), f.palette.data(), w, h, f.bitsPerIndex, 4, -1);
        reference::WriteGifTrailer(sink);
    }
    return sink.Bytes();
}

// workspace: kept by the caller from frame to frame, as an encoder worker keeps it; null for
// memory of the frame's own.
void ExpectSameAsReference(const std::vector<uint8_t>& dib, int nearest, const char* what,
                           CFrameWorkspace* workspace = nullptr)
{
    const BuiltFrame fast = Build(dib, nearest, workspace);
    const BuiltFrame plain = BuildReference(dib, nearest);
    ASSERT_EQ(fast.result, plain.result) << what;
    ASSERT_EQ(fast.bitsPerIndex, plain.bitsPerIndex) << what;
    ASSERT_EQ(fast.palette, plain.palette) << what;
    ASSERT_TRUE(fast.indices == plain.indices) << what;
    ASSERT_TRUE(FileOf(fast, true, workspace) == FileOf(plain, false)) << what;
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
// (one child per node from depth 5 down) through the 15-bit path and one by one, and mixed
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

// Every path of the many-rows dither (sixteen rows, eight rows, then single rows; blocks of
// eight columns, then single columns) against one row at a time, on random bytes with
// extremes: every width remainder, heights around the row groups.
TEST(SameBytes, DitherPathsMatchOneRowAtATime)
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
            for (DitherPath path : {DitherPath::Plain, DitherPath::Sse2, DitherPath::Avx2}) {
                if (!DitherPathAvailable(path))
                    continue;
                std::vector<uint16_t> many(one.size());
                DitherRowsTo15BitBy(path, rows.data(), w, h, stride, many.data());
                ASSERT_EQ(many, one) << "path " << static_cast<int>(path) << ", " << w << " x " << h;
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

// One frame of the sequences a kept workspace goes through.
struct ReuseStep {
    int32_t width, height;
    bool noise;       // noise, or screen-like content
    uint16_t depth;   // 32, 24 or 16 bits per pixel
};

std::vector<uint8_t> DibOf(const ReuseStep& step, uint32_t seed)
{
    const std::vector<Rgb> px = step.noise ? NoisePixels(step.width, step.height, seed)
                                           : ScreenLikePixels(step.width, step.height, seed);
    if (step.depth != 16)
        return MakeDib(step.width, step.height, px, step.depth);
    std::vector<uint8_t> dib(PackedDibSize(step.width, step.height, 16));
    WriteDibHeader(dib.data(), step.width, step.height, 16);
    for (size_t i = 40; i < dib.size(); ++i)
        dib[i] = static_cast<uint8_t>(px[(i / 3) % px.size()].green ^ i);
    return dib;
}

// Larger and smaller frames, noise after text and back, every depth: a workspace handed from
// one frame to the next (its dither buffer and LZW table) gives the bytes a fresh one gives.
const ReuseStep kReuseSteps[] = {
    {640, 400, false, 32}, {33, 7, true, 32},    {1000, 700, true, 32}, {320, 180, false, 32},
    {320, 180, true, 24},  {1000, 700, false, 16}, {1, 1, false, 32},   {800, 600, true, 32},
};

// Frames of other sizes and contents in turn through one kept workspace, and two threads each
// with their own at the same time.
TEST(SameBytes, FramesAfterOthersOfAnotherSizeAndOnTwoThreads)
{
    const auto sequence = [](uint32_t seed, const char* what) {
        CFrameWorkspace workspace;
        for (const ReuseStep& step : kReuseSteps) {
            SCOPED_TRACE(testing::Message() << what << " " << step.width << " x " << step.height << ", "
                                            << step.depth << " bits");
            const std::vector<uint8_t> dib = DibOf(step, seed++);
            ExpectSameAsReference(dib, 1, what, &workspace);
            // And what a fresh workspace writes.
            const BuiltFrame fresh = Build(dib, 1);
            const BuiltFrame reused = Build(dib, 1, &workspace);
            ASSERT_TRUE(FileOf(reused, true, &workspace) == FileOf(fresh, true)) << what;
        }
    };
    std::thread other([&] { sequence(40, "other thread"); });
    sequence(50, "this thread");
    other.join();
}

// Each worker of a recording keeps a workspace for a few frames of different sizes, then ends
// and takes it with it; the threads overlap.
TEST(SameBytes, ManyThreadsThatEndAfterAFrame)
{
    for (int round = 0; round < 6; ++round) {
        std::vector<std::thread> workers;
        for (int t = 0; t < 3; ++t)
            workers.emplace_back([round, t] {
                CFrameWorkspace workspace;
                for (int k = 0; k < 2; ++k) {
                    const int32_t w = 160 + 16 * t - 40 * k, h = 90 + 30 * k;
                    ExpectSameAsReference(MakeDib(w, h, NoisePixels(w, h, 7 * round + t + k)), 1,
                                          "short-lived thread", &workspace);
                }
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
