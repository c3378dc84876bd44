#include "gif_edits.h"

#include <algorithm>

void CGifEditList::Add(const GifEdit& edit)
{
    m_edits.resize(m_done);  // a new edit ends what could be redone
    m_edits.push_back(edit);
    m_done = m_edits.size();
}

void CGifEditList::Undo()
{
    if (CanUndo())
        --m_done;
}

void CGifEditList::Redo()
{
    if (CanRedo())
        ++m_done;
}

std::vector<GifEdit> CGifEditList::Active() const
{
    return std::vector<GifEdit>(m_edits.begin(), m_edits.begin() + static_cast<ptrdiff_t>(m_done));
}

GifEditState FoldEdits(const std::vector<GifEdit>& edits, size_t frameCount, uint16_t width, uint16_t height)
{
    GifEditState state;
    state.crop = ImageRect{0, 0, width, height};
    state.removed.assign(frameCount, false);
    for (const GifEdit& e : edits) {
        switch (e.kind) {
        case GifEdit::Kind::Crop: {
            // Kept on the screen; a rectangle wholly outside it changes nothing.
            const int32_t left = std::max(0, e.rect.left), top = std::max(0, e.rect.top);
            const int32_t right = std::min<int32_t>(width, e.rect.left + e.rect.width);
            const int32_t bottom = std::min<int32_t>(height, e.rect.top + e.rect.height);
            if (right > left && bottom > top)
                state.crop = ImageRect{left, top, right - left, bottom - top};
            break;
        }
        case GifEdit::Kind::Cut:
            for (size_t i = e.first; i <= e.last && i < frameCount; ++i)
                state.removed[i] = true;
            break;
        case GifEdit::Kind::Speed:
            state.speedPercent = e.value ? e.value : 100;
            break;
        case GifEdit::Kind::ShortenStills:
            state.stillLimit = e.value;
            break;
        }
    }
    return state;
}

namespace {

// A frame that shows something new, with the time until the next such frame: its own delay
// and those of the unchanged frames merged into it.
struct Shot {
    size_t source;
    uint64_t hundredths;
    bool afterRemoved;
};

std::vector<Shot> GatherShots(const GifEditState& state, const std::vector<uint16_t>& delays,
                              const std::vector<bool>& unchanged, size_t first, size_t last)
{
    std::vector<Shot> shots;
    bool removedBefore = false;
    for (size_t i = first; i <= last && i < delays.size(); ++i) {
        if (i < state.removed.size() && state.removed[i]) {
            removedBefore = true;
            continue;
        }
        const bool still = state.stillLimit && !shots.empty() && !removedBefore && i < unchanged.size() && unchanged[i];
        if (still)
            shots.back().hundredths += delays[i];
        else
            shots.push_back(Shot{i, delays[i], removedBefore});
        removedBefore = false;
    }
    return shots;
}

}  // namespace

std::vector<PlannedFrame> PlanEditedFrames(const GifEditState& state, const std::vector<uint16_t>& delays,
                                           const std::vector<bool>& unchanged, size_t first, size_t last)
{
    const std::vector<Shot> shots = GatherShots(state, delays, unchanged, first, last);
    const uint64_t speed = state.speedPercent ? state.speedPercent : 100;
    const bool merging = speed != 100;
    // Time in hundredths times speed / 100, exact; each start is rounded from the running sum.
    uint64_t sum = 0;
    const auto rounded = [&] { return (sum + speed / 2) / speed; };
    std::vector<PlannedFrame> planned;
    std::vector<uint64_t> starts;
    bool removedBefore = false;
    for (const Shot& shot : shots) {
        const uint64_t start = rounded();
        uint64_t scaled = shot.hundredths * 100;
        if (state.stillLimit && scaled > uint64_t(state.stillLimit) * speed)
            scaled = uint64_t(state.stillLimit) * speed;
        sum += scaled;
        removedBefore = removedBefore || shot.afterRemoved;
        if (merging && !starts.empty() && start - starts.back() < kMinEditedDelay)
            continue;  // its time goes to the frame before
        planned.push_back(PlannedFrame{shot.source, 0, removedBefore});
        starts.push_back(start);
        removedBefore = false;
    }
    const uint64_t end = rounded();
    if (merging && planned.size() > 1 && end - starts.back() < kMinEditedDelay) {
        planned.pop_back();
        starts.pop_back();
    }
    for (size_t k = 0; k < planned.size(); ++k) {
        const uint64_t next = k + 1 < planned.size() ? starts[k + 1] : end;
        planned[k].delay = static_cast<uint16_t>(std::min<uint64_t>(next - starts[k], 0xFFFF));
    }
    return planned;
}
