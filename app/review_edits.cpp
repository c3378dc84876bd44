#include "app/review_edits.h"

#include "app/resource.h"
#include "win/resource_text.h"

std::wstring SpeedText(uint32_t percent)
{
    std::wstring text = std::to_wstring(percent / 100);
    if (percent % 100)
        text += L"." + std::to_wstring(percent % 100 / 10);
    return text + L"×";
}

CReviewEdits::CReviewEdits(CRecordingReview& review) : m_review(review)
{
    std::wstring ignored;
    Derive(&ignored);  // no edits: nothing to read
}

uint32_t CReviewEdits::Duration(const std::vector<PlannedFrame>& plan)
{
    uint32_t total = 0;
    for (const PlannedFrame& p : plan)
        total += p.delay;
    return total;
}

bool CReviewEdits::Add(const GifEdit& edit, std::wstring* message)
{
    m_list.Add(edit);
    if (Derive(message))
        return true;
    m_list.Undo();
    Derive(message);
    return false;
}

bool CReviewEdits::Undo(std::wstring* message)
{
    m_list.Undo();
    return Derive(message);
}

bool CReviewEdits::Redo(std::wstring* message)
{
    m_list.Redo();
    return Derive(message);
}

bool CReviewEdits::Derive(std::wstring* message)
{
    const GifFileInfo& info = m_review.Info();
    m_state = FoldEdits(m_list.Active(), info.frames.size(), info.width, info.height);
    const ImageRect& area = m_state.crop;
    const bool known = m_unchanged.size() == info.frames.size() && area.left == m_unchangedArea.left &&
                       area.top == m_unchangedArea.top && area.width == m_unchangedArea.width &&
                       area.height == m_unchangedArea.height;
    if (!m_state.stillLimit || known)
        return true;
    if (!m_review.UnchangedFrames(area, &m_unchanged, message)) {
        m_unchanged.clear();
        return false;
    }
    m_unchangedArea = area;
    return true;
}

bool CReviewEdits::Cropped() const
{
    return m_state.crop.width != m_review.Width() || m_state.crop.height != m_review.Height();
}

std::vector<PlannedFrame> CReviewEdits::Plan(size_t first, size_t last) const
{
    const GifFileInfo& info = m_review.Info();
    std::vector<uint16_t> delays;
    delays.reserve(info.frames.size());
    for (const GifFrameInfo& f : info.frames)
        delays.push_back(f.delay);
    return PlanEditedFrames(m_state, delays, m_unchanged, first, last);
}

std::wstring CReviewEdits::SummaryText() const
{
    std::vector<std::wstring> parts;
    if (Cropped())
        parts.push_back(FormatText(IDS_EDIT_CROP, {std::to_wstring(m_state.crop.width), std::to_wstring(m_state.crop.height)}));
    size_t cuts = 0;
    for (size_t i = 0; i < m_state.removed.size(); ++i)
        cuts += m_state.removed[i] && (i == 0 || !m_state.removed[i - 1]);
    if (cuts)
        parts.push_back(FormatText(IDS_EDIT_CUTS, {std::to_wstring(cuts)}));
    if (m_state.speedPercent != 100)
        parts.push_back(FormatText(IDS_EDIT_SPEED, {SpeedText(m_state.speedPercent)}));
    if (m_state.stillLimit)
        parts.push_back(LoadText(IDS_EDIT_PAUSES));
    if (parts.empty())
        return LoadText(IDS_EDIT_NONE);
    std::wstring text;
    for (const std::wstring& part : parts)
        text += (text.empty() ? L"" : L"  ·  ") + part;
    return text;
}
