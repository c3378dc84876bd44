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
    const uint32_t* Picture() const { return m_view.canvas.data(); }

    // Decodes about count more frames on a canvas of its own towards the places where pictures
    // are kept, so that later seeks anywhere are short; the picture shown is not touched. Frames
    // past the last such place, and whole frames' places, cost nothing. *done is set once all
    // are made (the canvas is then given back).
    GifError PrepareAhead(size_t count, bool* done);

    size_t KeyInterval() const { return m_interval; }
    size_t KeptCount() const { return m_kept.size(); }
    // Frames decoded since the object was made: what a seek cost.
    size_t DecodedCount() const { return m_decoded; }

    // True when the frame paints every pixel of the screen whatever lies below it.
    bool IsWhole(size_t frame) const;

private:
    static constexpr size_t kNone = static_cast<size_t>(-1);
    // A canvas and the frame it shows (kNone: nothing yet).
    struct Walk {
        std::vector<uint32_t> canvas;
        std::vector<uint32_t> underneath;  // what a "restore previous" frame covered
        size_t shown = kNone;
    };
    GifError WalkTo(Walk& walk, size_t frame);
    GifError Draw(Walk& walk, size_t frame);
    void Dispose(Walk& walk, size_t frame) const;
    void Paint(Walk& walk, const GifFrameInfo& frame) const;

    IByteSource& m_source;
    const GifFileInfo& m_info;
    CGifFrameDecoder m_decoder;
    Walk m_view, m_ahead;
    size_t m_aheadNext = 0;               // the next frame PrepareAhead may walk
    std::vector<uint8_t> m_indices, m_table;
    std::vector<size_t> m_lastWhole;      // per frame: the last whole frame at or before it, or kNone
    std::map<size_t, std::vector<uint32_t>> m_kept;
    size_t m_interval = 1;
    size_t m_maxKept = 0;
    size_t m_decoded = 0;
};
