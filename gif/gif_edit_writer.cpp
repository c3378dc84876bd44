#include "gif_edit_writer.h"

#include <algorithm>
#include <cstring>

#include "compact_frame.h"
#include "frame_scaler.h"
#include "frame_workspace.h"
#include "gif_frame_decoder.h"
#include "gif_writer.h"

namespace {

enum class Way { Copy, Whole, Changes };

GifError CopyBytes(IByteSource& source, uint64_t from, uint64_t to, IByteSink& out, std::vector<uint8_t>& buffer)
{
    return CopyByteRange(source, from, to, out, buffer) ? GifError::None : GifError::ReadFailed;
}

// How each planned frame is written. A copied frame needs below it exactly what it was drawn
// over; a frame rebuilt as changes needs the frame written before it to stay in place.
std::vector<Way> ChooseWays(const GifFileInfo& info, const CGifPictures& pictures,
                            const std::vector<PlannedFrame>& plan, bool cropped)
{
    std::vector<Way> ways(plan.size());
    bool previousStays = false;
    for (size_t k = 0; k < plan.size(); ++k) {
        const size_t s = plan[k].source;
        const bool whole = pictures.IsWhole(s);
        const bool follows = k > 0 && plan[k - 1].source + 1 == s && previousStays;
        if (!cropped && (whole || follows))
            ways[k] = Way::Copy;
        else if (k > 0 && !whole && !plan[k].afterRemoved && previousStays)
            ways[k] = Way::Changes;
        else
            ways[k] = Way::Whole;
        previousStays = ways[k] != Way::Copy || info.frames[s].disposal < 2;
    }
    return ways;
}

GifError CopyFrame(IByteSource& source, const GifFrameInfo& f, uint16_t delay, IByteSink& out,
                   std::vector<uint8_t>& buffer)
{
    if (f.controlOffset && f.delay == delay)
        return CopyBytes(source, f.controlOffset, f.end, out, buffer);
    uint8_t control[8] = {0x21, 0xF9, 0x04, 0, 0, 0, 0, 0};
    if (f.controlOffset && !source.Read(f.controlOffset, control, sizeof control))
        return GifError::ReadFailed;
    control[4] = static_cast<uint8_t>(delay & 0xFF);
    control[5] = static_cast<uint8_t>(delay >> 8);
    out.Write(control, sizeof control);
    return CopyBytes(source, f.imageOffset, f.end, out, buffer);
}

// The original's header and screen descriptor, with the screen's size made the output's; its
// global colour table too unless every frame is rebuilt with a table of its own.
GifError WriteHeader(IByteSource& source, const GifFileInfo& info, const ImageRect& size, bool ownTables,
                     IByteSink& out)
{
    constexpr size_t kDescriptorEnd = 13;
    std::vector<uint8_t> header(static_cast<size_t>(ownTables ? kDescriptorEnd : info.headerEnd));
    if (!source.Read(0, header.data(), header.size()))
        return GifError::ReadFailed;
    if (ownTables) {
        header[10] &= 0x7F;  // no global colour table
        header[11] = 0;      // its background index
    }
    header[6] = static_cast<uint8_t>(size.width & 0xFF);
    header[7] = static_cast<uint8_t>(size.width >> 8);
    header[8] = static_cast<uint8_t>(size.height & 0xFF);
    header[9] = static_cast<uint8_t>(size.height >> 8);
    out.Write(header.data(), static_cast<uint32_t>(header.size()));
    if (info.loopCount >= 0)
        WriteGifLoopExtension(out, static_cast<uint16_t>(info.loopCount));
    return GifError::None;
}

PixelView CroppedPicture(const CGifPictures& pictures, const GifFileInfo& info, const ImageRect& crop)
{
    PixelView view;
    view.top = pictures.Picture() + static_cast<size_t>(crop.top) * info.width + crop.left;
    view.step = info.width;
    view.width = crop.width;
    view.height = crop.height;
    return view;
}

// The picture shown, cropped and brought to the output's size (in *scaled when it is not the
// crop's).
PixelView OutputPicture(const CGifPictures& pictures, const GifFileInfo& info, const ImageRect& crop,
                        const ImageRect& size, std::vector<uint32_t>* scaled)
{
    const PixelView view = CroppedPicture(pictures, info, crop);
    if (size.width == crop.width && size.height == crop.height)
        return view;
    scaled->resize(static_cast<size_t>(size.width) * size.height);
    ScalePixels32(reinterpret_cast<const uint8_t*>(view.top), view.width, view.height, view.step * sizeof(uint32_t),
                  reinterpret_cast<uint8_t*>(scaled->data()), size.width, size.height, size.width * sizeof(uint32_t));
    return PixelView{scaled->data(), size.width, size.width, size.height};
}

// A frame that paints the whole screen, cut to the crop with its own colour table: its picture
// is its own pixels, so nothing needs compositing or choosing colours, and they stay exact.
GifError CropWholeFrame(IByteSource& source, const GifFileInfo& info, const GifFrameInfo& f, const ImageRect& crop,
                        CGifFrameDecoder& decoder, std::vector<uint8_t>& indices, GifImage* image)
{
    const GifError error = decoder.Decode(source, info, f, &indices, &image->palette);
    if (error != GifError::None)
        return error;
    image->tableBits = 1;
    while ((1u << image->tableBits) < f.tableSize)
        ++image->tableBits;
    image->palette.resize(3u << image->tableBits);
    image->rect = ImageRect{0, 0, crop.width, crop.height};
    image->transparentIndex = -1;
    image->indices.resize(static_cast<size_t>(crop.width) * crop.height);
    for (int32_t y = 0; y < crop.height; ++y)
        std::memcpy(image->indices.data() + static_cast<size_t>(y) * crop.width,
                    indices.data() + static_cast<size_t>(crop.top + y) * f.rect.width + crop.left, crop.width);
    return GifError::None;
}

void KeepPicture(const PixelView& view, std::vector<uint32_t>* kept)
{
    kept->resize(static_cast<size_t>(view.width) * view.height);
    for (int32_t y = 0; y < view.height; ++y)
        std::memcpy(kept->data() + static_cast<size_t>(y) * view.width, view.Row(y), view.width * sizeof(uint32_t));
}

}  // namespace

