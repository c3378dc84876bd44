// The reader against giflib on the files our writer makes in both encodings, on damaged files,
// and the trimmer's output read back by both.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "gif/compact_frame.h"
#include "gif/gif_index.h"
#include "gif/gif_pictures.h"
#include "gif/gif_trim.h"
#include "gif/gif_writer.h"
#include "gif/memory_sink.h"
#include "gif_memory_reader.h"
#include "test_frames.h"

namespace {

using Picture = std::vector<uint32_t>;

struct Decoded {
    std::vector<Picture> pictures;
    std::vector<int> delays;
    int loopCount = -1;  // the looping extension's count, -1 without one
};

uint32_t Pack(const Rgb& c)
{
    return 0xFF000000u | uint32_t(c.red) << 16 | uint32_t(c.green) << 8 | c.blue;
}

// A recording's screens: screen-like content in fewer than 256 colours with a box that moves,
// and one frame of noise (far more than 256 colours) at noiseAt.
std::vector<Picture> Screens(int32_t w, int32_t h, int count, int noiseAt)
{
    std::vector<Rgb> base = ScreenLikePixels(w, h, 5);
    std::vector<Picture> screens;
    for (int k = 0; k < count; ++k) {
        Picture p(base.size());
        std::transform(base.begin(), base.end(), p.begin(), [](const Rgb& c) { return Pack(c) & 0xFFC0E0C0u; });
        for (int32_t y = h / 4; y < h / 4 + h / 5; ++y)
            for (int32_t x = k * 3 % (w / 2); x < k * 3 % (w / 2) + w / 6; ++x)
                p[size_t(y) * w + x] = 0xFF000000u | uint32_t(k * 40 % 256) << 8 | 0x30;
        if (k == noiseAt) {
            const std::vector<Rgb> noise = NoisePixels(w / 2, h / 2, 77);
            for (int32_t y = 0; y < h / 2; ++y)
                for (int32_t x = 0; x < w / 2; ++x)
                    p[size_t(y + h / 3) * w + x + w / 3] = Pack(noise[size_t(y) * (w / 2) + x]);
        }
        screens.push_back(std::move(p));
    }
    return screens;
}

std::vector<uint8_t> DefaultGif(const std::vector<Picture>& screens, int32_t w, int32_t h, uint32_t plays = kPlayForever)
{
    CMemorySink sink;
    for (size_t k = 0; k < screens.size(); ++k) {
        std::vector<Rgb> px(screens[k].size());
        for (size_t i = 0; i < px.size(); ++i)
            px[i] = {uint8_t(screens[k][i] >> 16), uint8_t(screens[k][i] >> 8), uint8_t(screens[k][i])};
        const BuiltFrame b = Build(MakeDib(w, h, px));
        if (k == 0)
            WriteGifHeader(sink, uint16_t(w), uint16_t(h), b.bitsPerIndex, plays);
        GifImage image;
        image.rect = {0, 0, w, h};
        image.tableBits = b.bitsPerIndex;
        image.palette = b.palette;
        image.indices = b.indices;
        WriteGifFrame(sink, image, uint16_t(3 + k));
    }
    WriteGifTrailer(sink);
    return sink.Bytes();
}

PixelView View(const Picture& p, int32_t w, int32_t h)
{
    PixelView v;
    v.top = p.data();
    v.step = w;
    v.width = w;
    v.height = h;
    return v;
}

std::vector<uint8_t> CompactGif(const std::vector<Picture>& screens, int32_t w, int32_t h)
{
    CMemorySink sink;
    WriteGifHeader(sink, uint16_t(w), uint16_t(h), 8);
    for (size_t k = 0; k < screens.size(); ++k) {
        const PixelView current = View(screens[k], w, h);
        const PixelView before = k ? View(screens[k - 1], w, h) : PixelView();
        WriteGifFrame(sink, BuildCompactFrame(k ? &before : nullptr, current, CompactOptions()), uint16_t(3 + k));
    }
    WriteGifTrailer(sink);
    return sink.Bytes();
}

// giflib's frames composited the way players do, as an independent judge.
Decoded WithGiflib(const std::vector<uint8_t>& file)
{
    Decoded d;
    const SlurpedGif slurped = Slurp(file);
    GifFileType* gif = slurped.get();
    if (!gif)
        return d;
    const int w = gif->SWidth, h = gif->SHeight;
    Picture canvas(size_t(w) * h, 0), underneath;
    for (int k = 0; k < gif->ImageCount; ++k) {
        const SavedImage& image = gif->SavedImages[k];
        GraphicsControlBlock gcb{0, false, 0, NO_TRANSPARENT_COLOR};
        DGifSavedExtensionToGCB(gif, k, &gcb);
        for (int e = 0; e < image.ExtensionBlockCount; ++e) {
            const ExtensionBlock& x = image.ExtensionBlocks[e];
            if (x.Function == APPLICATION_EXT_FUNC_CODE && x.ByteCount == 11 && std::memcmp(x.Bytes, "NETSCAPE2.0", 11) == 0 &&
                e + 1 < image.ExtensionBlockCount && image.ExtensionBlocks[e + 1].ByteCount >= 3)
                d.loopCount = image.ExtensionBlocks[e + 1].Bytes[1] | image.ExtensionBlocks[e + 1].Bytes[2] << 8;
        }
        const GifImageDesc& desc = image.ImageDesc;
        const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        if (gcb.DisposalMode == DISPOSE_PREVIOUS)
            underneath = canvas;
        for (int y = 0; y < desc.Height && desc.Top + y < h; ++y)
            for (int x = 0; x < desc.Width && desc.Left + x < w; ++x) {
                const int index = image.RasterBits[size_t(y) * desc.Width + x];
                if (index == gcb.TransparentColor)
                    continue;
                const GifColorType& c = map->Colors[index];
                canvas[size_t(desc.Top + y) * w + desc.Left + x] = 0xFF000000u | uint32_t(c.Red) << 16 | uint32_t(c.Green) << 8 | c.Blue;
            }
        d.pictures.push_back(canvas);
        d.delays.push_back(gcb.DelayTime);
        if (gcb.DisposalMode == DISPOSE_BACKGROUND || gcb.DisposalMode == DISPOSE_PREVIOUS)
            for (int y = desc.Top; y < desc.Top + desc.Height && y < h; ++y)
                for (int x = desc.Left; x < desc.Left + desc.Width && x < w; ++x)
                    canvas[size_t(y) * w + x] = gcb.DisposalMode == DISPOSE_BACKGROUND ? 0 : underneath[size_t(y) * w + x];
    }
    return d;
}

// Our reader's pictures, visited in the given order and returned in frame order.
Decoded WithReader(const std::vector<uint8_t>& file, const std::vector<size_t>& order, size_t budget,
                   GifError* error = nullptr)
{
    Decoded d;
    CMemorySource source(file);
    GifFileInfo info;
    GifError e = IndexGif(source, &info);
    if (error)
        *error = e;
    if (e != GifError::None)
        return d;
    d.loopCount = info.loopCount;
    CGifPictures pictures(source, info, budget);
    d.pictures.resize(info.frames.size());
    for (size_t k : order) {
        e = pictures.Show(k);
        if (e != GifError::None) {
            if (error)
                *error = e;
            return Decoded();
        }
        const size_t n = size_t(info.width) * info.height;
        d.pictures[k].assign(pictures.Picture(), pictures.Picture() + n);
    }
    for (const GifFrameInfo& f : info.frames)
        d.delays.push_back(f.delay);
    return d;
}

std::vector<size_t> InOrder(size_t n)
{
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; ++i)
        order[i] = i;
    return order;
}

