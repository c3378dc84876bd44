#include "gif_frame_decoder.h"

#include <algorithm>
#include <cstring>

#include "lzw_decoder.h"

namespace {

// Stored row y of an interlaced image is shown at the returned row: every 8th row from 0,
// every 8th from 4, every 4th from 2, then every 2nd from 1.
void Deinterlace(const uint8_t* stored, int32_t width, int32_t height, uint8_t* out)
{
    static const int32_t kStart[4] = {0, 4, 2, 1};
    static const int32_t kStep[4] = {8, 8, 4, 2};
    int32_t y = 0;
    for (int pass = 0; pass < 4; ++pass)
        for (int32_t row = kStart[pass]; row < height; row += kStep[pass], ++y)
            std::memcpy(out + static_cast<size_t>(row) * width, stored + static_cast<size_t>(y) * width,
                        static_cast<size_t>(width));
}

// Joins the data sub-blocks; false when their lengths do not add up to the indexed span.
bool JoinSubBlocks(const std::vector<uint8_t>& blocks, std::vector<uint8_t>* data)
{
    data->clear();
    size_t at = 0;
    while (at < blocks.size()) {
        const size_t length = blocks[at++];
        if (length == 0)
            return at == blocks.size();
        if (length > blocks.size() - at)
            return false;
        data->insert(data->end(), blocks.begin() + static_cast<ptrdiff_t>(at),
                     blocks.begin() + static_cast<ptrdiff_t>(at + length));
        at += length;
    }
    return false;
}

}  // namespace

GifError CGifFrameDecoder::Decode(IByteSource& source, const GifFileInfo& info, const GifFrameInfo& frame,
                                  std::vector<uint8_t>* indices, std::vector<uint8_t>* table)
{
    table->assign(3 * 256, 0);
    if (frame.tableOffset) {
        if (!source.Read(frame.tableOffset, table->data(), 3u * frame.tableSize))
            return GifError::ReadFailed;
    } else {
        std::copy(info.globalTable.begin(), info.globalTable.end(), table->begin());
    }

    const uint64_t first = frame.dataOffset + 1;
    if (frame.end <= first)
        return GifError::Truncated;
    m_blocks.resize(static_cast<size_t>(frame.end - first));
    if (!source.Read(first, m_blocks.data(), m_blocks.size()))
        return GifError::ReadFailed;
    // The file may have changed since it was indexed: the span must still be whole.
    if (!JoinSubBlocks(m_blocks, &m_data))
        return GifError::Truncated;

    const int32_t width = frame.rect.width, height = frame.rect.height;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    indices->resize(count);
    uint8_t* target = indices->data();
    if (frame.interlaced) {
        m_rows.resize(count);
        target = m_rows.data();
    }
    const GifError error = DecodeLzw(m_data.data(), m_data.size(), frame.minCodeSize, target, count);
    if (error != GifError::None)
        return error;
    if (frame.interlaced)
        Deinterlace(m_rows.data(), width, height, indices->data());
    return GifError::None;
}
