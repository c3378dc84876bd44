#include "skinned_frame_dlg.h"

#include <algorithm>

#include "win/dc.h"
#include "win/dpi.h"

namespace {
const COLORREF kOutline = RGB(90, 90, 90);
const COLORREF kMiddleOutline = RGB(120, 120, 120);
const COLORREF kInnerOutline = RGB(80, 80, 80);
const COLORREF kCaptionActive = RGB(70, 60, 100);
const COLORREF kCaptionInactive = RGB(80, 80, 80);
const COLORREF kTitleActive = RGB(255, 255, 255);
const COLORREF kTitleInactive = RGB(150, 150, 150);
constexpr UINT kTitleFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
constexpr int kCloseBoxSize = 20;
constexpr int kCloseBoxRight = 25;
constexpr int kCloseBoxTop = 4;
constexpr int kEdgeSize = 4;
constexpr int kCornerSize = 10;
constexpr UINT kTickMs = 16;

RECT Deflated(RECT r, int by)
{
    ::InflateRect(&r, -by, -by);
    return r;
}

// An outline `width` pixels thick just inside `r`.
void FrameLine(HDC dc, RECT r, int width, COLORREF colour)
{
    for (int i = 0; i < width; ++i) {
        CDCHandle(dc).FrameRect(r, colour);
        r = Deflated(r, 1);
    }
}
}  // namespace

CSkinnedFrameDlg::CSkinnedFrameDlg(UINT templateId, CWnd* parent)
    : CDialog(templateId, parent),
      m_cursorSizeNS(::LoadCursorW(nullptr, IDC_SIZENS)),
      m_cursorArrow(::LoadCursorW(nullptr, IDC_ARROW)),
      m_cursorSizeWE(::LoadCursorW(nullptr, IDC_SIZEWE)),
      m_cursorSizeNWSE(::LoadCursorW(nullptr, IDC_SIZENWSE)),
      m_cursorSizeNESW(::LoadCursorW(nullptr, IDC_SIZENESW))
{
    CreateCaptionFont();
}

void CSkinnedFrameDlg::CreateCaptionFont()
{
    LOGFONTW font{};
    font.lfHeight = -Scaled(15);
    font.lfWeight = FW_MEDIUM;
    font.lfCharSet = ANSI_CHARSET;
    font.lfPitchAndFamily = FF_SWISS;
    wcscpy(font.lfFaceName, L"Arial");
    m_captionFont.CreateFontIndirect(font);
}

void CSkinnedFrameDlg::PlaceCloseBox(int clientWidth)
{
    const int size = Scaled(kCloseBoxSize);
    ::MoveWindow(m_closeButton, clientWidth - Scaled(kCloseBoxRight), Scaled(kCloseBoxTop), size, size, TRUE);
}

void CSkinnedFrameDlg::SetCloseBitmaps(HBITMAP normal, HBITMAP hover, HBITMAP pressed, HBITMAP inactive,
                                  HBITMAP inactiveHover, int imagesDpi)
{
    m_closeImagesDpi = imagesDpi > 0 ? imagesDpi : kDesignDpi;
    m_closeImages[CImageButton::Normal] = normal;
    m_closeImages[CImageButton::Hover] = hover;
    m_closeImages[CImageButton::Pressed] = pressed;
    m_closeImages[CImageButton::Inactive] = inactive;
    m_closeImages[CImageButton::InactiveHover] = inactiveHover;
    m_closeButton.SetStateBitmaps(normal, hover, pressed, inactive, inactiveHover);
}

void CSkinnedFrameDlg::EnableResize(bool resizable)
{
    if (!m_hWnd)
        m_resizable = resizable;
}

BOOL CSkinnedFrameDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // Sizes are designed at 96 DPI; the window now knows the DPI of its screen.
    m_dpi = WindowDpi(m_hWnd);
    if (m_dpi != kDesignDpi)
        CreateCaptionFont();
    // The window is ours from WM_INITDIALOG on, so the close box is made here and placed at once,
    // as the first size change would place it.
    if (m_closeButton.Create(m_hWnd, RECT{0, 0, 17, 17}, IDC_SKIN_CLOSE))
        PlaceCloseBox(GetClientRect().right);
    m_active = TRUE;
    m_closeButton.SetActive(TRUE);
    m_anchor = POINT{0, 0};
    return TRUE;
}