std::vector<size_t> Shuffled(size_t n, unsigned seed)
{
    std::vector<size_t> order = InOrder(n);
    std::shuffle(order.begin(), order.end(), std::mt19937(seed));
    order.push_back(0);
    order.push_back(n - 1);
    return order;
}

struct FileCase {
    const char* name;
    bool compact;
    int32_t width, height;
    int frames;
    size_t budget;  // bytes for kept pictures
};

const FileCase kFiles[] = {
    {"default 1x1", false, 1, 1, 3, 1 << 20},
    {"default 37x23", false, 37, 23, 6, 1 << 20},
    {"default 320x180", false, 320, 180, 5, 1 << 20},
    {"compact 1x1", true, 1, 1, 3, 1 << 20},
    {"compact 37x23", true, 37, 23, 9, 1 << 20},
    {"compact 320x180, no budget", true, 320, 180, 12, 0},
    {"compact 320x180, two kept", true, 320, 180, 12, 2 * 320 * 180 * 4},
    {"compact 641x359", true, 641, 359, 8, 64 << 20},
};

std::vector<uint8_t> MakeFile(const FileCase& c)
{
    const std::vector<Picture> screens = Screens(c.width, c.height, c.frames, c.frames / 2);
    return c.compact ? CompactGif(screens, c.width, c.height) : DefaultGif(screens, c.width, c.height);
}

