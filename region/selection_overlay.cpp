#include "selection_overlay.h"

#include "screen_geometry.h"
#include "window_picker.h"
#include "win/dpi.h"
#include "win/mem_dc.h"
#include "win/monitors.h"

#include <algorithm>

namespace {

const COLORREF kColourKey = RGB(255, 255, 255);
const COLORREF kOverlayGrey = RGB(128, 128, 128);
const COLORREF kMarkGreen = RGB(0, 255, 0);
const COLORREF kMarkRed = RGB(255, 0, 0);
const COLORREF kPickOutline = RGB(0, 120, 215);
const COLORREF kHintBox = RGB(255, 255, 224);
const int kMarkLength = 25;
const int kPickOutlineWidth = 3;
const int kHintTop = 24;
const int kHintPadding = 8;
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
    case WM_WINDOWPOSCHANGING: {
        WINDOWPOS& pos = *reinterpret_cast<WINDOWPOS*>(lParam);
        // A new border (locking drops the sizing one) moves where the client area begins: the
        // picture is painted there afresh, not copied, which under Wine showed the old marks a
        // pixel inside the region until the next paint, long enough for a frame to catch them.
        if (pos.flags & SWP_FRAMECHANGED)
            pos.flags |= SWP_NOCOPYBITS;
        if (KeepOnScreen(pos) && !m_placeCheckPosted)
            m_placeCheckPosted = ::PostMessageW(m_hWnd, kPlaceCheck, 0, 0) != FALSE;
        break;
    }
    case kPlaceCheck:
        m_placeCheckPosted = false;
        ReassertPlace();
        return 0;
    case WM_DISPLAYCHANGE:
        // A smaller screen may leave the frame partly off it: the same rule pulls it back.
        if (!Selecting() && IsWindowVisible()) {
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
    if (Selecting() || !IsWindowVisible() || ::IsZoomed(m_hWnd))
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
    // Only the frame look: selecting, the overlay lies exactly on the virtual screen.
    if (Selecting() || ::IsZoomed(m_hWnd))
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
        return false;  // the hidden overlay parked on an empty rectangle
    // Nothing moves or sizes a frame at the screen's edge: it stays exactly around its region.
    // Any other frame stays whole on screen, not only its region: a window manager keeps windows
    // on screen by itself, and where it moved one without the system knowing, the marks would sit
    // inside the region the system reports.
    const RECT kept = m_edgeFrame ? ClientOnScreen(m_region) : KeepInside(next, current, VirtualScreenRect());
    if (::EqualRect(&kept, &next))
        return false;
    pos.x = kept.left;
    pos.y = kept.top;
    pos.cx = kept.right - kept.left;
    pos.cy = kept.bottom - kept.top;
    pos.flags &= ~static_cast<UINT>(SWP_NOMOVE | SWP_NOSIZE);
    return true;
}

void CSelectionOverlay::ApplyStyle() const
{
    // The overlay has neither border nor edge, so it lies exactly on the virtual screen; the frame
    // has both, and its sizing border only while it may be changed. A frame at the screen's edge
    // has neither: its window is its client area.
    const DWORD style = static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_EXSTYLE));
    const DWORD wantStyle = Selecting() ? (style & ~WS_THICKFRAME) : FrameStyle(style);
    const bool edge = Selecting() || m_edgeFrame;
    const DWORD wantExStyle = edge ? (exStyle & ~WS_EX_STATICEDGE) : (exStyle | WS_EX_STATICEDGE);
    if (wantStyle == style && wantExStyle == exStyle)
        return;
    // Only the styles change here: the window is placed afresh after a change of look, and a
    // lock leaves the window where it is (a frame change could have a window manager move it
    // while the recording reads the region).
    ::SetWindowLongW(m_hWnd, GWL_STYLE, static_cast<LONG>(wantStyle));
    ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, static_cast<LONG>(wantExStyle));
}

DWORD CSelectionOverlay::FrameStyle(DWORD style) const
{
    return (m_locked || m_edgeFrame) ? (style & ~WS_THICKFRAME) : (style | WS_THICKFRAME);
}

RECT CSelectionOverlay::OuterForClient(const RECT& client) const
{
    RECT outer = client;
    const DWORD style = FrameStyle(static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)) & ~WS_MAXIMIZE);
    const DWORD exStyle = static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_EXSTYLE));
    const DWORD edge = m_edgeFrame ? (exStyle & ~WS_EX_STATICEDGE) : (exStyle | WS_EX_STATICEDGE);
    ::AdjustWindowRectEx(&outer, style, FALSE, edge);
    return outer;
}

RECT CSelectionOverlay::ClientOnScreen(const RECT& region) const
{
    return MarkedArea(region, m_markDpi, VirtualScreenRect());
}

