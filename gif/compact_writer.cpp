#include "compact_writer.h"

#include "frame_workspace.h"
#include "gif_writer.h"
#include "lzw_encoder.h"

namespace {

void PutLe16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v & 0xFF);
    p[1] = static_cast<uint8_t>(v >> 8 & 0xFF);
}

}  // namespace

void WriteCompactImage(IByteSink& file, const CompactFrame& frame, CFrameWorkspace* workspace)
{
    uint8_t desc[10] = {0x2C};
    PutLe16(desc + 1, static_cast<uint32_t>(frame.rect.left));
    PutLe16(desc + 3, static_cast<uint32_t>(frame.rect.top));
    PutLe16(desc + 5, static_cast<uint32_t>(frame.rect.width));
    PutLe16(desc + 7, static_cast<uint32_t>(frame.rect.height));
    desc[9] = static_cast<uint8_t>(0x80 | (frame.tableBits - 1));
    file.Write(desc, sizeof desc);
    file.Write(frame.palette.data(), 3u << frame.tableBits);
    const uint8_t minCodeSize = MinCodeSizeFor(frame.tableBits);
    file.Write(&minCodeSize, 1);
    if (workspace) {
        workspace->Lzw().Compress(file, frame.indices.data(), frame.indices.size(), minCodeSize);
        return;
    }
    CLzwEncoder own;
    own.Compress(file, frame.indices.data(), frame.indices.size(), minCodeSize);
}

void WriteCompactFrame(IByteSink& file, const CompactFrame& frame, uint16_t delay, CFrameWorkspace* workspace)
{
    WriteGifControl(file, delay, frame.transparentIndex);
    WriteCompactImage(file, frame, workspace);
}
