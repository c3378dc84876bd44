#pragma once
#include <cstdint>

#include "byte_sink.h"
#include "gif_image.h"

class CFrameWorkspace;

// GIF89a stream writer. Call WriteGifHeader once, just before the first frame, with the logical
// screen's size; WriteGifFrame for every frame; WriteGifTrailer at the end. Every image has its
// own local colour table; the file loops for ever. A failed write raises whatever the sink
// raises; the writer does not catch it.

void WriteGifHeader(IByteSink& file, uint16_t width, uint16_t height, uint8_t bitsPerIndex);

// The two halves of a frame. The image (descriptor at the image's rectangle, local colour table,
// LZW minimum code size and data) needs only the image itself, so it can be made on any thread;
// the control block before it (disposal "leave in place", the delay, the transparent index)
// carries what is known only when the frames are put in order, such as the delay.
// workspace: the calling thread's working memory, kept for its next frame; null for a one-off
// frame, which then gets an LZW table of its own.
void WriteGifControl(IByteSink& file, uint16_t delay, int16_t transparentIndex);
void WriteGifImage(IByteSink& file, const GifImage& image, CFrameWorkspace* workspace = nullptr);

// Control block and image together, with the image's transparent index.
void WriteGifFrame(IByteSink& file, const GifImage& image, uint16_t delay, CFrameWorkspace* workspace = nullptr);

void WriteGifTrailer(IByteSink& file);
