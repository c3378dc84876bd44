#pragma once
#include <cstdint>

#include "byte_sink.h"
#include "compact_frame.h"

class CFrameWorkspace;

// The image of one compact frame: image descriptor at the frame's rectangle, a local colour
// table of 2^tableBits entries, the LZW minimum code size and the image data. It needs only
// the frame; the control block before it (WriteGifControl: disposal "leave in place", the
// delay, the frame's transparentIndex) is written when the frames are put in order.
// workspace: the calling thread's working memory; null for a one-off frame.
void WriteCompactImage(IByteSink& file, const CompactFrame& frame, CFrameWorkspace* workspace = nullptr);

// Control block and image together. The file header goes before the first frame as for any
// other file (WriteGifHeader with the full frame size).
void WriteCompactFrame(IByteSink& file, const CompactFrame& frame, uint16_t delay,
                       CFrameWorkspace* workspace = nullptr);
