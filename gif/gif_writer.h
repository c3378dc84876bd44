#pragma once
#include <cstdint>

#include "byte_sink.h"
#include "gif_image.h"

class CFrameWorkspace;

// GIF89a stream writer. Call WriteGifHeader once, just before the first frame, with the logical
// screen's size; WriteGifFrame for every frame; WriteGifTrailer at the end. An image has its own
// local colour table unless it uses the file's global one (GifImage::globalTable). A failed write
// raises whatever the sink raises; the writer does not catch it.

// How many times the animation plays: 0 for ever, else that many times. Players agree only on
// these spellings: for ever is the looping extension with count 0; once is no looping
// extension at all (a count of 1 plays twice in browsers); N times is the count N - 1.
constexpr uint32_t kPlayForever = 0;
constexpr uint32_t kMaxPlays = 65536;  // the count is 16 bits

// plays above kMaxPlays are written as kMaxPlays. globalTable: 256 entries (768 bytes) for the
// file's global colour table, or null for none.
void WriteGifHeader(IByteSink& file, uint16_t width, uint16_t height, uint8_t bitsPerIndex,
                    uint32_t plays = kPlayForever, const uint8_t* globalTable = nullptr);
// The looping extension alone, with its count as stored (the repeats after the first play).
void WriteGifLoopExtension(IByteSink& file, uint16_t count);

// The two halves of a frame. The image (descriptor at the image's rectangle, local colour table
// unless the image uses the global one, LZW minimum code size and data) needs only the image itself, so it can be made on any thread;
// the control block before it (disposal "leave in place", the delay, the transparent index)
// carries what is known only when the frames are put in order, such as the delay.
// workspace: the calling thread's working memory, kept for its next frame; null for a one-off
// frame, which then gets an LZW table of its own.
void WriteGifControl(IByteSink& file, uint16_t delay, int16_t transparentIndex);
// Writes over the delay of the control block WriteGifControl wrote at `controlAt` in the file,
// leaving the rest of the file as it is.
void RewriteGifDelay(IRewindableSink& file, uint64_t controlAt, uint16_t delay);
void WriteGifImage(IByteSink& file, const GifImage& image, CFrameWorkspace* workspace = nullptr);

// Control block and image together, with the image's transparent index.
void WriteGifFrame(IByteSink& file, const GifImage& image, uint16_t delay, CFrameWorkspace* workspace = nullptr);

void WriteGifTrailer(IByteSink& file);