void CSelectionOverlay::SetSelectCursor(HCURSOR cursor)
{
    m_selectCursor = cursor;
}

void CSelectionOverlay::SetHints(const std::wstring& dragHint, const std::wstring& pickHint)
{
    m_dragHint = dragHint;
    m_pickHint = pickHint;
}

void CSelectionOverlay::SetTypedSizeCommand(UINT command)
{
    m_typedSizeCommand = command;
}

bool CSelectionOverlay::ShowsRegion() const
{
    return !Selecting() && IsWindowVisible();
}

BOOL CSelectionOverlay::OnInitDialog()
{
    CDialog::OnInitDialog();

    // The template's two buttons would sit on the overlay and inside the marked region; the
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
    if (Selecting())
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
    if (m_mode == Mode::Frame)
        NotifyRegionShown();  // the region shown goes
    if (show) {
        // The overlay's client area is the virtual screen, every monitor under it. Armed once shown:
        // the translucency then applies to the window as shown. (Wine keeps the cut-out of the
        // frame look on a window resized while hidden until the colour key changes on the shown
        // window.)
        m_mode = Mode::Hidden;
        ApplyStyle();
        PlaceWindow(VirtualScreenRect());
        ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ::SetForegroundWindow(m_hWnd);  // its keys go to it
        m_mode = Mode::DragReady;
        ApplyLayered(128, LWA_ALPHA);
        RepaintWithErase();
        return;
    }
    m_band = RECT{0, 0, 0, 0};
    m_mode = Mode::Hidden;
    // A maximised window that is moved keeps the new place as its maximised one: an overlay still
    // maximised from its creation is only hidden.
    if (!::IsZoomed(m_hWnd))
        ::MoveWindow(m_hWnd, 0, 0, 0, 0, TRUE);
    ShowWindow(SW_HIDE);
}

void CSelectionOverlay::ShowRegion(const RECT& region)
{
    // Any part of the virtual screen may be recorded. Where the frame with its border and marks
    // does not fit around the region, it becomes the edge frame: no border, marks only where
    // there is room outside the region, and the screen's edge marks the sides that lie on it.
    const RECT screen = VirtualScreenRect();
    RECT shown{};
    if (!::IntersectRect(&shown, &region, &screen))
        return;
    m_dragStart = POINT{-1, -1};
    ApplyLayered(0, LWA_ALPHA);  // invisible while it moves
    m_mode = Mode::Frame;
    m_markDpi = WindowDpi(m_hWnd);
    m_region = shown;
    m_edgeFrame = false;
    const RECT framed = OuterForClient(ClientForRegion(shown, m_markDpi));
    RECT inside{};
    ::IntersectRect(&inside, &framed, &screen);
    m_edgeFrame = !::EqualRect(&inside, &framed);
    ApplyStyle();
    PlaceWindow(m_edgeFrame ? ClientOnScreen(shown) : framed);
    ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ApplyLayered(128, LWA_COLORKEY);
    RepaintWithErase();
    NotifyRegionShown();
}

void CSelectionOverlay::LockFrame(bool lock)
{
    if (lock == m_locked)
        return;
    m_locked = lock;
    // Only the style changes, not the window's place: the region stays where it is while locked,
    // and the border without its sizing style hit-tests as a plain border.
    if (!Selecting())
        ApplyStyle();
    RepaintWithErase();
}

void CSelectionOverlay::NormaliseBand(POINT a, POINT b)
{
    m_band.left = std::min(a.x, b.x);
    m_band.right = std::max(a.x, b.x);
    m_band.top = std::min(a.y, b.y);
    m_band.bottom = std::max(a.y, b.y);
    // The pointer stops on the screen's last column and row: a band that reaches them takes
    // them in, so that a drag from corner to corner is the whole screen.
    const RECT client = GetClientRect();
    if (m_band.right == client.right - 1)
        m_band.right = client.right;
    if (m_band.bottom == client.bottom - 1)
        m_band.bottom = client.bottom;
}

void CSelectionOverlay::SetPicking(bool picking)
{
    m_mode = picking ? Mode::PickReady : Mode::DragReady;
    m_band = RECT{0, 0, 0, 0};
    if (picking) {
        POINT pointer{};
        ::GetCursorPos(&pointer);
        ::ScreenToClient(m_hWnd, &pointer);
        HighlightWindowAt(pointer);
    }
    // The cursor changes with the mode, without waiting for the pointer to move.
    POINT pointer{};
    ::GetCursorPos(&pointer);
    ::SetCursorPos(pointer.x, pointer.y);
    RepaintWithErase();
}

