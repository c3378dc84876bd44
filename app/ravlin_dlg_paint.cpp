// The tool window's painting: the skinned frame, the live preview and the three status lines,
// all drawn off screen and copied to the window in one piece.
#include "app/ravlin_dlg.h"

#include "region/mem_dc.h"
#include "win/dc.h"

namespace {

const COLORREF kOutline = RGB(80, 80, 80);
const COLORREF kStatusText = RGB(160, 160, 160);

RECT Inflated(RECT r, int dx, int dy)
{
    ::InflateRect(&r, dx, dy);
    return r;
}

RECT Offset(RECT r, int dx, int dy)
{
    ::OffsetRect(&r, dx, dy);
    return r;
}

}  // namespace

BOOL CRavlinDlg::OnEraseBkgnd(HDC dc)
{
    const RECT client = GetClientRect();
    CMemDC memDC(dc, &client);
    CNewSkinDlg::OnEraseBkgnd(memDC);
    m_previewRect = RECT{client.left + 12, client.top + 70, client.left + 128, client.top + 135};
    PaintPreview(memDC);
    for (const RECT& r : m_statusRects)
        PaintFramedRect(memDC, r);
    PaintStatusText(memDC);
    return TRUE;
}

void CRavlinDlg::PaintFramedRect(HDC dc, const RECT& rect) const
{
    CDCHandle(dc).FrameRect(rect, kOutline);
}

void CRavlinDlg::PaintPreview(HDC dc)
{
    PaintFramedRect(dc, m_previewRect);
    const RECT inner = Inflated(m_previewRect, -1, -1);
    const int oldMode = ::SetStretchBltMode(dc, HALFTONE);
    ::SetBrushOrgEx(dc, 0, 0, nullptr);
    {
        // The capture thread stretches into the canvas under the same lock.
        CSectionGuard guard(m_preview.PaintLock());
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
    RECT text = Inflated(m_statusRects[0], -2, -2);
    text.left += 2;
    text.top += 2;
    target.DrawText(m_recordedText, text, DT_VCENTER);
    text = Offset(text, 0, 40);
    target.DrawText(m_encodedText, text, DT_VCENTER);
    target.DrawText(m_sizeText, text, DT_VCENTER | DT_RIGHT);
    text = Offset(text, 0, 40);
    target.DrawText(m_fileNameText, text, DT_VCENTER);
    ::SetBkMode(dc, oldMode);
    ::SetTextColor(dc, oldColour);
}
