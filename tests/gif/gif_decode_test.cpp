// Every file the writer produces must decode with an independent decoder (giflib) to exactly
// palette[index] for every pixel, and its code stream must hold up to giflib's strict
// code-by-code reader, closing clear and end code included.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gif/gif_writer.h"
#include "gif/indexed_frame.h"
#include "gif/lzw_decoder.h"
#include "gif/lzw_encoder.h"
#include "gif_memory_reader.h"
#include "test_frames.h"

namespace {

struct Frame {
    std::vector<uint8_t> palette;
    std::vector<uint8_t> indices;
    uint16_t width, height;
    uint8_t bits;
};

// shortestCode: each frame's code table kept full or cleared, whichever codes it shorter.
std::vector<uint8_t> WriteFile(const std::vector<Frame>& frames, bool shortestCode = false)
{
    CMemorySink sink;
    WriteGifHeader(sink, frames[0].width, frames[0].height, frames[0].bits);
    for (const Frame& f : frames) {
        GifImage image;
        image.rect = ImageRect{0, 0, f.width, f.height};
        image.tableBits = f.bits;
        image.palette = f.palette;
        image.indices = f.indices;
        image.shortestCode = shortestCode;
        WriteGifFrame(sink, image, 4);
    }
    WriteGifTrailer(sink);
    return sink.Bytes();
}

// Decodes all frames to RGB and checks each pixel against palette[index].
void ExpectDecodesTo(const std::vector<uint8_t>& file, const std::vector<Frame>& frames)
{
    Memory m{&file, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&m, ReadMemory, &error);
    ASSERT_NE(gif, nullptr) << error;
    ASSERT_EQ(DGifSlurp(gif), GIF_OK) << GifErrorString(gif->Error);
    ASSERT_EQ(gif->ImageCount, static_cast<int>(frames.size()));
    for (size_t k = 0; k < frames.size(); ++k) {
        const SavedImage& image = gif->SavedImages[k];
        const Frame& f = frames[k];
        ASSERT_EQ(image.ImageDesc.Width, f.width);
        ASSERT_EQ(image.ImageDesc.Height, f.height);
        ASSERT_NE(image.ImageDesc.ColorMap, nullptr);
        ASSERT_EQ(image.ImageDesc.ColorMap->ColorCount, 1 << f.bits);
        const GifColorType* colours = image.ImageDesc.ColorMap->Colors;
        for (size_t i = 0; i < f.indices.size(); ++i) {
            const GifColorType& c = colours[image.RasterBits[i]];
            const uint8_t* want = &f.palette[3 * f.indices[i]];
            if (c.Red != want[0] || c.Green != want[1] || c.Blue != want[2]) {
                FAIL() << "frame " << k << " pixel " << i;
            }
        }
    }
    DGifCloseFile(gif, &error);

    // Second pass: every code of every frame, as giflib's code dump reads them.
    m.offset = 0;
    gif = DGifOpen(&m, ReadMemory, &error);
    ASSERT_NE(gif, nullptr);
    GifRecordType record;
    int images = 0;
    do {
        ASSERT_EQ(DGifGetRecordType(gif, &record), GIF_OK);
        if (record == IMAGE_DESC_RECORD_TYPE) {
            ASSERT_EQ(DGifGetImageDesc(gif), GIF_OK);
            int code = 0;
            do {
                ASSERT_EQ(DGifGetLZCodes(gif, &code), GIF_OK)
                    << "frame " << images << ": " << GifErrorString(gif->Error);
            } while (code >= 0);
            ++images;
        } else if (record == EXTENSION_RECORD_TYPE) {
            int type;
            GifByteType* ext;
            ASSERT_EQ(DGifGetExtension(gif, &type, &ext), GIF_OK);
            while (ext)
                ASSERT_EQ(DGifGetExtensionNext(gif, &ext), GIF_OK);
        }
    } while (record != TERMINATE_RECORD_TYPE);
    EXPECT_EQ(images, static_cast<int>(frames.size()));
    DGifCloseFile(gif, &error);
}

Frame FromBuilder(int32_t w, int32_t h, const std::vector<Rgb>& px)
{
    BuiltFrame b = Build(MakeDib(w, h, px));
    EXPECT_EQ(b.result, 1);
    return {b.palette, b.indices, static_cast<uint16_t>(w), static_cast<uint16_t>(h), b.bitsPerIndex};
}

Frame RandomIndices(uint16_t w, uint16_t h, uint8_t bits, uint32_t seed, int runLength = 1)
{
    Frame f{std::vector<uint8_t>(3u << bits), std::vector<uint8_t>(size_t(w) * h), w, h, bits};
    for (size_t i = 0; i < f.palette.size(); ++i)
        f.palette[i] = static_cast<uint8_t>(i * 31 + seed);
    uint32_t s = seed | 1;
    uint8_t v = 0;
    for (size_t i = 0; i < f.indices.size(); ++i) {
        if (i % runLength == 0) {
            s ^= s << 13; s ^= s >> 17; s ^= s << 5;
            v = static_cast<uint8_t>(s % (1u << bits));
        }
        f.indices[i] = v;
    }
    return f;
}

TEST(GifDecode, BuiltFramesOfAwkwardSizes)
{
    const int sizes[][2] = {{1, 1}, {7, 3}, {257, 5}, {320, 180}, {1920, 1080}};
    uint32_t seed = 1;
    for (const auto& s : sizes) {
        std::vector<Frame> frames = {FromBuilder(s[0], s[1], NoisePixels(s[0], s[1], seed++)),
                                     FromBuilder(s[0], s[1], ScreenLikePixels(s[0], s[1], seed++))};
        ExpectDecodesTo(WriteFile(frames), frames);
    }
}

TEST(GifDecode, EveryWidthAndTheClosingClear)
{
    // Short single rows hit every position of the last assigned code against the width edge.
    for (uint8_t bits = 3; bits <= 8; ++bits)
        for (uint16_t w = 1; w <= 600; w += (bits == 3 ? 1 : 7)) {
            std::vector<Frame> frames = {RandomIndices(w, 1, bits, w * 7 + bits)};
            ExpectDecodesTo(WriteFile(frames), frames);
            Frame ramp = frames[0];
            for (uint16_t x = 0; x < w; ++x)
                ramp.indices[x] = static_cast<uint8_t>(x % (1u << bits));
            ExpectDecodesTo(WriteFile({ramp}), {ramp});
        }
}

TEST(GifDecode, LongFramesWithSeveralTableResets)
{
    for (uint8_t bits : {3, 5, 8}) {
        std::vector<Frame> frames = {RandomIndices(1000, 200, bits, bits), RandomIndices(999, 201, bits, 77, 3)};
        frames[1].width = 1000; frames[1].height = 200; frames[1].indices.resize(200000);
        ExpectDecodesTo(WriteFile(frames), frames);
    }
}

TEST(GifDecode, DataEndingOnAFullSubBlock)
{
    int found = 0;
    for (uint16_t w = 200; w < 3000 && found < 3; ++w) {
        std::vector<Frame> frames = {RandomIndices(w, 1, 8, w)};
        CMemorySink sink;
        WriteWholeFrame(sink, frames[0].indices.data(), frames[0].palette.data(), w, 1, 8, 4, -1);
        // Image data starts after the 8 + 10 + 768 + 1 fixed bytes.
        size_t pos = 8 + 10 + 768 + 1, blocks = 0, last = 0;
        while (sink.Bytes()[pos] != 0) {
            last = sink.Bytes()[pos];
            pos += 1 + last;
            ++blocks;
        }
        ASSERT_EQ(pos + 1, sink.Bytes().size());
        if (last == 255) {
            ++found;
            ExpectDecodesTo(WriteFile(frames), frames);
        } else {
            ASSERT_GT(last, 0u);
        }
    }
    EXPECT_GT(found, 0);
}

TEST(GifDecode, FramesOfOneFileDifferInBitsPerIndex)
{
    std::vector<Frame> frames;
    for (uint8_t bits : {8, 3, 6, 4, 8, 5, 7})
        frames.push_back(RandomIndices(97, 41, bits, bits * 3));
    ExpectDecodesTo(WriteFile(frames), frames);
}

// The largest screens: no size computation may overflow on the way to a valid file.
TEST(GifDecode, FrameOf7680x4320)
{
    const int32_t w = 7680, h = 4320;
    std::vector<Frame> frames = {FromBuilder(w, h, ScreenLikePixels(w, h, 99))};
    ASSERT_EQ(frames[0].indices.size(), static_cast<size_t>(w) * h);
    ExpectDecodesTo(WriteFile(frames), frames);
}

// Rows made of a few repeating stretches (lines of text): the full table still holds them.
Frame RepeatingRows(uint16_t w, uint16_t h, uint8_t bits, uint32_t seed)
{
    Frame f = RandomIndices(w, h, bits, seed);
    const size_t stretch = 97;
    for (size_t i = 0; i < f.indices.size(); ++i)
        f.indices[i] = f.indices[(i / w % 7) * stretch + i % stretch];
    return f;
}

// New patterns every few thousand pixels: what the full table holds is of no use further on.
Frame ChangingPatterns(uint16_t w, uint16_t h, uint8_t bits, uint32_t seed)
{
    Frame f = RandomIndices(w, h, bits, seed);
    for (size_t i = 0; i < f.indices.size(); ++i) {
        const size_t base = i / 6000 * 6000;
        f.indices[i] = f.indices[base + (i - base) % (23 + i / 6000 % 5)];
    }
    return f;
}

// The image data's sub-blocks joined, from a file of one frame written by WriteFile.
std::vector<uint8_t> JoinedData(const std::vector<uint8_t>& file, uint8_t bits)
{
    std::vector<uint8_t> data;
    size_t pos = 13 + 19 + 8 + 10 + (3u << bits) + 1;  // header, loop, control, descriptor, table, code size
    while (file.at(pos) != 0) {
        data.insert(data.end(), file.begin() + pos + 1, file.begin() + pos + 1 + file[pos]);
        pos += 1 + file[pos];
    }
    return data;
}

TEST(GifDecode, FullCodeTableKeptWhereItCodesShorter)
{
    struct Row {
        const char* name;
        Frame frame;
        int kept;  // 1: the kept table must code shorter, 0: the cleared one, -1: not filled
    };
    const Row rows[] = {
        {"repeating rows, 8 bits", RepeatingRows(1000, 300, 8, 5), 1},
        {"repeating rows, 3 bits", RepeatingRows(1000, 300, 3, 6), 1},
        {"repeating rows, 5 bits, odd width", RepeatingRows(999, 301, 5, 7), 1},
        {"changing patterns, 8 bits", ChangingPatterns(1000, 300, 8, 8), 0},
        {"changing patterns, 4 bits", ChangingPatterns(1000, 300, 4, 9), 0},
        {"small, table never full", RepeatingRows(120, 20, 8, 10), -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<Frame> frames = {row.frame};
        const std::vector<uint8_t> cleared = WriteFile(frames);
        const std::vector<uint8_t> shortest = WriteFile(frames, true);
        ExpectDecodesTo(shortest, frames);
        if (row.kept == 1)
            EXPECT_LT(shortest.size(), cleared.size());
        else
            EXPECT_TRUE(shortest == cleared);
        // The program's own decoder (the review window) reads what was written, too.
        const std::vector<uint8_t> data = JoinedData(shortest, row.frame.bits);
        std::vector<uint8_t> decoded(row.frame.indices.size());
        ASSERT_EQ(DecodeLzw(data.data(), data.size(), MinCodeSizeFor(row.frame.bits), decoded.data(), decoded.size()),
                  GifError::None);
        EXPECT_TRUE(decoded == row.frame.indices);
    }
}

}  // namespace
