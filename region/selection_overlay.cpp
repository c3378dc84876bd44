#include "selection_overlay.h"

#include "win/dpi.h"
#include "win/mem_dc.h"

#include <algorithm>

namespace {

const COLORREF kColourKey = RGB(255, 255, 255);
const COLORREF kVeilGrey = RGB(128, 128, 128);
const COLORREF kMarkGreen = RGB(0, 255, 0);
const COLORREF kMarkRed = RGB(255, 0, 0);
const int kMarkLength = 25;
const int kMarkThickness = 5;
// Posted after a move was kept on screen, to check the window really went there.
const UINT kPlaceCheck = WM_APP + 1;

// Looked up at run time: systems without layered windows lack it, and the overlay then
// simply paints without translucency.
using SetLayeredWindowAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
SetLayeredWindowAttributesFn g_setLayeredWindowAttributes = nullptr;

}  // namespace

CSelectionOverlay::CSelectionOverlay(UINT templateId, CWnd* parent) : CDialog(templateId, parent) {}

CSelectionOverlay::~CSelectionOverlay() = default;

LRESULT CSelectionOverlay::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_WINDOWPOSCHANGING:
        if (KeepOnScreen(*reinterpret_cast<WINDOWPOS*>(lParam)) && !m_placeCheckPosted)
            m_placeCheckPosted = ::PostMessageW(m_hWnd, kPlaceCheck, 0, 0) != FALSE;
        break;
    case kPlaceCheck:
        m_placeCheckPosted = false;
        ReassertPlace();
        return 0;
    case WM_DISPLAYCHANGE:
        // A smaller screen may leave the frame partly off it: the same rule pulls it back.
        if (!m_selecting && IsWindowVisible()) {
            RECT frame{};
            ::GetWindowRect(m_hWnd, &frame);
            ::SetWindowPos(m_hWnd, nullptr, frame.left, frame.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        break;
    default:
        break;
    }
    return CDialog::OnMessage(msg, wParam, lParam);
}

void CSelectionOverlay::ReassertPlace()
{
    // A window manager under Wine moves the window itself and is only told afterwards; Wine
    // keeps the place kept on screen here but leaves the window where the manager put it. One
    // pixel smaller and back, which changes every edge's coordinate, makes it put the window
    // where it belongs.
    if (m_selecting || !IsWindowVisible() || ::IsZoomed(m_hWnd))
        return;
    RECT frame{};
    ::GetWindowRect(m_hWnd, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    ::SetWindowPos(m_hWnd, nullptr, frame.left + 1, frame.top + 1, width - 1, height - 1, flags);
    ::SetWindowPos(m_hWnd, nullptr, frame.left, frame.top, width, height, flags);
}

bool CSelectionOverlay::KeepOnScreen(WINDOWPOS& pos) const
{
    // Only the frame look: the veil is maximised, its border lies off screen by design.
    if (m_selecting || ::IsZoomed(m_hWnd))
        return false;
    if ((pos.flags & SWP_NOMOVE) && (pos.flags & SWP_NOSIZE) && !(pos.flags & SWP_SHOWWINDOW))
        return false;
    RECT current{};
    ::GetWindowRect(m_hWnd, &current);
    RECT next = current;
    if (!(pos.flags & SWP_NOMOVE))
        ::OffsetRect(&next, pos.x - current.left, pos.y - current.top);
    if (!(pos.flags & SWP_NOSIZE)) {
        next.right = next.left + pos.cx;
        next.bottom = next.top + pos.cy;
    }
    if (::IsRectEmpty(&next))
        return false;  // the hidden veil parked on an empty rectangle
    const RECT requested = next;
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    const bool moveOnly = next.right - next.left == current.right - current.left &&
                          next.bottom - next.top == current.bottom - current.top;
    if (moveOnly) {
        // A move keeps the size and stops at the edge.
        ::OffsetRect(&next, std::max<LONG>(0, std::min<LONG>(next.left, screenWidth - (next.right - next.left))) -
                                next.left,
                     std::max<LONG>(0, std::min<LONG>(next.top, screenHeight - (next.bottom - next.top))) - next.top);
    }
    // Sizing is cut at the edges, and so is a frame larger than the screen.
    next.left = std::max<LONG>(next.left, 0);
    next.top = std::max<LONG>(next.top, 0);
    next.right = std::min<LONG>(next.right, screenWidth);
    next.bottom = std::min<LONG>(next.bottom, screenHeight);
    if (::EqualRect(&next, &requested))
        return false;
    pos.x = next.left;
    pos.y = next.top;
    pos.cx = next.right - next.left;
    pos.cy = next.bottom - next.top;
    pos.flags &= ~static_cast<UINT>(SWP_NOMOVE | SWP_NOSIZE);
    return true;
}

void CSelectionOverlay::SetSelectMode(int selecting)
{
    m_selecting = selecting;
}

void CSelectionOverlay::SetSelectCursor(HCURSOR cursor)
{
    m_selectCursor = cursor;
}

BOOL CSelectionOverlay::OnInitDialog()
{
    CDialog::OnInitDialog();

    // The template's two buttons would sit on the veil and inside the marked region; the
    // overlay is driven by the mouse and Esc alone.
    for (int id : {IDOK, IDCANCEL})
        ::ShowWindow(GetDlgItem(id), SW_HIDE);

    // The template cannot say layered: the bit is added here.
    const LONG exStyle = ::GetWindowLongW(m_hWnd, GWL_EXSTYLE);
    ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, exStyle ^ WS_EX_LAYERED);

    HMODULE user32 = ::LoadLibraryW(L"User32.DLL");
    if (!user32)
        return TRUE;
    g_setLayeredWindowAttributes = reinterpret_cast<SetLayeredWindowAttributesFn>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "SetLayeredWindowAttributes")));
    if (m_selecting)
        ApplyLayered(128, LWA_COLORKEY | LWA_ALPHA);
    else
        ApplyLayered(128, LWA_COLORKEY);
    return TRUE;
}

