#include "window.h"

namespace {
const wchar_t kObjectProp[] = L"RavlinWindowObject";

// Mouse coordinates are signed 16-bit halves (negative on a monitor left of the primary one).
int LowSigned(LPARAM lParam) { return static_cast<short>(LOWORD(lParam)); }
int HighSigned(LPARAM lParam) { return static_cast<short>(HIWORD(lParam)); }

POINT PointFrom(LPARAM lParam)
{
    return POINT{LowSigned(lParam), HighSigned(lParam)};
}
}  // namespace

CWnd::~CWnd()
{
    // Unhook first: the derived part of this object is already gone, so no message may reach it.
    if (m_hWnd) {
        HWND hwnd = m_hWnd;
        Unsubclass();
        ::DestroyWindow(hwnd);
    }
}

CWnd* CWnd::FromHandle(HWND hwnd)
{
    return hwnd ? static_cast<CWnd*>(::GetPropW(hwnd, kObjectProp)) : nullptr;
}

void CWnd::Attach(HWND hwnd)
{
    m_hWnd = hwnd;
    ::SetPropW(hwnd, kObjectProp, this);
}

bool CWnd::SubclassWindow(HWND hwnd)
{
    if (!hwnd || m_hWnd || FromHandle(hwnd))
        return false;
    Attach(hwnd);
    PreSubclassWindow();
    m_defaultProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::WindowProc)));
    return true;
}

bool CWnd::CreateChild(const wchar_t* className, const wchar_t* text, DWORD style, const RECT& rect,
                       HWND parent, UINT id)
{
    HWND hwnd = ::CreateWindowExW(0, className, text, style, rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                  ::GetModuleHandleW(nullptr), nullptr);
    if (!hwnd)
        return false;
    if (!SubclassWindow(hwnd)) {
        ::DestroyWindow(hwnd);
        return false;
    }
    return true;
}

void CWnd::DestroyWindow()
{
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);  // WM_NCDESTROY unbinds the object
}

void CWnd::Unsubclass()
{
    if (!m_hWnd)
        return;
    if (m_defaultProc)
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_defaultProc));
    ::RemovePropW(m_hWnd, kObjectProp);
    m_defaultProc = nullptr;
    m_hWnd = nullptr;
}

LRESULT CALLBACK CWnd::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    CWnd* self = FromHandle(hwnd);
    if (!self || !self->m_defaultProc)
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);

    const Current saved = self->m_current;  // messages nest: keep the outer one's for its Default()
    self->m_current = Current{msg, wParam, lParam};
    LRESULT result = 0;
    try {
        if (msg == WM_NCDESTROY) {
            // The last message: unbind first, so nothing after it reaches the object.
            WNDPROC proc = self->m_defaultProc;
            self->Unsubclass();
            return ::CallWindowProcW(proc, hwnd, msg, wParam, lParam);
        }
        result = self->OnMessage(msg, wParam, lParam);
    } catch (...) {
        // No exception may unwind through the system's code; the message counts as handled.
        result = 0;
    }
    self->m_current = saved;
    return result;
}

LRESULT CWnd::Default()
{
    if (!m_hWnd || !m_defaultProc)
        return 0;
    return ::CallWindowProcW(m_defaultProc, m_hWnd, m_current.msg, m_current.wParam, m_current.lParam);
}

LRESULT CWnd::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_ERASEBKGND:
        return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_MOVE:
        OnMove(LowSigned(lParam), HighSigned(lParam));
        return 0;
    case WM_SIZE:
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown(static_cast<UINT>(wParam), PointFrom(lParam));
        return 0;
    case WM_LBUTTONUP:
        OnLButtonUp(static_cast<UINT>(wParam), PointFrom(lParam));
        return 0;
    case WM_RBUTTONDOWN:
        OnRButtonDown(static_cast<UINT>(wParam), PointFrom(lParam));
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(static_cast<UINT>(wParam), PointFrom(lParam));
        return 0;
    case WM_MOUSEHOVER:
        OnMouseHover(static_cast<UINT>(wParam), PointFrom(lParam));
        return 0;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return 0;
    case WM_SETCURSOR:
        return OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam));
    case WM_NCHITTEST:
        return OnNcHitTest(PointFrom(lParam));
    case WM_NCACTIVATE:
        return OnNcActivate(static_cast<BOOL>(wParam));
    case WM_SETFOCUS:
        OnSetFocus(reinterpret_cast<HWND>(wParam));
        return 0;
    case WM_KILLFOCUS:
        OnKillFocus(reinterpret_cast<HWND>(wParam));
        return 0;
    case WM_COMMAND:
        if (OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)))
            return 0;
        return Default();
    case WM_DRAWITEM:
        OnDrawItem(static_cast<UINT>(wParam), *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_SYSCOMMAND:
        OnSysCommand(static_cast<UINT>(wParam), lParam);
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    default:
        return Default();
    }
}

BOOL CWnd::OnEraseBkgnd(HDC) { return static_cast<BOOL>(Default()); }
void CWnd::OnPaint() { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnLButtonDown(UINT, POINT) { Default(); }
void CWnd::OnLButtonUp(UINT, POINT) { Default(); }
void CWnd::OnRButtonDown(UINT, POINT) { Default(); }
void CWnd::OnMouseMove(UINT, POINT) { Default(); }
void CWnd::OnMouseHover(UINT, POINT) { Default(); }
void CWnd::OnMouseLeave() { Default(); }
BOOL CWnd::OnSetCursor(HWND, UINT, UINT) { return static_cast<BOOL>(Default()); }
LRESULT CWnd::OnNcHitTest(POINT) { return Default(); }
BOOL CWnd::OnNcActivate(BOOL) { return static_cast<BOOL>(Default()); }
void CWnd::OnSetFocus(HWND) { Default(); }
void CWnd::OnKillFocus(HWND) { Default(); }
bool CWnd::OnCommand(UINT, UINT, HWND) { return false; }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnDestroy() { Default(); }

void CWnd::OnDrawItem(UINT, const DRAWITEMSTRUCT& item)
{
    // Reflect to the control's own object, which knows its look.
    if (CWnd* control = FromHandle(item.hwndItem))
        control->DrawItem(item);
    else
        Default();
}

void CWnd::DrawItem(const DRAWITEMSTRUCT&) {}

bool CWnd::PreTranslateMessage(MSG&) { return false; }

bool CWnd::PreTranslateChain(MSG& msg)
{
    for (HWND hwnd = msg.hwnd; hwnd; hwnd = ::GetParent(hwnd)) {
        if (CWnd* wnd = FromHandle(hwnd)) {
            if (wnd->PreTranslateMessage(msg))
                return true;
        }
        if (!(::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD))
            break;  // the top-level window ends the walk; owners are not asked
    }
    return false;
}

RECT CWnd::GetClientRect() const
{
    RECT r{};
    ::GetClientRect(m_hWnd, &r);
    return r;
}

RECT CWnd::GetWindowRect() const
{
    RECT r{};
    ::GetWindowRect(m_hWnd, &r);
    return r;
}

std::wstring CWnd::GetWindowText() const
{
    int length = ::GetWindowTextLengthW(m_hWnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int copied = ::GetWindowTextW(m_hWnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}
