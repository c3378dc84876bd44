#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "byte_source.h"
#include "gif_frame_decoder.h"
#include "gif_index.h"

// The pictures a player shows for a GIF's frames: each frame drawn over what the previous one
// left, after that one's disposal. Frames are decoded on demand from their place in the file;
// to seek, drawing starts from the nearest frame that covers the whole screen, the picture
// currently shown, or one of the pictures kept every so many frames, whichever is closest.
// The kept pictures never take more than the budget given.
class CGifPictures {
public:
    CGifPictures(IByteSource& source, const GifFileInfo& info, size_t budgetBytes);

    // Makes Picture() the picture of frame (below the frame count).
    GifError Show(size_t frame);
    // info.width x info.height pixels, top row first, 0xAARRGGBB: alpha 0 where no frame has
    // drawn yet, else 0xFF.
    const uint32_t* Picture() const { return m_canvas.data(); }
    size_t Shown() const { return m_shown; }

    size_t KeyInterval() const { return m_interval; }
    size_t KeptCount() const { return m_kept.size(); }
    // Frames decoded since the object was made: what a seek cost.
    size_t DecodedCount() const { return m_decoded; }

    // True when the frame paints every pixel of the screen whatever lies below it.
    bool IsWhole(size_t frame) const;

private:
    static constexpr size_t kNone = static_cast<size_t>(-1);
    GifError Draw(size_t frame);
    void Dispose(size_t frame);
    void Paint(const GifFrameInfo& frame);

    IByteSource& m_source;
    const GifFileInfo& m_info;
    CGifFrameDecoder m_decoder;
    std::vector<uint32_t> m_canvas;
    std::vector<uint32_t> m_underneath;   // what a "restore previous" frame covered
    std::vector<uint8_t> m_indices, m_table;
    std::vector<size_t> m_lastWhole;      // per frame: the last whole frame at or before it, or kNone
    std::map<size_t, std::vector<uint32_t>> m_kept;
    size_t m_interval = 1;
    size_t m_maxKept = 0;
    size_t m_shown = kNone;
    size_t m_decoded = 0;
};
