#include "gif_index.h"

#include <algorithm>
#include <cstring>

namespace {

uint16_t Le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// Reads forward through the source a window at a time: a long recording is mostly skipped
// sub-blocks, and a read call for each would cost more than the walk.
class CForwardReader {
public:
    explicit CForwardReader(IByteSource& source) : m_source(source), m_size(source.Size()) {}

    uint64_t Position() const { return m_position; }
    bool AtEnd() const { return m_position >= m_size; }

    // False with error set when the bytes are not there.
    bool Bytes(void* out, size_t count)
    {
        uint8_t* to = static_cast<uint8_t*>(out);
        while (count) {
            if (!Fill())
                return false;
            const size_t n = std::min(count, m_window.size() - m_used);
            std::memcpy(to, m_window.data() + m_used, n);
            m_used += n;
            m_position += n;
            to += n;
            count -= n;
        }
        return true;
    }
    bool Byte(uint8_t* out) { return Bytes(out, 1); }

    bool Skip(uint64_t count)
    {
        if (count > m_size - m_position) {
            m_error = GifError::Truncated;
            return false;
        }
        const uint64_t inWindow = m_window.size() - m_used;
        if (count <= inWindow) {
            m_used += static_cast<size_t>(count);
        } else {
            m_window.clear();
            m_used = 0;
        }
        m_position += count;
        return true;
    }

    // Skips a chain of data sub-blocks up to and including its zero-length terminator.
    bool SkipSubBlocks()
    {
        uint8_t length = 0;
        do {
            if (!Byte(&length) || !Skip(length))
                return false;
        } while (length != 0);
        return true;
    }

    GifError Error() const { return m_error; }

private:
    bool Fill()
    {
        if (m_used < m_window.size())
            return true;
        if (m_position >= m_size) {
            m_error = GifError::Truncated;
            return false;
        }
        const size_t n = static_cast<size_t>(std::min<uint64_t>(kWindow, m_size - m_position));
        m_window.resize(n);
        m_used = 0;
        if (!m_source.Read(m_position, m_window.data(), n)) {
            m_window.clear();
            m_error = GifError::ReadFailed;
            return false;
        }
        return true;
    }

    static constexpr size_t kWindow = 1 << 18;
    IByteSource& m_source;
    uint64_t m_size;
    uint64_t m_position = 0;
    std::vector<uint8_t> m_window;
    size_t m_used = 0;
    GifError m_error = GifError::None;
};

struct PendingControl {
    uint64_t offset = 0;
    uint16_t delay = 0;
    uint8_t disposal = 0;
    int16_t transparentIndex = -1;
};

// An extension block: the graphic control and the looping extensions are read, others skipped.
bool ReadExtension(CForwardReader& in, PendingControl* control, int32_t* loopCount)
{
    const uint64_t offset = in.Position() - 1;
    uint8_t label = 0, length = 0;
    if (!in.Byte(&label) || !in.Byte(&length))
        return false;
    uint8_t first[255];
    if (!in.Bytes(first, length))
        return false;
    if (label == 0xF9 && length == 4) {
        control->offset = offset;
        control->disposal = (first[0] >> 2) & 7;
        control->delay = Le16(first + 1);
        control->transparentIndex = (first[0] & 1) ? first[3] : -1;
    } else if (label == 0xFF && length == 11 && std::memcmp(first, "NETSCAPE2.0", 11) == 0) {
        uint8_t sub[4];
        if (!in.Byte(&length))
            return false;
        if (length == 0)
            return true;
        if (!in.Bytes(sub, length < 3 ? length : 3) || (length > 3 && !in.Skip(length - 3)))
            return false;
        if (length >= 3 && sub[0] == 1)
            *loopCount = Le16(sub + 1);
    }
    return length == 0 || in.SkipSubBlocks();
}

GifError ReadImage(CForwardReader& in, const GifFileInfo& info, PendingControl* control,
                   uint64_t start, GifFrameInfo* frame)
{
    frame->start = start;
    frame->imageOffset = in.Position() - 1;
    frame->controlOffset = control->offset;
    frame->delay = control->delay;
    frame->disposal = control->disposal;
    frame->transparentIndex = control->transparentIndex;
    *control = PendingControl();

    uint8_t d[9];
    if (!in.Bytes(d, sizeof d))
        return in.Error();
    frame->rect = {Le16(d), Le16(d + 2), Le16(d + 4), Le16(d + 6)};
    frame->interlaced = (d[8] & 0x40) != 0;
    if (d[8] & 0x80) {
        frame->tableOffset = in.Position();
        frame->tableSize = static_cast<uint16_t>(2u << (d[8] & 7));
        if (!in.Skip(3u * frame->tableSize))
            return in.Error();
    } else if (info.globalTable.empty()) {
        return GifError::BadImage;
    } else {
        frame->tableSize = static_cast<uint16_t>(info.globalTable.size() / 3);
    }
    frame->dataOffset = in.Position();
    if (!in.Byte(&frame->minCodeSize))
        return in.Error();
    if (frame->minCodeSize < 1 || frame->minCodeSize > 11)
        return GifError::BadImage;
    if (!in.SkipSubBlocks())
        return in.Error();
    frame->end = in.Position();
    return GifError::None;
}

}  // namespace

GifError IndexGif(IByteSource& source, GifFileInfo* info)
{
    *info = GifFileInfo();
    CForwardReader in(source);
    uint8_t h[13];
    if (!in.Bytes(h, sizeof h))
        return in.Error() == GifError::Truncated ? GifError::NotGif : in.Error();
    if (std::memcmp(h, "GIF87a", 6) != 0 && std::memcmp(h, "GIF89a", 6) != 0)
        return GifError::NotGif;
    info->width = Le16(h + 6);
    info->height = Le16(h + 8);
    if (h[10] & 0x80) {
        info->globalTable.resize(3u * (2u << (h[10] & 7)));
        if (!in.Bytes(info->globalTable.data(), info->globalTable.size()))
            return in.Error();
    }
    info->headerEnd = in.Position();

    PendingControl control;
    uint64_t start = in.Position();
    for (;;) {
        uint8_t introducer = 0;
        if (!in.Byte(&introducer))
            return in.Error();
        if (introducer == 0x3B)
            break;
        if (introducer == 0x21) {
            if (!ReadExtension(in, &control, &info->loopCount))
                return in.Error();
        } else if (introducer == 0x2C) {
            GifFrameInfo frame;
            const GifError error = ReadImage(in, *info, &control, start, &frame);
            if (error != GifError::None)
                return error;
            info->frames.push_back(frame);
            start = in.Position();
        } else {
            return GifError::BadBlock;
        }
    }
    return info->frames.empty() ? GifError::NoFrames : GifError::None;
}