void CSelectionOverlay::ApplyLayered(BYTE alpha, DWORD flags) const
{
    if (g_setLayeredWindowAttributes)
        g_setLayeredWindowAttributes(m_hWnd, kColourKey, alpha, flags);
}

void CSelectionOverlay::RepaintWithErase() const
{
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
}

void CSelectionOverlay::ShowOverlay(bool show)
{
    if (show) {
        // Armed once the veil has its full-screen size: the translucency then applies to the
        // window as shown. (Wine keeps the cut-out of the frame look on a window resized while
        // hidden until the colour key changes on the shown window.)
        ShowWindow(SW_SHOWMAXIMIZED);
        SetArmed(1);
        return;
    }
    m_band = RECT{0, 0, 0, 0};
    m_selecting = 1;
    // A maximised window that is moved keeps the new place as its maximised one, and the next
    // show would put the veil there instead of over the screen; the veil left by a cancelled
    // selection is therefore only hidden.
    if (!::IsZoomed(m_hWnd))
        ::MoveWindow(m_hWnd, 0, 0, 0, 0, TRUE);
    ShowWindow(SW_HIDE);
}

void CSelectionOverlay::LockFrame(bool lock)
{
    const int value = lock ? 1 : 0;
    if (value == m_locked)
        return;
    m_locked = value;
    // Only the style changes, not the frame's size: the region stays where it is while locked,
    // and the border without its sizing style hit-tests as a plain border.
    const LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    ::SetWindowLongW(m_hWnd, GWL_STYLE, lock ? (style & ~WS_THICKFRAME) : (style | WS_THICKFRAME));
    RepaintWithErase();
}

void CSelectionOverlay::SetArmed(int armed)
{
    if (armed == m_armed)
        return;
    m_armed = armed;
    if (armed) {
        if (g_setLayeredWindowAttributes) {
            m_selecting = 1;
            ApplyLayered(128, LWA_ALPHA);
        }
    } else {
        m_selecting = 0;
        ApplyLayered(128, LWA_COLORKEY);
    }
    RepaintWithErase();
}

void CSelectionOverlay::NormaliseBand(POINT a, POINT b)
{
    m_band.left = std::min(a.x, b.x);
    m_band.right = std::max(a.x, b.x);
    m_band.top = std::min(a.y, b.y);
    m_band.bottom = std::max(a.y, b.y);
}

void CSelectionOverlay::OnOK()
{
    // Enter: nothing to confirm, the region is chosen by releasing the button.
}

void CSelectionOverlay::OnCancel()
{
    // Esc (or a close request) during a selection drops it; a chosen region stays.
    if (!(m_selecting && m_armed) || !IsWindowVisible())
        return;
    m_dragging = 0;
    m_dragStart = POINT{-1, -1};
    m_band = RECT{0, 0, 0, 0};
    ShowWindow(SW_HIDE);
}

