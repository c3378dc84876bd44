// The LZW coder's shortcuts (last child, four steps at once, runs, the plain path for short
// strings) must write exactly what the one-pixel-at-a-time reference writes, across table
// resets, width changes and sub-block edges, and after a write that failed half way.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "gif/frame_workspace.h"
#include "gif/gif_writer.h"
#include "reference/reference_writer.h"
#include "test_frames.h"

namespace {

struct Stream {
    const char* name;
    std::vector<uint8_t> indices;
};

uint32_t Next(uint32_t& s)
{
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
}

// Index streams of the shapes that send the coder down each of its paths.
std::vector<Stream> Streams(uint8_t bits, size_t length)
{
    const uint32_t colours = 1u << bits;
    std::vector<Stream> out;
    uint32_t s = 0x1234567u + bits;
    std::vector<uint8_t> v(length);

    for (auto& x : v) x = static_cast<uint8_t>(Next(s) % colours);
    out.push_back({"noise", v});

    for (size_t i = 0; i < length;) {   // runs of random length, some very long
        const uint8_t c = static_cast<uint8_t>(Next(s) % colours);
        size_t n = 1 + Next(s) % (Next(s) % 8 == 0 ? 5000 : 12);
        for (; n > 0 && i < length; --n) v[i++] = c;
    }
    out.push_back({"runs", v});

    for (size_t i = 0; i < length; ++i) {   // dither-like periodic patterns changing now and then
        const size_t period = 2 + (i / 997) % 5;
        v[i] = static_cast<uint8_t>(((i % period) == 0 ? (i / 997) : (i / 997) + 1) % colours);
    }
    out.push_back({"patterns", v});

    for (size_t i = 0; i < length; ++i)    // text-like: blank runs with short bursts of ink
        v[i] = (i % 173 < 150) ? 0 : static_cast<uint8_t>((i * 7 / 3) % colours);
    out.push_back({"text", v});

    for (size_t i = 0; i < length; ++i)    // long stretches of each kind in turn
        v[i] = ((i / 20000) % 2) ? static_cast<uint8_t>(Next(s) % colours) : static_cast<uint8_t>((i / 300) % colours);
    out.push_back({"alternating", v});

    for (auto& x : v) x = static_cast<uint8_t>(colours - 1);
    out.push_back({"one colour", v});
    return out;
}

std::vector<uint8_t> Frame(bool fast, const std::vector<uint8_t>& indices, uint16_t w, uint16_t h, uint8_t bits,
                           CFrameWorkspace* workspace = nullptr)
{
    const std::vector<uint8_t> palette(3u << bits, 9);
    CMemorySink sink;
    if (fast)
        WriteWholeFrame(sink, indices.data(), palette.data(), w, h, bits, 4, -1, workspace);
    else
        reference::WriteGifFrame(sink, indices.data(), palette.data(), w, h, bits, 4, -1);
    return sink.Bytes();
}

TEST(LzwSameBytes, EveryPathAtEveryWidth)
{
    for (uint8_t bits = 3; bits <= 8; ++bits) {
        for (const Stream& st : Streams(bits, 300000)) {
            for (size_t length : {1, 2, 5, 4096, 300000}) {
                std::vector<uint8_t> v(st.indices.begin(), st.indices.begin() + length);
                const uint16_t w = static_cast<uint16_t>(length >= 4096 ? 1000 : length);
                const uint16_t h = static_cast<uint16_t>(length / w);
                v.resize(static_cast<size_t>(w) * h);
                ASSERT_TRUE(Frame(true, v, w, h, bits) == Frame(false, v, w, h, bits))
                    << st.name << " bits " << int(bits) << " length " << length;
            }
        }
    }
}

struct FailingSink : IByteSink {
    size_t budget;
    explicit FailingSink(size_t b) : budget(b) {}
    void Write(const void*, uint32_t count) override
    {
        if (count > budget)
            throw std::runtime_error("disk full");
        budget -= count;
    }
};

// A write that raises half way must not leave the thread's code table dirty for the next
// frame.
TEST(LzwSameBytes, NextFrameIsRightAfterAFailedWrite)
{
    const std::vector<Stream> streams = Streams(8, 200000);
    const std::vector<uint8_t> palette(768, 1);
    CFrameWorkspace workspace;  // the thread's code table, kept across the failure
    for (size_t budget : {100, 2000, 60000}) {
        SCOPED_TRACE(budget);
        FailingSink failing(budget);
        const Stream& failed = streams[budget == 2000 ? 4 : 0];
        EXPECT_THROW(WriteWholeFrame(failing, failed.indices.data(), palette.data(), 1000, 200, 8, 4, -1, &workspace),
                     std::runtime_error);
        EXPECT_TRUE(Frame(true, streams[2].indices, 1000, 200, 8, &workspace) ==
                    Frame(false, streams[2].indices, 1000, 200, 8));
    }
}

}  // namespace
