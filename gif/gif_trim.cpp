#include "gif_trim.h"

#include <algorithm>
#include <vector>

#include "compact_frame.h"
#include "gif_writer.h"

namespace {

GifError CopyBytes(IByteSource& source, uint64_t from, uint64_t to, IByteSink& out)
{
    std::vector<uint8_t> buffer;
    return CopyByteRange(source, from, to, out, buffer) ? GifError::None : GifError::ReadFailed;
}

// The first kept frame as a whole frame of the picture it shows.
GifError WriteWholeFrame(const GifFileInfo& info, CGifPictures& pictures, size_t frame, IByteSink& out)
{
    const GifError error = pictures.Show(frame);
    if (error != GifError::None)
        return error;
    PixelView picture;
    picture.top = pictures.Picture();
    picture.step = info.width;
    picture.width = info.width;
    picture.height = info.height;
    const CompactFrame whole = BuildCompactFrame(nullptr, picture, CompactOptions());
    WriteGifFrame(out, whole, info.frames[frame].delay);
    return GifError::None;
}

}  // namespace

GifError WriteTrimmedGif(IByteSource& source, const GifFileInfo& info, CGifPictures& pictures,
                         size_t first, size_t last, IByteSink& out)
{
    if (first > last || last >= info.frames.size())
        return GifError::NoFrames;
    const GifFrameInfo& head = info.frames[first];
    if (head.disposal == 2 || head.disposal == 3)
        return GifError::Unsupported;

    GifError error = CopyBytes(source, 0, info.headerEnd, out);
    if (error != GifError::None)
        return error;
    if (info.loopCount >= 0)
        WriteGifLoopExtension(out, static_cast<uint16_t>(info.loopCount));
    if (pictures.IsWhole(first))
        error = CopyBytes(source, head.controlOffset ? head.controlOffset : head.imageOffset, head.end, out);
    else
        error = WriteWholeFrame(info, pictures, first, out);
    for (size_t i = first + 1; i <= last && error == GifError::None; ++i)
        error = CopyBytes(source, info.frames[i].start, info.frames[i].end, out);
    if (error != GifError::None)
        return error;
    WriteGifTrailer(out);
    return GifError::None;
}