ImageRect EncodedSize(const ImageRect& crop, const EditEncoding& encoding)
{
    if (encoding.width <= 0 || encoding.width >= crop.width)
        return ImageRect{0, 0, crop.width, crop.height};
    const int32_t height = static_cast<int32_t>(int64_t{crop.height} * encoding.width / crop.width);
    return ImageRect{0, 0, encoding.width, std::max<int32_t>(1, height)};
}

GifError WriteEditedGif(IByteSource& source, const GifFileInfo& info, CGifPictures& pictures,
                        const std::vector<PlannedFrame>& plan, const ImageRect& crop, IByteSink& out,
                        const EditProgress& progress, bool* cancelled, const EditEncoding& encoding)
{
    *cancelled = false;
    if (plan.empty())
        return GifError::NoFrames;
    for (const PlannedFrame& p : plan)
        if (p.source >= info.frames.size())
            return GifError::NoFrames;
    if (crop.Empty() || crop.left < 0 || crop.top < 0 || crop.left + crop.width > info.width ||
        crop.top + crop.height > info.height)
        return GifError::Unsupported;
    const bool cropped = crop.width != info.width || crop.height != info.height;
    const std::vector<Way> ways = ChooseWays(info, pictures, plan, cropped || !encoding.Plain());
    const ImageRect size = EncodedSize(crop, encoding);
    CompactOptions options;
    options.quality = encoding.quality;
    GifError error = WriteHeader(source, info, size, !encoding.Plain(), out);
    std::vector<uint8_t> buffer;
    std::vector<uint32_t> before;  // the picture written last, when the next frame is its change
    std::vector<uint32_t> scaled;
    CFrameWorkspace workspace;
    CGifFrameDecoder decoder;
    std::vector<uint8_t> indices;
    GifImage image;
    for (size_t k = 0; k < plan.size() && error == GifError::None; ++k) {
        const PlannedFrame& p = plan[k];
        const bool keep = k + 1 < plan.size() && ways[k + 1] == Way::Changes;
        if (ways[k] == Way::Copy) {
            error = CopyFrame(source, info.frames[p.source], p.delay, out, buffer);
            if (error == GifError::None && keep)
                error = pictures.Show(p.source);
        } else if (ways[k] == Way::Whole && !keep && pictures.IsWhole(p.source) && encoding.Plain()) {
            error = CropWholeFrame(source, info, info.frames[p.source], crop, decoder, indices, &image);
            if (error == GifError::None)
                WriteGifFrame(out, image, p.delay, &workspace);
        } else if ((error = pictures.Show(p.source)) == GifError::None) {
            const PixelView now = OutputPicture(pictures, info, crop, size, &scaled);
            const PixelView was{before.data(), size.width, size.width, size.height};
            const CompactFrame frame =
                BuildCompactFrame(ways[k] == Way::Changes ? &was : nullptr, now, options, &workspace);
            WriteGifFrame(out, frame, p.delay, &workspace);
            if (keep)
                KeepPicture(now, &before);
        }
        if (error == GifError::None && keep && ways[k] == Way::Copy)
            KeepPicture(CroppedPicture(pictures, info, crop), &before);
        if (error == GifError::None && progress && !progress(k + 1, plan.size())) {
            *cancelled = true;
            return GifError::None;
        }
    }
    if (error != GifError::None)
        return error;
    WriteGifTrailer(out);
    return GifError::None;
}