RECT CSkinnedFrameDlg::CaptionRect() const
{
    RECT r = GetClientRect();
    r.bottom = CaptionHeight();
    return r;
}

void CSkinnedFrameDlg::DrawCaption(HDC target, BOOL active)
{
    const RECT client = GetClientRect();
    const int width = client.right - client.left;
    const int height = CaptionHeight();
    const int line = LineWidthForDpi(m_dpi);
    CDC band;
    CBitmap bandBitmap;
    if (!band.CreateCompatibleDC(target) || !bandBitmap.CreateCompatibleBitmap(target, width, height))
        return;
    {
        CSelectGuard selectBand(band, bandBitmap);
        // The outline of the whole client area: in the band only its top row and sides land.
        FrameLine(band, client, line, kOutline);
        const RECT inside = Deflated(client, line);
        band.FillSolidRect(inside, active ? kCaptionActive : kCaptionInactive);

        RECT text{inside.left + Scaled(3), inside.top, inside.right - Scaled(50), inside.top + height};
        ::SetTextColor(band, active ? kTitleActive : kTitleInactive);
        ::SetBkMode(band, TRANSPARENT);
        {
            CSelectGuard selectFont(band, m_captionFont);
            band.DrawText(GetWindowText(), text, kTitleFormat);
        }

        // A missing or unreadable close image is left out rather than drawn at a bogus size.
        HBITMAP image = m_closeImages[active ? CImageButton::Normal : CImageButton::Inactive];
        SIZE size{};
        if (GetBitmapSize(image, size)) {
            const int w = ::MulDiv(size.cx, m_dpi, m_closeImagesDpi);
            const int h = ::MulDiv(size.cy, m_dpi, m_closeImagesDpi);
            const int left = width - w - Scaled(5);
            const int top = Scaled(2);
            DrawBitmapInto(band, RECT{left, top, left + w, top + h}, image);
        }
        ::BitBlt(target, 0, 0, width, height, band, 0, 0, SRCCOPY);
    }
}

void CSkinnedFrameDlg::OnPaint()
{
    CPaintDC dc(m_hWnd);
    DrawCaption(dc, m_active);
}

BOOL CSkinnedFrameDlg::OnEraseBkgnd(HDC hdc)
{
    CDCHandle dc(hdc);
    const int line = LineWidthForDpi(m_dpi);
    RECT r = GetClientRect();
    FrameLine(hdc, r, line, kOutline);
    r = Deflated(r, line);
    FrameLine(hdc, r, line, kMiddleOutline);
    r = Deflated(r, line);
    FrameLine(hdc, r, line, kInnerOutline);
    r = Deflated(r, line);
    // The body starts below the caption band, whatever the outlines took of it.
    dc.FillSolidRect(RECT{r.left, CaptionHeight(), r.right, r.bottom}, m_bkColor);
    DrawCaption(hdc, m_active);
    return TRUE;
}

int CSkinnedFrameDlg::HitTestEdges(POINT p)
{
    const RECT c = GetClientRect();
    const int kCorner = Scaled(kCornerSize);
    const int kEdge = Scaled(kEdgeSize);
    struct Zone {
        RECT rect;
        EdgeZone zone;
        CursorKind cursor;
    };
    const Zone zones[] = {
        {{c.left, c.top, c.left + kCorner, c.top + kCorner}, EdgeZone::TopLeft, CursorKind::SizeNWSE},
        {{c.right - kCorner, c.top, c.right, c.top + kCorner}, EdgeZone::TopRight, CursorKind::SizeNESW},
        {{c.left, c.bottom - kCorner, c.left + kCorner, c.bottom}, EdgeZone::BottomLeft, CursorKind::SizeNESW},
        {{c.right - kCorner, c.bottom - kCorner, c.right, c.bottom}, EdgeZone::BottomRight, CursorKind::SizeNWSE},
        {{c.left, c.top, c.right, c.top + kEdge}, EdgeZone::Top, CursorKind::SizeNS},
        {{c.left, c.bottom - kEdge, c.right, c.bottom}, EdgeZone::Bottom, CursorKind::SizeNS},
        {{c.left, c.top, c.left + kEdge, c.bottom}, EdgeZone::Left, CursorKind::SizeWE},
        {{c.right - kEdge, c.top, c.right, c.bottom}, EdgeZone::Right, CursorKind::SizeWE},
    };
    for (const Zone& z : zones) {
        if (::PtInRect(&z.rect, p)) {
            m_edgeZone = z.zone;
            m_cursorKind = z.cursor;
            return 0;
        }
    }
    m_edgeZone = EdgeZone::None;
    m_cursorKind = CursorKind::None;
    return -1;
}