TEST(GifReader, PicturesAsGiflibCompositesThemInAnyOrder)
{
    for (const FileCase& c : kFiles) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> file = MakeFile(c);
        const Decoded judge = WithGiflib(file);
        ASSERT_EQ(judge.pictures.size(), size_t(c.frames));
        for (const auto& order : {InOrder(c.frames), Shuffled(c.frames, 1), Shuffled(c.frames, 2)}) {
            GifError error = GifError::None;
            const Decoded ours = WithReader(file, order, c.budget, &error);
            ASSERT_EQ(error, GifError::None);
            EXPECT_EQ(ours.delays, judge.delays);
            for (int k = 0; k < c.frames; ++k)
                ASSERT_EQ(ours.pictures[k], judge.pictures[k]) << "frame " << k;
        }
    }
}

TEST(GifReader, SeeksFromTheClosestStartWithinTheBudget)
{
    const int32_t w = 160, h = 90;
    const std::vector<uint8_t> file = CompactGif(Screens(w, h, 40, -1), w, h);
    CMemorySource source(file);
    GifFileInfo info;
    ASSERT_EQ(IndexGif(source, &info), GifError::None);
    const size_t picture = size_t(w) * h * 4;
    CGifPictures pictures(source, info, 4 * picture);
    EXPECT_EQ(pictures.KeyInterval(), 10u);
    for (size_t k = 0; k < 40; ++k)
        ASSERT_EQ(pictures.Show(k), GifError::None);
    EXPECT_EQ(pictures.KeptCount(), 3u);  // 10, 20, 30; frame 0 is whole and needs none
    struct Seek {
        size_t to;
        size_t decodes;  // frames decoded for it
    };
    const Seek seeks[] = {{25, 5}, {26, 1}, {20, 0}, {9, 10}, {0, 1}, {39, 9}, {31, 1}};
    for (const Seek& s : seeks) {
        SCOPED_TRACE(s.to);
        const size_t before = pictures.DecodedCount();
        ASSERT_EQ(pictures.Show(s.to), GifError::None);
        EXPECT_EQ(pictures.DecodedCount() - before, s.decodes);
    }
}

TEST(GifReader, PreparingAheadLeavesThePictureShown)
{
    const int32_t w = 160, h = 90;
    const std::vector<uint8_t> file = CompactGif(Screens(w, h, 40, 7), w, h);
    CMemorySource source(file);
    GifFileInfo info;
    ASSERT_EQ(IndexGif(source, &info), GifError::None);
    CGifPictures pictures(source, info, 4 * size_t(w) * h * 4);
    ASSERT_EQ(pictures.Show(3), GifError::None);
    const Picture shown(pictures.Picture(), pictures.Picture() + size_t(w) * h);
    bool done = false;
    const size_t decodedBefore = pictures.DecodedCount();
    while (!done) {
        const size_t before = pictures.DecodedCount();
        ASSERT_EQ(pictures.PrepareAhead(7, &done), GifError::None);
        ASSERT_LE(pictures.DecodedCount() - before, 8u);  // about 7 a call
    }
    // Frames 0..30: the last picture kept is at 30, nothing after it is decoded.
    EXPECT_EQ(pictures.DecodedCount() - decodedBefore, 31u);
    EXPECT_EQ(Picture(pictures.Picture(), pictures.Picture() + size_t(w) * h), shown);
    EXPECT_EQ(pictures.KeptCount(), 3u);
    const Decoded judge = WithGiflib(file);
    for (size_t k : {39u, 21u, 35u}) {
        const size_t before = pictures.DecodedCount();
        ASSERT_EQ(pictures.Show(k), GifError::None);
        EXPECT_LE(pictures.DecodedCount() - before, pictures.KeyInterval());
        EXPECT_EQ(Picture(pictures.Picture(), pictures.Picture() + size_t(w) * h), judge.pictures[k]);
    }
}

