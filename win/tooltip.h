#pragma once
// A tooltip control owned by the window that shows it; destroyed with its owner object.
#include <windows.h>
#include <commctrl.h>

#include <string>

class CToolTipCtrl {
public:
    CToolTipCtrl() = default;
    ~CToolTipCtrl() { DestroyWindow(); }
    CToolTipCtrl(const CToolTipCtrl&) = delete;
    CToolTipCtrl& operator=(const CToolTipCtrl&) = delete;

    bool Create(HWND parent, DWORD style);
    HWND GetSafeHwnd() const { return m_hwnd; }
    void DestroyWindow();

    int GetToolCount() const;
    // The tool gets its mouse messages by RelayEvent unless flags ask the control to subclass it.
    bool AddTool(HWND tool, const std::wstring& text, const RECT& rect, UINT_PTR id, UINT flags = 0);
    void UpdateTipText(const std::wstring& text, HWND tool, UINT_PTR id);
    void Activate(bool activate);
    void RelayEvent(const MSG& msg);

private:
    HWND m_hwnd = nullptr;
};
