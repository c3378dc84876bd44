#include "hover_button.h"

#include <commctrl.h>

#include "image_button.h"

namespace {
constexpr UINT kToolId = 1;
constexpr UINT kAskParent = WM_USER + 5;  // the dialogs leave it to the default procedure
const COLORREF kFocusMark = RGB(90, 176, 255);
}  // namespace

CHoverButton::CHoverButton(int showText) : m_showText(showText)
{
    LOGFONTW font{};
    font.lfHeight = 15;
    font.lfWeight = FW_NORMAL;
    wcscpy_s(font.lfFaceName, L"Arial");
    m_textFont.CreateFontIndirect(font);
}

void CHoverButton::PreSubclassWindow()
{
    LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, (style & ~LONG_PTR(0x1F)) | BS_OWNERDRAW);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

int CHoverButton::SetImageStrip(HBITMAP strip, COLORREF maskColour, BOOL useMask, int stripDpi)
{
    SIZE size{};
    if (!strip || !GetBitmapSize(strip, size))
        return 0;
    // Columns past a multiple of four belong to no image.
    const int width = size.cx / 4;
    if (width <= 0 || size.cy <= 0)
        return 0;
    // Drawn for stripDpi; on a screen of another DPI each state is stretched to the size it
    // has there, so the button keeps its place in a layout scaled the same way.
    const int dpi = WindowDpi(m_hWnd);
    const int imageWidth = ::MulDiv(width, dpi, stripDpi);
    const int imageHeight = ::MulDiv(size.cy, dpi, stripDpi);
    CBitmap scaled;
    if (imageWidth != width || imageHeight != size.cy) {
        scaled.Attach(StretchedBitmap(strip, imageWidth * 4, imageHeight));
        if (!scaled)
            return 0;
    }
    m_imageWidth = imageWidth;
    m_imageHeight = imageHeight;
    if (m_hWnd)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, imageWidth, imageHeight,
                       SWP_NOMOVE | SWP_NOOWNERZORDER | SWP_NOZORDER);
    m_images.Create(imageWidth, imageHeight, ILC_COLOR24 | (useMask ? ILC_MASK : 0), 1, 0);
    m_images.Add(scaled ? scaled.Get() : strip, maskColour);
    if (m_hWnd)
        Invalidate();
    return 1;
}

void CHoverButton::EnsureToolTip()
{
    if (m_tooltip.GetSafeHwnd() || !m_hWnd)
        return;
    if (m_tooltip.Create(m_hWnd, TTS_ALWAYSTIP))
        m_tooltip.Activate(false);
}

void CHoverButton::SetTipText(const wchar_t* text, BOOL activate)
{
    if (!text)
        return;
    // An image button's name is its tip: screen readers read the window text.
    if (!m_showText && m_hWnd)
        ::SetWindowTextW(m_hWnd, text);
    EnsureToolTip();
    if (!m_tooltip.GetSafeHwnd())
        return;
    if (m_tooltip.GetToolCount() == 0)
        m_tooltip.AddTool(m_hWnd, text, GetClientRect(), kToolId);
    m_tooltip.UpdateTipText(text, m_hWnd, kToolId);
    m_tooltip.Activate(activate != FALSE);
}

void CHoverButton::SetLatched(BOOL latched)
{
    m_latched = latched;
    if (m_hWnd)
        Invalidate();
}

bool CHoverButton::PreTranslateMessage(MSG& msg)
{
    EnsureToolTip();
    if (m_tooltip.GetSafeHwnd())
        m_tooltip.RelayEvent(msg);
    if (msg.message == WM_LBUTTONDBLCLK)
        msg.message = WM_LBUTTONDOWN;  // a double click is two clicks on a tool button
    else if (msg.message == WM_RBUTTONDOWN)
        ::PostMessageW(GetParent(), WM_RBUTTONDOWN, 0, 0);
    return CWnd::PreTranslateMessage(msg);
}

CHoverButton::Image CHoverButton::ChooseImage(UINT itemState, bool latched, bool hover)
{
    if ((itemState & ODS_SELECTED) || latched)
        return Pressed;
    if (itemState & ODS_DISABLED)
        return Disabled;
    return hover ? Hover : Normal;
}

