#pragma once
// The edits a user makes to a recording before sharing it, kept as a list so that each can be
// undone and redone, and what the list comes to: which frames of the file are written, with
// which delays, cut to which rectangle. Nothing here reads or writes a file.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "changed_area.h"

struct GifEdit {
    enum class Kind { Crop, Cut, Speed, ShortenStills };
    Kind kind = Kind::Crop;
    ImageRect rect;                // Crop: what every frame keeps, in the file's own pixels
    size_t first = 0, last = 0;    // Cut: the frames removed, both ends included
    uint32_t value = 0;            // Speed: percent (100 plays as recorded); ShortenStills: hundredths
};

// Delays below this many hundredths are played far slower by browsers: edits never make one.
constexpr uint32_t kMinEditedDelay = 2;
// The speeds offered, in percent, and the longest a still moment lasts once shortened.
constexpr uint32_t kEditSpeeds[] = {50, 100, 150, 200, 300};
constexpr uint32_t kDefaultStillLimit = 100;

// The edits in the order made, with the ones undone kept for redo until a new edit is made.
class CGifEditList {
public:
    void Add(const GifEdit& edit);
    bool CanUndo() const { return m_done > 0; }
    bool CanRedo() const { return m_done < m_edits.size(); }
    void Undo();
    void Redo();
    // The edits in force, oldest first.
    std::vector<GifEdit> Active() const;
    bool Empty() const { return m_done == 0; }

private:
    std::vector<GifEdit> m_edits;
    size_t m_done = 0;  // m_edits[0..m_done) are in force
};

// What the edits in force come to: a later crop, speed or limit replaces an earlier one; cuts
// add up. crop is the whole screen when there is none; stillLimit 0 leaves still moments.
struct GifEditState {
    ImageRect crop;
    std::vector<bool> removed;  // one per frame of the file
    uint32_t speedPercent = 100;
    uint32_t stillLimit = 0;
};
GifEditState FoldEdits(const std::vector<GifEdit>& edits, size_t frameCount, uint16_t width, uint16_t height);

// One frame of the edited file: the picture of frame `source` of the original, shown for
// `delay` hundredths. afterRemoved: a frame removed by a cut or the kept part lies between it
// and the frame written before it (frames merged away for speed do not count).
struct PlannedFrame {
    size_t source = 0;
    uint16_t delay = 0;
    bool afterRemoved = false;
};

// The frames of the edited file, from the original's delays and the frames kept (not removed,
// and within first..last). Speed scales the delays; where a frame would get a delay below
// kMinEditedDelay it is merged into the frame before it, which keeps its picture and gets its
// time. With a still limit, a frame that changes nothing (unchanged[i]: frame i shows what
// frame i - 1 showed) is merged into the frame before it, and every such stretch lasts at
// most the limit. Times are summed before rounding, so a long file does not drift.
// unchanged may be empty when state.stillLimit is 0.
std::vector<PlannedFrame> PlanEditedFrames(const GifEditState& state, const std::vector<uint16_t>& delays,
                                           const std::vector<bool>& unchanged, size_t first, size_t last);
