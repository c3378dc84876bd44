#include "gif_writer.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "frame_workspace.h"
#include "lzw_encoder.h"
#include "memory_sink.h"

namespace {

void PutLe16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v & 0xFF);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// Pixels a byte of the cleared coding below which a kept table is not tried.
constexpr size_t kKeptTableWorthTrying = 5;

}  // namespace

void WriteGifHeader(IByteSink& file, uint16_t width, uint16_t height, uint8_t bitsPerIndex, uint32_t plays,
                    const uint8_t* globalTable)
{
    uint8_t h[13] = {'G', 'I', 'F', '8', '9', 'a'};
    PutLe16(h + 6, width);
    PutLe16(h + 8, height);
    h[10] = static_cast<uint8_t>((bitsPerIndex - 1) << 4);
    if (globalTable)
        h[10] |= 0x87;  // a global table of 256 entries
    h[11] = 0;
    h[12] = 0;
    file.Write(h, sizeof h);
    if (globalTable)
        file.Write(globalTable, 3 * 256);
    if (plays == 1)
        return;
    WriteGifLoopExtension(file, plays == kPlayForever ? 0 : static_cast<uint16_t>(std::min(plays, kMaxPlays) - 1));
}

void WriteGifLoopExtension(IByteSink& file, uint16_t count)
{
    uint8_t loop[19] = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E',
                        '2',  '.',  '0',  0x03, 0x01, 0x00, 0x00, 0x00};
    PutLe16(loop + 16, count);
    file.Write(loop, sizeof loop);
}

void WriteGifControl(IByteSink& file, uint16_t delay, int16_t transparentIndex)
{
    uint8_t gce[8] = {0x21, 0xF9, 0x04, 0x04, 0, 0, 0, 0};
    if (transparentIndex != -1) {
        gce[3] |= 0x01;
        gce[6] = static_cast<uint8_t>(transparentIndex & 0xFF);
    }
    PutLe16(gce + 4, delay);
    file.Write(gce, sizeof gce);
}

void RewriteGifDelay(IRewindableSink& file, uint64_t controlAt, uint16_t delay)
{
    uint8_t bytes[2];
    PutLe16(bytes, delay);
    file.WriteAt(controlAt + 4, bytes, sizeof bytes);
}

namespace {

// The image descriptor, the local colour table unless the image uses the global one, and the
// LZW minimum code size; returns that size.
uint8_t WriteDescriptor(IByteSink& file, const GifImage& image)
{
    uint8_t desc[10] = {0x2C};
    PutLe16(desc + 1, static_cast<uint16_t>(image.rect.left));
    PutLe16(desc + 3, static_cast<uint16_t>(image.rect.top));
    PutLe16(desc + 5, static_cast<uint16_t>(image.rect.width));
    PutLe16(desc + 7, static_cast<uint16_t>(image.rect.height));
    if (!image.globalTable)
        desc[9] = static_cast<uint8_t>(0x80 | (image.tableBits - 1));
    file.Write(desc, sizeof desc);
    if (!image.globalTable)
        file.Write(image.palette.data(), 3u << image.tableBits);
    const uint8_t minCodeSize = image.globalTable ? 8 : MinCodeSizeFor(image.tableBits);
    file.Write(&minCodeSize, 1);
    return minCodeSize;
}

// Codes an image's indices with the policy its pixels call for: one value each, two that show
// the same, or lossy. With choices each coding picks in a copy of the indices, from the image's
// own values: the kept table's coding started from the cleared one's picks was larger (the
// terminal 1 %).
class CImageCoder {
public:
    CImageCoder(const GifImage& image, uint8_t minCodeSize, CFrameWorkspace* workspace)
        : m_image(image), m_count(image.indices.size()), m_minCodeSize(minCodeSize),
          m_reach{image.captured.data(), image.palette.data(), image.transparentIndex,
                  static_cast<size_t>(image.rect.width), image.nearEnough}
    {
        if (!workspace)
            m_own.reset(new CLzwEncoder());
        m_lzw = workspace ? &workspace->Lzw() : m_own.get();
        if (image.alternatives.empty() && image.captured.empty())
            return;
        if (!workspace)
            m_ownChoices.reset(new uint8_t[2 * m_count]);
        m_choices = workspace ? workspace->Choices(m_count) : m_ownChoices.get();
    }

    // True when the code table filled up.
    bool Code(IByteSink& sink, LzwWhenFull whenFull)
    {
        if (!m_choices)
            return m_lzw->Compress(sink, m_image.indices.data(), m_count, m_minCodeSize, whenFull);
        const std::vector<uint8_t>& others = m_image.alternatives.empty() ? m_image.indices : m_image.alternatives;
        uint8_t* first = m_choices;
        uint8_t* other = m_choices + m_count;
        std::memcpy(first, m_image.indices.data(), m_count);
        std::memcpy(other, others.data(), m_count);
        if (!m_image.captured.empty())
            return m_lzw->CompressNear(sink, first, other, m_count, m_reach, m_minCodeSize, whenFull);
        return m_lzw->CompressChoosing(sink, first, other, m_count, m_minCodeSize, whenFull);
    }

private:
    const GifImage& m_image;
    const size_t m_count;
    const uint8_t m_minCodeSize;
    const NearEnough m_reach;
    std::unique_ptr<CLzwEncoder> m_own;
    CLzwEncoder* m_lzw = nullptr;
    std::unique_ptr<uint8_t[]> m_ownChoices;
    uint8_t* m_choices = nullptr;
};

}  // namespace

void WriteGifImage(IByteSink& file, const GifImage& image, CFrameWorkspace* workspace)
{
    CImageCoder coder(image, WriteDescriptor(file, image), workspace);
    if (!image.shortestCode) {
        coder.Code(file, LzwWhenFull::Clear);
        return;
    }
    // Measured on screen recordings, a full table kept took 14 % off a scrolling terminal and
    // 18 % off a page of text (their glyphs come again), but doubled a desktop's first frame.
    // It won only where the cleared coding packed 5.9 or more pixels into a byte; photos and
    // noise (about 2) and fine many-coloured texture (4.8, where the second coding was a third
    // of the frame's time and never won) are not coded twice.
    CMemorySink cleared;
    const bool filled = coder.Code(cleared, LzwWhenFull::Clear);
    if (!filled || image.indices.size() < kKeptTableWorthTrying * cleared.Size()) {
        file.Write(cleared.Data(), cleared.Size());
        return;
    }
    CMemorySink kept;
    coder.Code(kept, LzwWhenFull::Keep);
    const CMemorySink& shorter = kept.Size() < cleared.Size() ? kept : cleared;
    file.Write(shorter.Data(), shorter.Size());
}

void WriteGifFrame(IByteSink& file, const GifImage& image, uint16_t delay, CFrameWorkspace* workspace)
{
    WriteGifControl(file, delay, image.transparentIndex);
    WriteGifImage(file, image, workspace);
}

void WriteGifTrailer(IByteSink& file)
{
    const uint8_t trailer = 0x3B;
    file.Write(&trailer, 1);
}