void CSkinnedFrameDlg::OnLButtonDown(UINT flags, POINT point)
{
    const RECT caption = CaptionRect();
    if (::PtInRect(&caption, point) && m_cursorKind == CursorKind::None) {
        // The system moves the window with the mouse until the button is released.
        SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
    } else if (m_resizable && HitTestEdges(point) == 0) {
        ::SetCapture(m_hWnd);
        m_anchor = point;
        m_pressed = true;
    }
    CDialog::OnLButtonDown(flags, point);
}

void CSkinnedFrameDlg::StopDragTimer()
{
    if (m_dragTimerOn) {
        KillTimer(IDT_EDGE_DRAG);
        m_dragTimerOn = false;
    }
}

void CSkinnedFrameDlg::OnMouseMove(UINT flags, POINT point)
{
    if (m_resizable) {
        if (!(flags & MK_LBUTTON)) {
            HitTestEdges(point);
            StopDragTimer();
        } else if (m_pressed) {
            SetTimer(IDT_EDGE_DRAG, kTickMs);
            m_dragTimerOn = true;
        }
    }
    CDialog::OnMouseMove(flags, point);
}

void CSkinnedFrameDlg::OnLButtonUp(UINT flags, POINT point)
{
    if (m_resizable && m_pressed) {
        ::ReleaseCapture();
        m_pressed = false;
        StopDragTimer();
    }
    CDialog::OnLButtonUp(flags, point);
}

BOOL CSkinnedFrameDlg::OnSetCursor(HWND hwnd, UINT hitTest, UINT message)
{
    switch (m_cursorKind) {
    case CursorKind::SizeNS:
        ::SetCursor(m_cursorSizeNS);
        return TRUE;
    case CursorKind::SizeNWSE:
        ::SetCursor(m_cursorSizeNWSE);
        return TRUE;
    case CursorKind::SizeNESW:
        ::SetCursor(m_cursorSizeNESW);
        return TRUE;
    case CursorKind::SizeWE:
        ::SetCursor(m_cursorSizeWE);
        // Leaving a side edge sends no message to the frame when a control lies beyond it.
        if (!m_dragTimerOn)
            SetTimer(IDT_CURSOR_RESTORE, kTickMs);
        return TRUE;
    case CursorKind::None:
        break;
    }
    if (hwnd == m_hWnd)
        ::SetCursor(m_cursorArrow);
    return CDialog::OnSetCursor(hwnd, hitTest, message);
}

BOOL CSkinnedFrameDlg::OnNcActivate(BOOL active)
{
    m_closeButton.SetActive(active);
    m_active = active;
    const RECT caption = CaptionRect();
    ::InvalidateRect(m_hWnd, &caption, TRUE);
    return CDialog::OnNcActivate(active);
}

void CSkinnedFrameDlg::OnSize(UINT type, int cx, int cy)
{
    CDialog::OnSize(type, cx, cy);
    if (m_closeButton.GetSafeHwnd())
        PlaceCloseBox(cx);
}

bool CSkinnedFrameDlg::OnCommand(UINT id, UINT code, HWND control)
{
    if (id == IDC_SKIN_CLOSE && code == BN_CLICKED) {
        // The normal close path, so a derived window may still refuse.
        SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    }
    return CDialog::OnCommand(id, code, control);
}

