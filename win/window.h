#pragma once
// CWnd: a borrowed window handle plus the one message route of every window we own or subclass.
// Messages reach the object through a window procedure installed by subclassing; OnMessage is the
// one switch, and each case calls a small virtual handler named after the message. A handler that
// is not replaced falls back to Default(), the processing the window had before we subclassed it.
#include <windows.h>

#include <string>

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The object bound to a window, or null when the window is not ours.
    static CWnd* FromHandle(HWND hwnd);

    // Binds this object to an existing window (a dialog control) and routes its messages here.
    bool SubclassWindow(HWND hwnd);
    // Creates a child window of a system class and subclasses it.
    bool CreateChild(const wchar_t* className, const wchar_t* text, DWORD style, const RECT& rect,
                     HWND parent, UINT id);
    void DestroyWindow();

    // Offers a message to every window of ours from its target up to its top-level window,
    // before it is dispatched; true when one of them consumed it.
    static bool PreTranslateChain(MSG& msg);
    // Called before dispatch for messages aimed at this window or its children; true consumes.
    virtual bool PreTranslateMessage(MSG& msg);

    // Owner-drawn controls draw themselves: the parent reflects WM_DRAWITEM here.
    virtual void DrawItem(const DRAWITEMSTRUCT& item);

    // Thin helpers used by the windows of this program.
    BOOL ShowWindow(int cmd) const { return ::ShowWindow(m_hWnd, cmd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    RECT GetClientRect() const;
    RECT GetWindowRect() const;
    void Invalidate(bool erase = true) const { ::InvalidateRect(m_hWnd, nullptr, erase); }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) const { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) const { return ::KillTimer(m_hWnd, id); }
    std::wstring GetWindowText() const;
    void SetWindowText(const wchar_t* text) const { ::SetWindowTextW(m_hWnd, text); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    LRESULT SendMessage(UINT msg, WPARAM w = 0, LPARAM l = 0) const { return ::SendMessageW(m_hWnd, msg, w, l); }
    BOOL PostMessage(UINT msg, WPARAM w = 0, LPARAM l = 0) const { return ::PostMessageW(m_hWnd, msg, w, l); }

protected:
    // The one switch; derived classes rarely need to replace it.
    virtual LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // The processing of the message being handled as the window had it before subclassing.
    LRESULT Default();

    // Called just before the window procedure is replaced (styles may be adjusted here).
    virtual void PreSubclassWindow() {}

    virtual BOOL OnEraseBkgnd(HDC dc);
    virtual void OnPaint();
    virtual void OnTimer(UINT_PTR id);
    virtual void OnMove(int x, int y);
    virtual void OnSize(UINT type, int cx, int cy);
    virtual void OnLButtonDown(UINT flags, POINT point);
    virtual void OnLButtonUp(UINT flags, POINT point);
    virtual void OnRButtonDown(UINT flags, POINT point);
    virtual void OnMouseMove(UINT flags, POINT point);
    virtual void OnMouseHover(UINT flags, POINT point);
    virtual void OnMouseLeave();
    virtual BOOL OnSetCursor(HWND hwnd, UINT hitTest, UINT message);
    virtual LRESULT OnNcHitTest(POINT screenPoint);
    virtual BOOL OnNcActivate(BOOL active);
    virtual void OnSetFocus(HWND oldFocus);
    virtual void OnKillFocus(HWND newFocus);
    // True when the command was handled; otherwise it gets the default processing.
    virtual bool OnCommand(UINT id, UINT code, HWND control);
    virtual void OnDrawItem(UINT id, const DRAWITEMSTRUCT& item);
    virtual void OnSysCommand(UINT command, LPARAM lParam);
    virtual void OnClose();
    virtual void OnDestroy();

    HWND m_hWnd = nullptr;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    void Attach(HWND hwnd);
    void Unsubclass();

    WNDPROC m_defaultProc = nullptr;
    struct Current {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    } m_current{};

    friend class CDialog;
};
