#pragma once
#include <cstddef>

#include "byte_sink.h"
#include "byte_source.h"
#include "gif_index.h"
#include "gif_pictures.h"

// Writes frames first..last (both kept) of an indexed GIF as a file of their own that plays
// exactly those frames as the original shows them, with their delays and the original's
// looping. Frames are copied as bytes, except a first kept frame that does not paint the whole
// screen: it is rebuilt as a whole frame from its picture, with its colours exactly where the
// picture has at most 256 of them. A failed write raises whatever the sink raises.
// Unsupported: the first kept frame clears or restores its area afterwards (never in our files).
GifError WriteTrimmedGif(IByteSource& source, const GifFileInfo& info, CGifPictures& pictures,
                         size_t first, size_t last, IByteSink& out);