bool CSkinnedFrameDlg::PreTranslateMessage(MSG& msg)
{
    if (msg.message == WM_MOUSEMOVE && msg.hwnd != m_hWnd) {
        // The pointer is over a control: an edge drag cannot go on, and must not keep the mouse.
        if (m_dragTimerOn) {
            StopDragTimer();
            ::ReleaseCapture();
        }
        if (m_pressed) {
            ::ReleaseCapture();
            m_pressed = false;
        }
    }
    return CDialog::PreTranslateMessage(msg);
}

void CSkinnedFrameDlg::OnTimer(UINT_PTR id)
{
    if (id == IDT_EDGE_DRAG)
        EdgeDragTick();
    else if (id == IDT_CURSOR_RESTORE)
        CursorRestoreTick();
    CDialog::OnTimer(id);
}

void CSkinnedFrameDlg::ApplyFrame(const RECT& frame)
{
    ::MoveWindow(m_hWnd, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top, TRUE);
    OnFrameResized();
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CSkinnedFrameDlg::EdgeDragTick()
{
    POINT cur{};
    ::GetCursorPos(&cur);
    const RECT w = GetWindowRect();
    const int width = w.right - w.left;
    const int height = w.bottom - w.top;

    if (::GetForegroundWindow() != m_hWnd) {
        if (m_pressed)
            ::ReleaseCapture();
        KillTimer(IDT_EDGE_DRAG);
        m_dragTimerOn = false;
    }

    RECT n = w;
    auto moveTop = [&] {
        n.top = std::min<LONG>(cur.y - m_anchor.y, n.bottom - m_minSize.cy);
        return n.top != w.top;
    };
    auto moveLeft = [&] {
        n.left = std::min<LONG>(cur.x - m_anchor.x, n.right - m_minSize.cx);
        return n.left != w.left;
    };
    // Right and bottom keep the moving edge at its distance from the cursor by re-basing the
    // anchor after each applied step; a step that hit the minimum keeps the anchor it set, so the
    // edge follows again two pixels from the cursor instead of jumping by the old offset.
    bool rightClamped = false;
    bool bottomClamped = false;
    auto moveRight = [&] {
        n.right = cur.x + (width - m_anchor.x);
        if (n.right - m_minSize.cx < n.left) {
            n.right = n.left + m_minSize.cx;
            m_anchor.x = m_minSize.cx - 2;
            rightClamped = true;
        }
        return n.right != w.right;
    };
    auto moveBottom = [&] {
        n.bottom = cur.y + (height - m_anchor.y);
        if (n.bottom - m_minSize.cy < n.top) {
            n.bottom = n.top + m_minSize.cy;
            m_anchor.y = m_minSize.cy - 2;
            bottomClamped = true;
        }
        return n.bottom != w.bottom;
    };
    auto rebaseX = [&] {
        if (!rightClamped)
            m_anchor.x = cur.x - n.left;
    };
    auto rebaseY = [&] {
        if (!bottomClamped)
            m_anchor.y = cur.y - n.top;
    };

    // Each edge of the zone moves on its own; the frame is applied once if any of them moved.
    using Zone = EdgeZone;
    const Zone z = m_edgeZone;
    const bool top = (z == Zone::Top || z == Zone::TopLeft || z == Zone::TopRight) && moveTop();
    const bool bottom = (z == Zone::Bottom || z == Zone::BottomLeft || z == Zone::BottomRight) && moveBottom();
    const bool left = (z == Zone::Left || z == Zone::TopLeft || z == Zone::BottomLeft) && moveLeft();
    const bool right = (z == Zone::Right || z == Zone::TopRight || z == Zone::BottomRight) && moveRight();
    if (top || bottom || left || right)
        ApplyFrame(n);
    if (bottom)
        rebaseY();
    if (right)
        rebaseX();
}

void CSkinnedFrameDlg::CursorRestoreTick()
{
    if (!m_resizable || m_dragTimerOn || m_cursorKind != CursorKind::SizeWE)
        return;
    POINT p{};
    ::GetCursorPos(&p);
    ::ScreenToClient(m_hWnd, &p);
    HitTestEdges(p);
    if (m_cursorKind == CursorKind::None) {
        ::SetCursor(m_cursorArrow);
        KillTimer(IDT_CURSOR_RESTORE);
    }
}