TEST(GifReader, DefaultFramesDecodeAlone)
{
    const std::vector<uint8_t> file = DefaultGif(Screens(50, 30, 20, 3), 50, 30);
    CMemorySource source(file);
    GifFileInfo info;
    ASSERT_EQ(IndexGif(source, &info), GifError::None);
    CGifPictures pictures(source, info, 1 << 20);
    bool done = false;
    ASSERT_EQ(pictures.PrepareAhead(100, &done), GifError::None);
    EXPECT_TRUE(done);
    EXPECT_EQ(pictures.DecodedCount(), 0u);  // whole frames need no pictures kept
    for (size_t k : {17u, 3u, 19u, 0u}) {
        const size_t before = pictures.DecodedCount();
        ASSERT_EQ(pictures.Show(k), GifError::None);
        EXPECT_EQ(pictures.DecodedCount() - before, 1u);
    }
}

// Damage of every kind: a clear error, never a crash or a read past the bytes (run under
// the sanitizers).
TEST(GifReader, DamagedFilesAreRefused)
{
    const std::vector<uint8_t> good = CompactGif(Screens(40, 30, 4, 2), 40, 30);
    CMemorySource goodSource(good);
    GifFileInfo info;
    ASSERT_EQ(IndexGif(goodSource, &info), GifError::None);
    const GifFrameInfo& f1 = info.frames[1];
    struct Damage {
        const char* name;
        size_t at;        // byte to change
        int value;        // its new value; -1: cut the file here
        GifError index;   // what indexing says
        GifError decode;  // what decoding every frame says after a clean index
    };
    const Damage damages[] = {
        {"empty", 0, -1, GifError::NotGif, GifError::None},
        {"signature", 3, 'X', GifError::NotGif, GifError::None},
        {"cut in the header", 9, -1, GifError::NotGif, GifError::None},
        {"cut before the trailer", good.size() - 1, -1, GifError::Truncated, GifError::None},
        {"cut in image data", size_t(f1.end - 5), -1, GifError::Truncated, GifError::None},
        {"unknown block", size_t(f1.start), 0x99, GifError::BadBlock, GifError::None},
        {"code size 0", size_t(f1.dataOffset), 0, GifError::BadImage, GifError::None},
        {"code size 12", size_t(f1.dataOffset), 12, GifError::BadImage, GifError::None},
        {"first code not a literal", size_t(f1.dataOffset + 2), 0xFF, GifError::None, GifError::BadCode},
        {"image taller than its data", size_t(f1.imageOffset + 7), 0x7F, GifError::None, GifError::ShortData},
        {"no colour table", size_t(f1.imageOffset + 9), 0x00, GifError::None, GifError::None},
    };
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.name);
        std::vector<uint8_t> bad = good;
        if (d.value < 0)
            bad.resize(d.at);
        else
            bad[d.at] = uint8_t(d.value);
        GifError error = GifError::None;
        WithReader(bad, InOrder(4), 1 << 20, &error);
        if (d.index != GifError::None || d.decode != GifError::None)
            EXPECT_EQ(error, d.index != GifError::None ? d.index : d.decode);
        else
            EXPECT_NE(error, GifError::None);
    }
}

// Every prefix of a file is refused and no flipped byte makes the reader misbehave.
TEST(GifReader, EveryCutAndFlippedByte)
{
    const std::vector<uint8_t> good = CompactGif(Screens(24, 16, 3, 1), 24, 16);
    for (size_t cut = 0; cut < good.size(); ++cut) {
        GifError error = GifError::None;
        WithReader(std::vector<uint8_t>(good.begin(), good.begin() + ptrdiff_t(cut)), InOrder(3), 1 << 20, &error);
        ASSERT_NE(error, GifError::None) << "cut at " << cut;
    }
    std::mt19937 random(7);
    for (size_t at = 0; at < good.size(); ++at) {
        std::vector<uint8_t> bad = good;
        bad[at] ^= uint8_t(1 + random() % 255);
        GifError error = GifError::None;
        WithReader(bad, Shuffled(3, unsigned(at)), 1 << 20, &error);
    }
}

