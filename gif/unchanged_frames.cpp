#include "unchanged_frames.h"

#include <algorithm>

#include "gif_frame_decoder.h"

namespace {

ImageRect Overlap(const ImageRect& a, const ImageRect& b)
{
    const int32_t left = std::max(a.left, b.left), top = std::max(a.top, b.top);
    const int32_t right = std::min(a.left + a.width, b.left + b.width);
    const int32_t bottom = std::min(a.top + a.height, b.top + b.height);
    return ImageRect{left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

// True when every pixel of the decoded frame inside `part` (screen coordinates) is transparent.
bool AllTransparent(const GifFrameInfo& f, const std::vector<uint8_t>& indices, const ImageRect& part)
{
    const uint8_t transparent = static_cast<uint8_t>(f.transparentIndex);
    for (int32_t y = part.top; y < part.top + part.height; ++y) {
        const uint8_t* row = indices.data() + size_t(y - f.rect.top) * f.rect.width + (part.left - f.rect.left);
        if (std::any_of(row, row + part.width, [&](uint8_t i) { return i != transparent; }))
            return false;
    }
    return true;
}

// The frame's colour table (when its own) and compressed data as stored.
GifError ReadImageBytes(IByteSource& source, const GifFrameInfo& f, std::vector<uint8_t>* bytes)
{
    const uint64_t from = f.tableOffset ? f.tableOffset : f.dataOffset;
    bytes->resize(static_cast<size_t>(f.end - from));
    return source.Read(from, bytes->data(), bytes->size()) ? GifError::None : GifError::ReadFailed;
}

// Whether frame i, drawn over frame i - 1, leaves the area as it was. bytes: frame i's image
// as stored when it has no transparent colour; previous: frame i - 1's, or empty.
GifError IsUnchanged(IByteSource& source, const GifFileInfo& info, size_t i, const ImageRect& area,
                     const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& previous,
                     CGifFrameDecoder& decoder, bool* same)
{
    *same = false;
    const GifFrameInfo& f = info.frames[i];
    if (i == 0 || info.frames[i - 1].disposal >= 2)
        return GifError::None;
    const ImageRect part = Overlap(f.rect, area);
    if (part.Empty()) {
        *same = true;
        return GifError::None;
    }
    if (f.transparentIndex >= 0) {
        std::vector<uint8_t> indices, table;
        const GifError error = decoder.Decode(source, info, f, &indices, &table);
        *same = error == GifError::None && AllTransparent(f, indices, part);
        return error;
    }
    const GifFrameInfo& p = info.frames[i - 1];
    *same = p.rect.left == f.rect.left && p.rect.top == f.rect.top && p.rect.width == f.rect.width &&
            p.rect.height == f.rect.height && (p.tableOffset != 0) == (f.tableOffset != 0) &&
            p.interlaced == f.interlaced && !previous.empty() && bytes == previous;
    return GifError::None;
}

}  // namespace

GifError FindUnchangedFrames(IByteSource& source, const GifFileInfo& info, const ImageRect& area,
                             std::vector<bool>* unchanged)
{
    unchanged->assign(info.frames.size(), false);
    CGifFrameDecoder decoder;
    std::vector<uint8_t> bytes, previous;
    for (size_t i = 0; i < info.frames.size(); ++i) {
        bytes.clear();
        GifError error = info.frames[i].transparentIndex < 0 ? ReadImageBytes(source, info.frames[i], &bytes)
                                                             : GifError::None;
        bool same = false;
        if (error == GifError::None)
            error = IsUnchanged(source, info, i, area, bytes, previous, decoder, &same);
        if (error != GifError::None)
            return error;
        (*unchanged)[i] = same;
        previous.swap(bytes);
    }
    return GifError::None;
}
