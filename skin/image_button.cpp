#include "image_button.h"

#include <commctrl.h>

#include "win/dc.h"
#include "win/dpi.h"

namespace {
const COLORREF kButtonBackground = RGB(55, 55, 55);
}

BOOL TrackMouseHoverAndLeave(HWND hwnd)
{
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof(track);
    track.dwFlags = TME_HOVER | TME_LEAVE;
    track.hwndTrack = hwnd;
    track.dwHoverTime = 1;
    return ::_TrackMouseEvent(&track);
}

bool CImageButton::Create(HWND parent, const RECT& rect, UINT id)
{
    return CreateChild(L"BUTTON", L"", WS_CHILD | WS_VISIBLE, rect, parent, id);
}

void CImageButton::PreSubclassWindow()
{
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, ::GetWindowLongPtrW(m_hWnd, GWL_STYLE) | BS_OWNERDRAW);
}

void CImageButton::SetStateBitmaps(HBITMAP normal, HBITMAP hover, HBITMAP pressed, HBITMAP inactive,
                                   HBITMAP inactiveHover)
{
    m_bitmaps[Normal] = normal;
    m_bitmaps[Hover] = hover;
    m_bitmaps[Pressed] = pressed;
    m_bitmaps[Inactive] = inactive;
    m_bitmaps[InactiveHover] = inactiveHover;
}

void CImageButton::SetActive(BOOL active)
{
    if (active == m_active)
        return;
    m_active = active;
    if (m_hWnd)
        Invalidate();
}

CImageButton::Image CImageButton::ChooseImage(bool selected, bool hover, bool active)
{
    if (selected)
        return Pressed;
    if (hover)
        return active ? Hover : InactiveHover;
    return active ? Normal : Inactive;
}

void CImageButton::DrawItem(const DRAWITEMSTRUCT& item)
{
    HBITMAP bitmap = m_bitmaps[ChooseImage(item.itemState & ODS_SELECTED, m_hover, m_active)];
    if (!bitmap)
        return;  // a missing image leaves the erased background
    // The box grows with the DPI, the images are drawn for 96: stretched to fit then.
    DrawBitmapInto(item.hDC, GetClientRect(), bitmap);
}

void CImageButton::OnMouseMove(UINT flags, POINT point)
{
    if (!m_tracking)
        m_tracking = TrackMouseHoverAndLeave(m_hWnd);
    CWnd::OnMouseMove(flags, point);
}

void CImageButton::OnMouseHover(UINT, POINT)
{
    m_hover = TRUE;
    Invalidate();
}

void CImageButton::OnMouseLeave()
{
    m_tracking = FALSE;
    m_hover = FALSE;
    Invalidate();
}

BOOL CImageButton::OnEraseBkgnd(HDC dc)
{
    CDCHandle(dc).FillSolidRect(GetClientRect(), kButtonBackground);
    return TRUE;
}