LRESULT CSelectionOverlay::OnNcHitTest(POINT)
{
    const LRESULT hit = Default();
    if (!m_selecting && !m_locked && hit == HTCLIENT)
        return HTCAPTION;  // drag anywhere inside to move the frame
    return hit;
}

BOOL CSelectionOverlay::OnEraseBkgnd(HDC dc)
{
    if (m_selecting)
        PaintSelectionLook(dc);
    else
        PaintFrameLook(dc);
    return TRUE;
}

void CSelectionOverlay::PaintFrameLook(HDC dc)
{
    const RECT client = GetClientRect();
    CDCHandle target(dc);
    target.FillSolidRect(client, kColourKey);

    const COLORREF mark = m_locked ? kMarkRed : kMarkGreen;
    const LONG l = client.left, t = client.top, r = client.right, b = client.bottom;
    // The marks grow with the DPI, so they read the same on a scaled screen.
    const int dpi = WindowDpi(m_hWnd);
    const int n = ScaleToDpi(kMarkLength, dpi), w = ScaleToDpi(kMarkThickness, dpi);
    const RECT bars[] = {
        {l, t, l + n, t + w},  {l, t, l + w, t + n},  // top left
        {r - w, t, r, t + n},  {r - n, t, r, t + w},  // top right
        {l, b - w, l + n, b},  {l, b - n, l + w, b},  // bottom left
        {r - w, b - n, r, b},  {r - n, b - w, r, b},  // bottom right
    };
    for (const RECT& bar : bars)
        target.FillSolidRect(bar, mark);

    RECT region = client;
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&region), 2);
    m_region = region;
}

void CSelectionOverlay::PaintSelectionLook(HDC dc)
{
    const RECT client = GetClientRect();
    CMemDC memory(dc, &client);
    memory.FillSolidRect(client, kVeilGrey);
    if (m_dragging && m_band.right > m_band.left && m_band.bottom > m_band.top)
        ::Rectangle(memory, m_band.left, m_band.top, m_band.right, m_band.bottom);
}

void CSelectionOverlay::OnMove(int x, int y)
{
    CDialog::OnMove(x, y);
    RepaintWithErase();
}

void CSelectionOverlay::OnSize(UINT type, int cx, int cy)
{
    CDialog::OnSize(type, cx, cy);
    RepaintWithErase();
}

void CSelectionOverlay::OnLButtonDown(UINT flags, POINT point)
{
    if (m_selecting && m_armed) {
        m_dragStart = point;
        m_dragging = 1;
    }
    CDialog::OnLButtonDown(flags, point);
}

void CSelectionOverlay::OnMouseMove(UINT flags, POINT point)
{
    if (m_selecting && m_armed && m_dragging) {
        NormaliseBand(m_dragStart, point);
        RepaintWithErase();
    }
    CDialog::OnMouseMove(flags, point);
}

void CSelectionOverlay::OnLButtonUp(UINT flags, POINT point)
{
    if (m_selecting && m_armed) {
        // A release without a press on the veil (the press that armed it, or Esc in between)
        // selects nothing.
        const bool pressed = m_dragging != 0;
        m_dragging = 0;
        m_dragEnd = point;
        NormaliseBand(m_dragStart, m_dragEnd);
        if (pressed && m_band.right - m_band.left >= 1 && m_band.bottom - m_band.top >= 1) {
            ApplyLayered(0, LWA_ALPHA);
            m_dragStart = POINT{-1, -1};
            PlaceOnBand();
            ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            SetArmed(0);
        } else {
            ShowWindow(SW_HIDE);
        }
    }
    CDialog::OnLButtonUp(flags, point);
}

void CSelectionOverlay::PlaceOnBand()
{
    // The band was dragged in client coordinates of the maximised veil; the frame goes where it
    // was seen, so it is placed in screen coordinates. The window also leaves its maximised
    // state here: a maximised window can be neither moved nor sized by its border.
    RECT outer = m_band;
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&outer), 2);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    ::GetWindowPlacement(m_hWnd, &placement);
    placement.flags = 0;
    placement.showCmd = SW_SHOWNORMAL;
    placement.rcNormalPosition = outer;  // a tool window: screen coordinates
    ::SetWindowPlacement(m_hWnd, &placement);
    ::MoveWindow(m_hWnd, outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top, TRUE);
}

BOOL CSelectionOverlay::OnSetCursor(HWND, UINT, UINT)
{
    if (m_selecting && m_selectCursor)
        ::SetCursor(m_selectCursor);
    return TRUE;
}
