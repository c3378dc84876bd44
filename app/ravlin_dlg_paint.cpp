// The tool window's painting: the skinned frame, the live preview and the three status lines,
// all drawn off screen and copied to the window in one piece.
#include "app/ravlin_dlg.h"

#include "app/resource.h"
#include "app/status_layout.h"
#include "win/dc.h"
#include "win/mem_dc.h"
#include "win/monitors.h"
#include "win/resource_text.h"

namespace {

const COLORREF kOutline = RGB(80, 80, 80);
const COLORREF kStatusText = RGB(160, 160, 160);
const COLORREF kSizeNearLimit = RGB(240, 96, 64);

RECT Inflated(RECT r, int dx, int dy)
{
    ::InflateRect(&r, dx, dy);
    return r;
}

}  // namespace

BOOL CRavlinDlg::OnEraseBkgnd(HDC dc)
{
    const RECT client = GetClientRect();
    CMemDC memDC(dc, &client);
    CSkinnedFrameDlg::OnEraseBkgnd(memDC);
    PaintPreview(memDC);
    for (const RECT& r : m_statusRects)
        PaintFramedRect(memDC, r);
    PaintStatusText(memDC);
    return TRUE;
}

void CRavlinDlg::PaintFramedRect(HDC dc, const RECT& rect) const
{
    RECT r = rect;
    for (int i = 0; i < LineWidthForDpi(Dpi()); ++i) {
        CDCHandle(dc).FrameRect(r, kOutline);
        r = Inflated(r, -1, -1);
    }
}

void CRavlinDlg::PaintPreview(HDC dc)
{
    PaintFramedRect(dc, m_previewRect);
    const int line = LineWidthForDpi(Dpi());
    const RECT inner = Inflated(m_previewRect, -line, -line);
    const int oldMode = ::SetStretchBltMode(dc, HALFTONE);
    ::SetBrushOrgEx(dc, 0, 0, nullptr);
    {
        // The capture thread stretches into the canvas under the same lock.
        std::lock_guard<std::mutex> guard(m_preview.PaintLock());
        ::StretchBlt(dc, inner.left, inner.top, inner.right - inner.left, inner.bottom - inner.top, m_preview.Hdc(),
                     0, 0, m_preview.Width(), m_preview.Height(), SRCCOPY);
    }
    ::SetStretchBltMode(dc, oldMode);
}

std::wstring CRavlinDlg::WholeScreenText() const
{
    // The edge frame of a whole monitor has no marks to show where the region is: this line does.
    if (!m_overlay.ShowsRegion())
        return std::wstring();
    const RECT region = m_overlay.GetCaptureRect();
    const RECT monitor = MonitorRectOf(region);
    if (!::EqualRect(&region, &monitor))
        return std::wstring();
    return FormatText(IDS_WHOLE_SCREEN, {std::to_wstring(region.right - region.left),
                                         std::to_wstring(region.bottom - region.top)});
}

void CRavlinDlg::PaintStatusText(HDC dc) const
{
    CDCHandle target(dc);
    CSelectGuard font(dc, m_statusFont);
    const COLORREF oldColour = ::SetTextColor(dc, kStatusText);
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    // The first line names a whole-screen region while no count is shown in it.
    const std::wstring first = m_recordedText.empty() ? WholeScreenText() : m_recordedText;
    const std::wstring* lines[] = {&first, &m_encodedText, &m_fileNameText};
    for (int i = 0; i < 3; ++i) {
        RECT text = StatusTextRect(m_statusRects[i], Dpi());
        // The size keeps its place at the right; a count too long for the rest would be cut
        // with an ellipsis rather than drawn under it.
        const std::wstring none;
        const std::wstring& right = i == 1 ? m_sizeText : none;
        RECT room = LeftTextRoom(dc, right, text, Dpi());
        target.DrawText(*lines[i], room, DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        if (!right.empty()) {
            ::SetTextColor(dc, m_sizeNearLimit ? kSizeNearLimit : kStatusText);
            target.DrawText(right, text, DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
            ::SetTextColor(dc, kStatusText);
        }
    }
    ::SetBkMode(dc, oldMode);
    ::SetTextColor(dc, oldColour);
}
