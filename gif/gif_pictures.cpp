#include "gif_pictures.h"

#include <algorithm>
#include <iterator>

namespace {

// The part of a frame's rectangle that lies on the screen.
ImageRect OnScreen(const ImageRect& r, uint16_t width, uint16_t height)
{
    const int32_t right = std::min<int32_t>(r.left + r.width, width);
    const int32_t bottom = std::min<int32_t>(r.top + r.height, height);
    ImageRect clipped{r.left, r.top, std::max(0, right - r.left), std::max(0, bottom - r.top)};
    return clipped;
}

}  // namespace

CGifPictures::CGifPictures(IByteSource& source, const GifFileInfo& info, size_t budgetBytes)
    : m_source(source), m_info(info)
{
    const size_t pixels = static_cast<size_t>(info.width) * info.height;
    m_view.canvas.assign(pixels, 0);
    const size_t frames = info.frames.size();
    m_maxKept = pixels ? budgetBytes / (pixels * sizeof(uint32_t)) : frames;
    m_interval = m_maxKept ? std::max<size_t>(1, (frames + m_maxKept - 1) / m_maxKept) : frames + 1;
    m_lastWhole.resize(frames);
    size_t last = kNone;
    for (size_t i = 0; i < frames; ++i) {
        if (IsWhole(i))
            last = i;
        m_lastWhole[i] = last;
    }
}

bool CGifPictures::IsWhole(size_t frame) const
{
    const GifFrameInfo& f = m_info.frames[frame];
    return f.rect.left == 0 && f.rect.top == 0 && f.rect.width >= m_info.width &&
           f.rect.height >= m_info.height && f.transparentIndex < 0 && f.disposal != 3;
}

GifError CGifPictures::Show(size_t frame)
{
    return WalkTo(m_view, frame);
}

GifError CGifPictures::PrepareAhead(size_t count, bool* done)
{
    const size_t frames = m_info.frames.size();
    const size_t stop = m_decoded + count;
    while (m_aheadNext < frames && m_decoded < stop) {
        // The next place a picture is kept; places that need none are passed over undecoded.
        const size_t target = (m_aheadNext + m_interval - 1) / m_interval * m_interval;
        if (target >= frames) {
            m_aheadNext = frames;
            break;
        }
        if (IsWhole(target) || m_kept.count(target) || m_kept.size() >= m_maxKept ||
            m_info.frames[target].disposal == 3) {
            m_aheadNext = target + 1;
            continue;
        }
        if (m_ahead.canvas.empty())
            m_ahead.canvas.assign(m_view.canvas.size(), 0);
        // One frame at a time, so that a call does about count frames; from the last whole
        // frame when that is nearer.
        size_t step = m_aheadNext;
        if (m_lastWhole[target] != kNone && m_lastWhole[target] > step)
            step = m_lastWhole[target];
        const GifError error = WalkTo(m_ahead, step);
        if (error != GifError::None)
            return error;
        m_aheadNext = step + 1;
    }
    *done = m_aheadNext >= frames;
    if (*done)
        m_ahead = Walk();
    return GifError::None;
}

GifError CGifPictures::WalkTo(Walk& walk, size_t frame)
{
    if (frame >= m_info.frames.size())
        return GifError::NoFrames;
    if (frame == walk.shown)
        return GifError::None;

    // Where to start drawing: the fewest frames to decode wins.
    enum class Base { Cleared, Kept, Current } base = Base::Cleared;
    size_t from = m_lastWhole[frame] != kNone ? m_lastWhole[frame] : 0;
    auto kept = m_kept.upper_bound(frame);
    if (kept != m_kept.begin() && std::prev(kept)->first + 1 > from) {
        --kept;
        from = kept->first + 1;
        base = Base::Kept;
    }
    if (walk.shown != kNone && walk.shown < frame && walk.shown + 1 >= from) {
        from = walk.shown + 1;
        base = Base::Current;
    }
    if (base == Base::Kept) {
        walk.canvas = kept->second;
        walk.shown = kept->first;
    } else if (base == Base::Cleared) {
        std::fill(walk.canvas.begin(), walk.canvas.end(), 0u);
        walk.shown = kNone;
    }
    for (size_t i = from; i <= frame; ++i) {
        const GifError error = Draw(walk, i);
        if (error != GifError::None) {
            walk.shown = kNone;
            return error;
        }
    }
    return GifError::None;
}

GifError CGifPictures::Draw(Walk& walk, size_t frame)
{
    if (walk.shown != kNone)
        Dispose(walk, walk.shown);
    const GifFrameInfo& f = m_info.frames[frame];
    const GifError error = m_decoder.Decode(m_source, m_info, f, &m_indices, &m_table);
    ++m_decoded;
    if (error != GifError::None)
        return error;
    if (f.disposal == 3)
        walk.underneath = walk.canvas;
    Paint(walk, f);
    walk.shown = frame;
    if (frame % m_interval == 0 && !IsWhole(frame) && f.disposal != 3 && m_kept.size() < m_maxKept)
        m_kept.emplace(frame, walk.canvas);
    return GifError::None;
}

void CGifPictures::Dispose(Walk& walk, size_t frame) const
{
    const GifFrameInfo& f = m_info.frames[frame];
    if (f.disposal != 2 && f.disposal != 3)
        return;
    const ImageRect r = OnScreen(f.rect, m_info.width, m_info.height);
    for (int32_t y = r.top; y < r.top + r.height; ++y) {
        const size_t row = static_cast<size_t>(y) * m_info.width + r.left;
        if (f.disposal == 2)
            std::fill_n(walk.canvas.begin() + static_cast<ptrdiff_t>(row), r.width, 0u);
        else
            std::copy_n(walk.underneath.begin() + static_cast<ptrdiff_t>(row), r.width,
                        walk.canvas.begin() + static_cast<ptrdiff_t>(row));
    }
}

void CGifPictures::Paint(Walk& walk, const GifFrameInfo& f) const
{
    uint32_t colours[256];
    for (int i = 0; i < 256; ++i)
        colours[i] = 0xFF000000u | uint32_t(m_table[3 * i]) << 16 | uint32_t(m_table[3 * i + 1]) << 8 |
                     m_table[3 * i + 2];
    const ImageRect r = OnScreen(f.rect, m_info.width, m_info.height);
    const int transparent = f.transparentIndex;
    for (int32_t y = 0; y < r.height; ++y) {
        const uint8_t* in = m_indices.data() + static_cast<size_t>(y) * f.rect.width;
        uint32_t* out = walk.canvas.data() + static_cast<size_t>(r.top + y) * m_info.width + r.left;
        if (transparent < 0) {
            for (int32_t x = 0; x < r.width; ++x)
                out[x] = colours[in[x]];
        } else {
            for (int32_t x = 0; x < r.width; ++x)
                if (in[x] != transparent)
                    out[x] = colours[in[x]];
        }
    }
}
