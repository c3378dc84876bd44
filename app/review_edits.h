#pragma once
// The review window's edits: the list with its undo and redo, and what it comes to for the
// recording under review (the frames played and written, their delays, the crop), derived
// again after every change, so that the preview always shows what a save would write.
#include <string>
#include <vector>

#include "app/recording_review.h"
#include "gif/gif_edits.h"

class CReviewEdits {
public:
    // The review is open: its frames are known.
    explicit CReviewEdits(CRecordingReview& review);

    // Add, Undo and Redo re-derive the state; false when the frames that stay unchanged could
    // not be read (the file broke): then *message says why and nothing changed.
    bool Add(const GifEdit& edit, std::wstring* message);
    bool Undo(std::wstring* message);
    bool Redo(std::wstring* message);
    bool Any() const { return !m_list.Empty(); }

    const GifEditState& State() const { return m_state; }
    bool Cropped() const;
    bool Removed(size_t frame) const { return frame < m_state.removed.size() && m_state.removed[frame]; }
    // The frames of the edited recording within the kept part first..last.
    std::vector<PlannedFrame> Plan(size_t first, size_t last) const;
    // Hundredths of a second the edited recording lasts, from its plan.
    static uint32_t Duration(const std::vector<PlannedFrame>& plan);
    // "裁剪 640×360  删除了 2 段  速度 2×": the edits in force, or how to use the window.
    std::wstring SummaryText() const;

private:
    bool Derive(std::wstring* message);

    CRecordingReview& m_review;
    CGifEditList m_list;
    GifEditState m_state;
    std::vector<bool> m_unchanged;  // for m_unchangedArea; found when a still limit is first in force
    ImageRect m_unchangedArea;
};

// "0.5×", "1×", "1.5×", "2×", "3×"
std::wstring SpeedText(uint32_t percent);