void CSelectionOverlay::HighlightWindowAt(POINT clientPoint)
{
    POINT screenPoint = clientPoint;
    ::ClientToScreen(m_hWnd, &screenPoint);
    RECT band{0, 0, 0, 0};
    if (HWND window = PickableWindowAt(screenPoint, ::GetCurrentProcessId())) {
        // Only what lies on a monitor can be recorded.
        const RECT frame = VisibleFrameOf(window);
        const RECT screen = VirtualScreenRect();
        if (::IntersectRect(&band, &frame, &screen))
            ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&band), 2);
    }
    if (::EqualRect(&band, &m_band))
        return;
    m_band = band;
    RepaintWithErase();
}

bool CSelectionOverlay::OnKey(UINT key)
{
    if (!(SelectingUp() && IsWindowVisible()))
        return false;
    switch (key) {
    case VK_TAB:
    case VK_SPACE:
        SetPicking(!IsPicking());
        return true;
    case 'W': {
        POINT pointer{};
        ::GetCursorPos(&pointer);
        ShowRegion(MonitorRectOf(RECT{pointer.x, pointer.y, pointer.x + 1, pointer.y + 1}));
        return true;
    }
    case 'S':
        if (!m_typedSizeCommand)
            return false;
        ::PostMessageW(::GetParent(m_hWnd), WM_COMMAND, MAKEWPARAM(m_typedSizeCommand, BN_CLICKED), 0);
        return true;
    case VK_ESCAPE:
        OnCancel();
        return true;
    default:
        return false;
    }
}

bool CSelectionOverlay::PreTranslateMessage(MSG& msg)
{
    // The keyboard focus may be on one of the template's hidden buttons.
    if (msg.message == WM_KEYDOWN && (msg.hwnd == m_hWnd || ::IsChild(m_hWnd, msg.hwnd)) &&
        OnKey(static_cast<UINT>(msg.wParam)))
        return true;
    return CDialog::PreTranslateMessage(msg);
}

void CSelectionOverlay::OnOK()
{
    // Enter: nothing to confirm, the region is chosen by releasing the button.
}

void CSelectionOverlay::OnCancel()
{
    // Esc (or a close request) during a selection drops it; a chosen region stays.
    if (!SelectingUp() || !IsWindowVisible())
        return;
    m_mode = IsPicking() ? Mode::PickReady : Mode::DragReady;
    m_dragStart = POINT{-1, -1};
    m_band = RECT{0, 0, 0, 0};
    HideItself();
}

void CSelectionOverlay::NotifyOwner(HWND window, UINT hiddenMessage, UINT regionMessage)
{
    m_notifyWindow = window;
    m_hiddenMessage = hiddenMessage;
    m_regionMessage = regionMessage;
}

void CSelectionOverlay::SetRegion(const RECT& region)
{
    if (::EqualRect(&region, &m_region))
        return;
    m_region = region;
    NotifyRegionShown();
}

void CSelectionOverlay::NotifyRegionShown() const
{
    if (m_notifyWindow && m_regionMessage)
        ::PostMessageW(m_notifyWindow, m_regionMessage, 0, 0);
}

void CSelectionOverlay::HideItself()
{
    ShowWindow(SW_HIDE);
    if (m_notifyWindow)
        ::PostMessageW(m_notifyWindow, m_hiddenMessage, 0, 0);
}

LRESULT CSelectionOverlay::OnNcHitTest(POINT)
{
    const LRESULT hit = Default();
    if (!Selecting() && !m_locked && !m_edgeFrame && hit == HTCLIENT)
        return HTCAPTION;  // drag anywhere inside to move the frame
    return hit;
}

BOOL CSelectionOverlay::OnEraseBkgnd(HDC dc)
{
    if (Selecting())
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

    // While locked the region stays where the recording reads it, even when the frame without
    // its sizing border gets a larger client area; otherwise it follows the client area. The
    // edge frame never changes its region.
    RECT region = m_region;
    if (!m_locked && !m_edgeFrame) {
        region = RegionInClient(client, m_markDpi);
        ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&region), 2);
        SetRegion(region);
    }
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&region), 2);

    // Each L lies just outside its corner of the region, in the margin, and grows with the DPI.
    // A side with less room than the margin (the edge frame's) gets thinner marks, a side on
    // the screen's edge none.
    const COLORREF mark = m_locked ? kMarkRed : kMarkGreen;
    const int n = ScaleToDpi(kMarkLength, m_markDpi), w = MarkMargin(m_markDpi);
    const LONG wl = std::min<LONG>(w, region.left - client.left), wt = std::min<LONG>(w, region.top - client.top);
    const LONG wr = std::min<LONG>(w, client.right - region.right);
    const LONG wb = std::min<LONG>(w, client.bottom - region.bottom);
    const LONG l = region.left - wl, t = region.top - wt, r = region.right + wr, b = region.bottom + wb;
    const RECT bars[] = {
        {l, t, l + n, t + wt},  {l, t, l + wl, t + n},  // top left
        {r - wr, t, r, t + n},  {r - n, t, r, t + wt},  // top right
        {l, b - wb, l + n, b},  {l, b - n, l + wl, b},  // bottom left
        {r - wr, b - n, r, b},  {r - n, b - wb, r, b},  // bottom right
    };
    for (const RECT& bar : bars)
        target.FillSolidRect(bar, mark);
}

