#include "gif/gif_writer.h"

#include <gtest/gtest.h>

#include <vector>

#include "test_frames.h"

namespace {

TEST(GifWriter, HeaderOf320x180)
{
    CMemorySink sink;
    WriteGifHeader(sink, 320, 180, 8);
    const std::vector<uint8_t> expected = {
        0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x40, 0x01, 0xB4, 0x00, 0x70, 0x00, 0x00, 0x21, 0xFF, 0x0B,
        0x4E, 0x45, 0x54, 0x53, 0x43, 0x41, 0x50, 0x45, 0x32, 0x2E, 0x30, 0x03, 0x01, 0x00, 0x00, 0x00};
    EXPECT_EQ(sink.Bytes(), expected);
}

TEST(GifWriter, OnePixelFrame)
{
    CMemorySink sink;
    const uint8_t index = 0;
    const uint8_t palette[24] = {};
    WriteWholeFrame(sink, &index, palette, 1, 1, 3, 4, -1);
    const std::vector<uint8_t> tail(sink.Bytes().end() - 5, sink.Bytes().end());
    EXPECT_EQ(tail, (std::vector<uint8_t>{0x03, 0x02, 0x08, 0x98, 0x00}));
}

TEST(GifWriter, FrameBlocksBeforeTheImageData)
{
    CMemorySink sink;
    std::vector<uint8_t> palette(768);
    for (size_t i = 0; i < palette.size(); ++i)
        palette[i] = static_cast<uint8_t>(i * 7);
    const std::vector<uint8_t> indices(320 * 180, 5);
    WriteWholeFrame(sink, indices.data(), palette.data(), 320, 180, 8, 4, -1);
    const std::vector<uint8_t> head = {0x21, 0xF9, 0x04, 0x04, 0x04, 0x00, 0x00, 0x00, 0x2C,
                                       0x00, 0x00, 0x00, 0x00, 0x40, 0x01, 0xB4, 0x00, 0x87};
    ASSERT_GT(sink.Bytes().size(), head.size() + 769);
    EXPECT_EQ(std::vector<uint8_t>(sink.Bytes().begin(), sink.Bytes().begin() + 18), head);
    EXPECT_EQ(std::vector<uint8_t>(sink.Bytes().begin() + 18, sink.Bytes().begin() + 18 + 768), palette);
    EXPECT_EQ(sink.Bytes()[18 + 768], 0x08);
    EXPECT_EQ(sink.Bytes().back(), 0x00);

    CMemorySink transparent;
    WriteWholeFrame(transparent, indices.data(), palette.data(), 320, 180, 8, 0x1234, 0x1FE);
    EXPECT_EQ(std::vector<uint8_t>(transparent.Bytes().begin(), transparent.Bytes().begin() + 8),
              (std::vector<uint8_t>{0x21, 0xF9, 0x04, 0x05, 0x34, 0x12, 0xFE, 0x00}));

    CMemorySink trailer;
    WriteGifTrailer(trailer);
    EXPECT_EQ(trailer.Bytes(), std::vector<uint8_t>{0x3B});
}

// Codes 10 to 15 get assigned; after the last prefix a decoder has assigned 15 too and reads
// at 5 bits, so the closing clear goes out at 5 bits; the end code follows at 4.
TEST(GifWriter, ClosingClearAtTheWidthADecoderReads)
{
    CMemorySink sink;
    const uint8_t indices[] = {0, 1, 2, 3, 4, 5, 6};
    const uint8_t palette[24] = {};
    WriteWholeFrame(sink, indices, palette, 7, 1, 3, 4, -1);
    const std::vector<uint8_t> tail(sink.Bytes().end() - 9, sink.Bytes().end());
    EXPECT_EQ(tail, (std::vector<uint8_t>{0x03, 0x06, 0x08, 0x21, 0x43, 0x65, 0x28, 0x01, 0x00}));

    // One pixel fewer: the last code assigned is 14 and everything stays at 4 bits.
    CMemorySink shorter;
    WriteWholeFrame(shorter, indices, palette, 6, 1, 3, 4, -1);
    const std::vector<uint8_t> tail6(shorter.Bytes().end() - 8, shorter.Bytes().end());
    EXPECT_EQ(tail6, (std::vector<uint8_t>{0x03, 0x05, 0x08, 0x21, 0x43, 0x85, 0x09, 0x00}));
}

}  // namespace
