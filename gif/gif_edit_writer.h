#pragma once
#include <cstddef>
#include <functional>
#include <vector>

#include "byte_sink.h"
#include "byte_source.h"
#include "gif_edits.h"
#include "gif_index.h"
#include "gif_pictures.h"

// How the kept frames are coded. At quality 100 and the crop's size, frames are copied or
// rebuilt as described below; otherwise every frame is rebuilt in the compact mode at that
// quality, from the pictures shrunk to `width` pixels wide.
struct EditEncoding {
    int quality = 100;
    int width = 0;         // 0: the crop's; else narrower, the height in proportion
    bool rebuild = false;  // every frame rebuilt, even at quality 100 and the crop's size
    bool Plain() const { return quality >= 100 && width == 0 && !rebuild; }
};

// The size of the edited file's screen: the crop, or `width` wide with the height in
// proportion (at least 1).
ImageRect EncodedSize(const ImageRect& crop, const EditEncoding& encoding);

// Told after each frame written (frames written, frames in all); false stops the writing.
using EditProgress = std::function<bool(size_t done, size_t total)>;

// Writes the planned frames of an indexed GIF, cut to `crop`, as a file of their own, in one
// pass over the original, with its looping. A frame is copied as bytes (with its new delay)
// when the picture below it is the one it was drawn over in the original: it covers the whole
// screen, or the frame before it is written just before it. Any other frame, and every frame
// of a cropped file, is rebuilt from the picture players show there: whole after a removed
// stretch and where the original frame was whole, otherwise as the change from the frame
// written before; colours are exact where that change has at most 256 of them.
// Memory: the pictures' canvas and one cropped picture, whatever the length of the file.
// *cancelled is set when progress stopped the writing (the output is then incomplete). A
// failed write raises whatever the sink raises.
GifError WriteEditedGif(IByteSource& source, const GifFileInfo& info, CGifPictures& pictures,
                        const std::vector<PlannedFrame>& plan, const ImageRect& crop, IByteSink& out,
                        const EditProgress& progress, bool* cancelled, const EditEncoding& encoding = {});
