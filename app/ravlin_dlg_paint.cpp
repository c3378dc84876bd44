// The tool window's painting: the skinned frame, the live preview and the three status lines,
// all drawn off screen and copied to the window in one piece.
#include "app/ravlin_dlg.h"

#include "win/dc.h"
#include "win/mem_dc.h"

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

void CRavlinDlg::PaintStatusText(HDC dc) const
{
    CDCHandle target(dc);
    CSelectGuard font(dc, m_statusFont);
    const COLORREF oldColour = ::SetTextColor(dc, kStatusText);
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const std::wstring* lines[] = {&m_recordedText, &m_encodedText, &m_fileNameText};
    for (int i = 0; i < 3; ++i) {
        // Inset 4 at the left and top, 2 at the right and bottom.
        RECT text = Inflated(m_statusRects[i], -Scaled(2), -Scaled(2));
        text.left += Scaled(2);
        text.top += Scaled(2);
        target.DrawText(*lines[i], text, DT_VCENTER);
        if (i == 1) {
            ::SetTextColor(dc, m_sizeNearLimit ? kSizeNearLimit : kStatusText);
            target.DrawText(m_sizeText, text, DT_VCENTER | DT_RIGHT);
            ::SetTextColor(dc, kStatusText);
        }
    }
    ::SetBkMode(dc, oldMode);
    ::SetTextColor(dc, oldColour);
}
