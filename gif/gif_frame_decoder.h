#pragma once
#include <cstdint>
#include <vector>

#include "byte_source.h"
#include "gif_index.h"

// Decodes one indexed frame from its place in the file. Keeps its buffers from frame to frame.
class CGifFrameDecoder {
public:
    // indices: rect.width x rect.height, rows top to bottom (interlaced rows put in place);
    // table: 3 bytes an entry, 256 entries, those past the frame's table black.
    GifError Decode(IByteSource& source, const GifFileInfo& info, const GifFrameInfo& frame,
                    std::vector<uint8_t>* indices, std::vector<uint8_t>* table);

private:
    std::vector<uint8_t> m_blocks;  // the frame's data sub-blocks as stored
    std::vector<uint8_t> m_data;    // the same without their length bytes
    std::vector<uint8_t> m_rows;    // interlaced rows in stored order
};