TEST(GifReader, LoopCountAsEveryReaderSeesIt)
{
    struct Case {
        uint32_t plays;
        int stored;  // the looping extension's count, -1: no extension
    };
    const Case cases[] = {{kPlayForever, 0}, {1, -1}, {2, 1}, {5, 4}, {kMaxPlays, 65535}, {kMaxPlays + 9, 65535}};
    const std::vector<Picture> screens = Screens(8, 8, 2, -1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.plays);
        const std::vector<uint8_t> file = DefaultGif(screens, 8, 8, c.plays);
        EXPECT_EQ(WithGiflib(file).loopCount, c.stored);
        EXPECT_EQ(WithReader(file, InOrder(2), 0).loopCount, c.stored);
        EXPECT_EQ(WithGiflib(file).pictures.size(), 2u);
    }
}

struct TrimCase {
    const char* name;
    bool compact;
    size_t first, last;
    int noiseAt;          // the frame of more than 256 colours
    bool exact;           // the first kept picture keeps every colour
};

TEST(GifTrim, KeptFramesShowAsBefore)
{
    const int32_t w = 120, h = 70;
    const int count = 10;
    const TrimCase cases[] = {
        {"default, all", false, 0, 9, 4, true},
        {"default, middle", false, 3, 6, 4, true},
        {"default, one frame", false, 5, 5, 4, true},
        {"compact, all", true, 0, 9, -1, true},
        {"compact, middle", true, 2, 7, -1, true},
        {"compact, last only", true, 9, 9, -1, true},
        {"compact, from many colours", true, 4, 8, 4, false},
        {"compact, after many colours", true, 5, 8, 4, false},
    };
    for (const TrimCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<Picture> screens = Screens(w, h, count, c.noiseAt);
        const std::vector<uint8_t> file = c.compact ? CompactGif(screens, w, h) : DefaultGif(screens, w, h, 3);
        CMemorySource source(file);
        GifFileInfo info;
        ASSERT_EQ(IndexGif(source, &info), GifError::None);
        CGifPictures pictures(source, info, 1 << 20);
        CMemorySink out;
        ASSERT_EQ(WriteTrimmedGif(source, info, pictures, c.first, c.last, out), GifError::None);

        const Decoded before = WithGiflib(file), after = WithGiflib(out.Bytes());
        ASSERT_EQ(after.pictures.size(), c.last - c.first + 1);
        EXPECT_EQ(after.loopCount, before.loopCount);
        for (size_t k = c.first; k <= c.last; ++k) {
            SCOPED_TRACE(k);
            EXPECT_EQ(after.delays[k - c.first], before.delays[k]);
            const Picture& want = before.pictures[k];
            const Picture& got = after.pictures[k - c.first];
            if (c.exact) {
                ASSERT_EQ(got, want);
                continue;
            }
            // Reduced colours: close, and the pixels the later frames paint are exact.
            double error = 0;
            for (size_t i = 0; i < want.size(); ++i)
                for (int shift : {0, 8, 16})
                    error += std::abs(int(got[i] >> shift & 0xFF) - int(want[i] >> shift & 0xFF));
            EXPECT_LT(error / (3.0 * want.size()), 6.0);
        }
        if (!c.compact) {
            // Default frames are copied as they were: the kept file is the original's bytes.
            const std::vector<uint8_t> kept(file.begin() + ptrdiff_t(info.frames[c.first].controlOffset),
                                            file.begin() + ptrdiff_t(info.frames[c.last].end));
            EXPECT_NE(std::search(out.Bytes().begin(), out.Bytes().end(), kept.begin(), kept.end()), out.Bytes().end());
        }
    }
}

TEST(GifTrim, RefusesRangesOutsideTheFile)
{
    const std::vector<uint8_t> file = CompactGif(Screens(20, 10, 3, -1), 20, 10);
    CMemorySource source(file);
    GifFileInfo info;
    ASSERT_EQ(IndexGif(source, &info), GifError::None);
    CGifPictures pictures(source, info, 0);
    const size_t ranges[][2] = {{2, 1}, {0, 3}, {5, 7}};
    for (const auto& r : ranges) {
        CMemorySink out;
        EXPECT_EQ(WriteTrimmedGif(source, info, pictures, r[0], r[1], out), GifError::NoFrames);
        EXPECT_TRUE(out.Bytes().empty());
    }
}

}  // namespace
