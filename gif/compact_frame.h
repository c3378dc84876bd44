#pragma once
#include <cstdint>
#include <vector>

#include "colour_distance.h"
#include "gif_image.h"
#include "pixel_view.h"

class CFrameWorkspace;

// The compact encoding of one frame: only the rectangle that changed since the previous
// captured frame, pixels that did not change inside it as the transparent index, and a local
// colour table no larger than the colours in use. Where the changed pixels have few enough
// colours they are kept exactly; otherwise they are reduced to 255 colours by median cut.
//
// A frame's encoding depends only on its own pixels, the previous captured frame's pixels
// and the options, so frames can be built in any order or side by side.

// The distance reduced palettes are fitted by and mapped through: the eye's (measured on screen
// recordings against plain distances: 0.1 to 0.5 dB less RGB PSNR, 0.4 to 1.2 dB more luma PSNR
// on text, terminals and desktops).
constexpr ColourWeights kReducedWeights = kEyeWeights;

enum class CompactDither {
    Auto,       // error diffusion only on frames that had to be reduced to 255 colours
    None,
    Diffusion,  // wherever colours are reduced
};

struct CompactOptions {
    CompactDither dither = CompactDither::Auto;
    // 1 to 100: below 100 the LZW coder may write a pixel as a value near its captured colour
    // where that codes shorter, the nearer the higher the quality; 100 writes the colours the
    // frame was mapped to.
    int quality = 100;
};

// The largest error (squared, weighted for the eye) a pixel may be written with at a quality.
int NearEnoughFor(int quality);

struct CompactFrame : GifImage {
    bool exact = true;          // every changed pixel keeps its colour exactly
    uint32_t colourCount = 0;   // palette entries in use, the transparent one included
    bool unchanged = false;     // the same as the frame before: one transparent pixel
};

// previous: the frame captured before this one (same size), or null when there is none (the
// first frame, a region moved or resized): the frame is then written whole.
// A frame with no change becomes a 1 x 1 transparent image marked unchanged: a writer may give
// its time to the frame before instead, or write it so that it keeps its place in time.
// workspace: the calling thread's working memory, kept for its next frame; null for a one-off
// frame, which then gets memory of its own.
CompactFrame BuildCompactFrame(const PixelView* previous, const PixelView& current,
                               const CompactOptions& options, CFrameWorkspace* workspace = nullptr);
