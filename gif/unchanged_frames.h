#pragma once
#include <vector>

#include "byte_source.h"
#include "changed_area.h"
#include "gif_index.h"

// For every frame of an indexed GIF, whether it leaves what the frame before it showed inside
// `area` as it was: it draws outside the area only, draws nothing but transparent pixels
// there, or repeats the frame before it byte for byte. Frames after one that clears or
// restores its area count as changed. Reads the file once, frame by frame; decodes only the
// frames with a transparent colour, which draw over what lies below (the small frames of the
// compact mode). A frame that repaints pixels with their own colours counts as changed.
GifError FindUnchangedFrames(IByteSource& source, const GifFileInfo& info, const ImageRect& area,
                             std::vector<bool>* unchanged);