void CSelectionOverlay::PaintSelectionLook(HDC dc)
{
    const RECT client = GetClientRect();
    CMemDC memory(dc, &client);
    memory.FillSolidRect(client, kOverlayGrey);
    const bool hasBand = m_band.right > m_band.left && m_band.bottom > m_band.top;
    if (IsPicking() && hasBand) {
        // The picked window: a white inside (see-through on the overlay) with a thick outline.
        CPen pen(PS_INSIDEFRAME, ScaleToDpi(kPickOutlineWidth, WindowDpi(m_hWnd)), kPickOutline);
        CSelectGuard usePen(memory, pen);
        ::Rectangle(memory, m_band.left, m_band.top, m_band.right, m_band.bottom);
    } else if (m_mode == Mode::Dragging && hasBand) {
        ::Rectangle(memory, m_band.left, m_band.top, m_band.right, m_band.bottom);
    }
    PaintHint(memory, client);
}

void CSelectionOverlay::PaintHint(HDC dc, const RECT& client) const
{
    const std::wstring& hint = IsPicking() ? m_pickHint : m_dragHint;
    if (hint.empty())
        return;
    // Centred at the top of the primary monitor, whose origin is the screen's (0, 0).
    POINT origin{0, 0};
    ::ScreenToClient(m_hWnd, &origin);
    const int primaryWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int dpi = WindowDpi(m_hWnd);
    CSelectGuard useFont(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
    RECT text{0, 0, 0, 0};
    ::DrawTextW(dc, hint.c_str(), static_cast<int>(hint.size()), &text, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    const int pad = ScaleToDpi(kHintPadding, dpi);
    const int width = text.right + 2 * pad, height = text.bottom + 2 * pad;
    RECT box{origin.x + (primaryWidth - width) / 2, origin.y + ScaleToDpi(kHintTop, dpi), 0, 0};
    box.right = box.left + width;
    box.bottom = box.top + height;
    RECT shown{};
    if (::IntersectRect(&shown, &box, &client)) {
        CDCHandle(dc).FillSolidRect(box, kHintBox);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::DrawTextW(dc, hint.c_str(), static_cast<int>(hint.size()), &box,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
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
    if (m_mode == Mode::DragReady || m_mode == Mode::PickReady) {
        m_dragStart = point;
        m_mode = IsPicking() ? Mode::PickPressed : Mode::Dragging;
    }
    CDialog::OnLButtonDown(flags, point);
}

void CSelectionOverlay::OnMouseMove(UINT flags, POINT point)
{
    if (SelectingUp() && IsPicking()) {
        HighlightWindowAt(point);
    } else if (m_mode == Mode::Dragging) {
        NormaliseBand(m_dragStart, point);
        RepaintWithErase();
    }
    CDialog::OnMouseMove(flags, point);
}

void CSelectionOverlay::OnLButtonUp(UINT flags, POINT point)
{
    if (SelectingUp()) {
        // A release without a press on the overlay (the press that armed it, or Esc in between)
        // selects nothing.
        const bool pressed = Pressed();
        m_mode = IsPicking() ? Mode::PickReady : Mode::DragReady;
        m_dragEnd = point;
        if (IsPicking())
            HighlightWindowAt(point);
        else
            NormaliseBand(m_dragStart, m_dragEnd);
        if (pressed && m_band.right - m_band.left >= 1 && m_band.bottom - m_band.top >= 1)
            FinishSelection();
        else
            HideItself();
    }
    CDialog::OnLButtonUp(flags, point);
}

void CSelectionOverlay::FinishSelection()
{
    // The band was taken in client coordinates of the overlay; the region is where it was seen.
    RECT region = m_band;
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&region), 2);
    ShowRegion(region);
}

void CSelectionOverlay::PlaceWindow(const RECT& outer)
{
    // Placed in screen coordinates (a tool window's placement is in them). The window also
    // leaves a maximised state here: a maximised window can be neither moved nor sized by its
    // border.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    ::GetWindowPlacement(m_hWnd, &placement);
    placement.flags = 0;
    placement.showCmd = SW_SHOWNORMAL;
    placement.rcNormalPosition = outer;
    ::SetWindowPlacement(m_hWnd, &placement);
    ::MoveWindow(m_hWnd, outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top, TRUE);
}

BOOL CSelectionOverlay::OnSetCursor(HWND, UINT, UINT)
{
    if (Selecting() && IsPicking())
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
    else if (Selecting() && m_selectCursor)
        ::SetCursor(m_selectCursor);
    return TRUE;
}
