#include "app/countdown_wnd.h"

#include <string>

#include "win/dc.h"
#include "win/dpi.h"
#include "win/resource_text.h"

namespace {

constexpr UINT_PTR kSecondTimer = 1;
constexpr int kEscapeKeyId = 0x7E17;  // the global Esc while counting
constexpr int kDesignSize = 160;       // the square's side at 96 DPI
constexpr COLORREF kBackground = RGB(24, 24, 28);

}  // namespace

bool CCountdownWnd::Start(CWnd* owner, const RECT& region, int seconds)
{
    m_owner = owner ? owner->GetSafeHwnd() : nullptr;
    if (!m_hWnd) {
        if (!Create(owner))
            return false;
        SetWindowText(LoadText(IDS_COUNTDOWN).c_str());  // a name for tools that list windows
    }
    m_left = seconds;
    const int dpi = WindowDpi(m_owner);
    const int side = ScaleToDpi(kDesignSize, dpi);
    if (m_fontDpi != dpi) {
        m_font.Attach(::CreateFontW(-side * 3 / 4, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                    DEFAULT_PITCH | FF_SWISS, L"Arial"));
        m_fontDpi = dpi;
    }
    const int x = (region.left + region.right - side) / 2, y = (region.top + region.bottom - side) / 2;
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, x, y, side, side, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    ::RegisterHotKey(m_hWnd, kEscapeKeyId, 0, VK_ESCAPE);
    SetTimer(kSecondTimer, 1000);
    Invalidate(false);
    return true;
}

void CCountdownWnd::Cancel()
{
    if (Running())
        Stop();
}

void CCountdownWnd::Stop()
{
    m_left = 0;
    KillTimer(kSecondTimer);
    ::UnregisterHotKey(m_hWnd, kEscapeKeyId);
    // Hidden and drawn away at once: the first frame is taken right after this.
    ShowWindow(SW_HIDE);
}

void CCountdownWnd::End(bool ranOut)
{
    Stop();
    if (m_owner)
        ::PostMessageW(m_owner, kEndedMessage, ranOut ? 1 : 0, 0);
}

LRESULT CCountdownWnd::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_HOTKEY && wParam == kEscapeKeyId) {
        if (Running())
            End(false);
        return 0;
    }
    if (msg == WM_MOUSEACTIVATE)
        return MA_NOACTIVATE;
    return CDialog::OnMessage(msg, wParam, lParam);
}

void CCountdownWnd::OnTimer(UINT_PTR id)
{
    if (id != kSecondTimer)
        return CDialog::OnTimer(id);
    if (--m_left <= 0) {
        End(true);
        return;
    }
    Invalidate(false);
}

BOOL CCountdownWnd::OnEraseBkgnd(HDC)
{
    return TRUE;
}

void CCountdownWnd::OnPaint()
{
    CPaintDC dc(m_hWnd);
    RECT r = GetClientRect();
    ::SetBkColor(dc, kBackground);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    if (m_left <= 0)
        return;
    CSelectGuard font(dc, m_font);
    ::SetTextColor(dc, RGB(255, 255, 255));
    ::SetBkMode(dc, TRANSPARENT);
    const std::wstring digits = std::to_wstring(m_left);
    ::DrawTextW(dc, digits.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}