void CHoverButton::DrawItem(const DRAWITEMSTRUCT& item)
{
    HWND parent = GetParent();
    CClientDC parentDC(parent);
    const RECT client = GetClientRect();
    const int w = client.right;
    const int h = client.bottom;
    RECT inParent = GetWindowRect();
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&inParent), 2);

    if (m_needsBackground) {
        if (m_backgroundDC.CreateCompatibleDC(parentDC) && m_background.CreateCompatibleBitmap(parentDC, w, h)) {
            m_backgroundSelect.emplace(m_backgroundDC, m_background);
            m_backgroundDC.BitBlt(0, 0, w, h, parentDC, inParent.left, inParent.top, SRCCOPY);
        }
        m_needsBackground = FALSE;
    }
    if (m_backgroundDC.GetSafeHdc())
        ::BitBlt(item.hDC, 0, 0, w, h, m_backgroundDC, 0, 0, SRCCOPY);

    if (m_images)
        m_images.Draw(ChooseImage(item.itemState, m_latched, m_hover), item.hDC, 0, 0, ILD_NORMAL);

    if (item.itemState & ODS_FOCUS) {
        ::SendMessageW(parent, DM_SETDEFID, item.CtlID, 0);
        // The keyboard's place: a thin light frame just inside the image, shown when the focus
        // came with the keyboard (a click focuses the button too, and needs no mark).
        if (m_keyboardFocus && !(item.itemState & ODS_NOFOCUSRECT)) {
            const int line = LineWidthForDpi(WindowDpi(m_hWnd));
            RECT mark = client;
            for (int i = 0; i < line; ++i) {
                CDCHandle(item.hDC).FrameRect(mark, kFocusMark);
                ::InflateRect(&mark, -1, -1);
            }
        }
    }

    if (m_showText) {
        const std::wstring text = GetWindowText();
        CDCHandle dc(item.hDC);
        ::SetTextColor(dc, (item.itemState & ODS_DISABLED) ? m_disabledTextColour : m_textColour);
        ::SetBkMode(dc, TRANSPARENT);
        CSelectGuard font(dc, m_textFont);
        RECT box = client;
        if (text.find(L'\r') != std::wstring::npos) {
            box.top += 5;
            dc.DrawText(text, box, DT_CENTER | DT_VCENTER);
        } else {
            dc.DrawText(text, box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
    }
}

void CHoverButton::OnMouseMove(UINT flags, POINT point)
{
    if (!m_tracking)
        m_tracking = TrackMouseHoverAndLeave(m_hWnd);
    if (m_tooltip.GetSafeHwnd()) {
        MSG msg{};
        msg.hwnd = m_hWnd;
        msg.message = WM_MOUSEMOVE;
        msg.wParam = flags;
        msg.lParam = MAKELPARAM(point.x, point.y);
        msg.time = ::GetMessageTime();
        ::GetCursorPos(&msg.pt);
        m_tooltip.RelayEvent(msg);
    }
    CWnd::OnMouseMove(flags, point);
}

void CHoverButton::OnMouseHover(UINT, POINT)
{
    m_hover = TRUE;
    Invalidate();
}

void CHoverButton::OnMouseLeave()
{
    m_tracking = FALSE;
    m_hover = FALSE;
    Invalidate();
}

BOOL CHoverButton::OnEraseBkgnd(HDC)
{
    return FALSE;  // DrawItem paints every pixel
}

bool CHoverButton::IsOwnerDrawnButton(HWND hwnd)
{
    wchar_t name[16] = {};
    ::GetClassNameW(hwnd, name, 16);
    return _wcsicmp(name, L"Button") == 0 && (::GetWindowLongPtrW(hwnd, GWL_STYLE) & 0xFFFF) == BS_OWNERDRAW;
}

void CHoverButton::OnSetFocus(HWND oldFocus)
{
    // The key or button that moved the focus is still down while the focus moves. A focus given
    // back (a dialog of ours closing) keeps the mark it had.
    bool byKey = false;
    for (int key : {VK_TAB, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN})
        byKey = byKey || ::GetKeyState(key) < 0;
    if (byKey)
        m_keyboardFocus = true;
    else if (::GetKeyState(VK_LBUTTON) < 0 || ::GetKeyState(VK_RBUTTON) < 0)
        m_keyboardFocus = false;
    HWND parent = GetParent();
    if (parent && oldFocus && !IsOwnerDrawnButton(oldFocus))
        ::SendMessageW(parent, kAskParent, 0, 0);
    CWnd::OnSetFocus(oldFocus);
}

void CHoverButton::OnKillFocus(HWND newFocus)
{
    HWND parent = GetParent();
    if (parent) {
        if (!newFocus) {
            ::SendMessageW(parent, kAskParent, 0, 0);
        } else if (!IsOwnerDrawnButton(newFocus)) {
            LRESULT id = ::SendMessageW(parent, kAskParent, 0, 0);
            ::SendMessageW(parent, DM_SETDEFID, static_cast<WPARAM>(id), 0);
            ::SendMessageW(parent, kAskParent, 0, 0);
        }
    }
    CWnd::OnKillFocus(newFocus);
}
