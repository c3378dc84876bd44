#include "gif/gif_writer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct VectorSink : IByteSink {
    std::vector<uint8_t> bytes;
    void Write(const void* data, uint32_t count) override
    {
        auto p = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + count);
    }
};

TEST(GifWriter, HeaderOf320x180)
{
    VectorSink sink;
    WriteGifHeader(sink, 320, 180, 8);
    const std::vector<uint8_t> expected = {
        0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x40, 0x01, 0xB4, 0x00, 0x70, 0x00, 0x00, 0x21, 0xFF, 0x0B,
        0x4E, 0x45, 0x54, 0x53, 0x43, 0x41, 0x50, 0x45, 0x32, 0x2E, 0x30, 0x03, 0x01, 0x00, 0x00, 0x00};
    EXPECT_EQ(sink.bytes, expected);
}

TEST(GifWriter, OnePixelFrame)
{
    VectorSink sink;
    const uint8_t index = 0;
    const uint8_t palette[24] = {};
    WriteGifFrame(sink, &index, palette, 1, 1, 3, 4, -1);
    const std::vector<uint8_t> tail(sink.bytes.end() - 5, sink.bytes.end());
    EXPECT_EQ(tail, (std::vector<uint8_t>{0x03, 0x02, 0x08, 0x98, 0x00}));
}

}  // namespace
