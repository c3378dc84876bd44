#include "tooltip.h"

namespace {
TTTOOLINFOW ToolInfo(HWND tool, UINT_PTR id)
{
    TTTOOLINFOW info{};
    // The size without the last field keeps the structure acceptable to version 5 controls too.
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = tool;
    info.uId = id;
    return info;
}
}  // namespace

bool CToolTipCtrl::Create(HWND parent, DWORD style)
{
    DestroyWindow();
    m_hwnd = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr, ::GetModuleHandleW(nullptr),
                               nullptr);
    return m_hwnd != nullptr;
}

void CToolTipCtrl::DestroyWindow()
{
    if (m_hwnd && ::IsWindow(m_hwnd))
        ::DestroyWindow(m_hwnd);
    m_hwnd = nullptr;
}

int CToolTipCtrl::GetToolCount() const
{
    return m_hwnd ? static_cast<int>(::SendMessageW(m_hwnd, TTM_GETTOOLCOUNT, 0, 0)) : 0;
}

bool CToolTipCtrl::AddTool(HWND tool, const std::wstring& text, const RECT& rect, UINT_PTR id, UINT flags)
{
    TTTOOLINFOW info = ToolInfo(tool, id);
    info.uFlags = flags;
    info.rect = rect;
    info.lpszText = const_cast<wchar_t*>(text.c_str());
    return ::SendMessageW(m_hwnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

void CToolTipCtrl::UpdateTipText(const std::wstring& text, HWND tool, UINT_PTR id)
{
    TTTOOLINFOW info = ToolInfo(tool, id);
    info.lpszText = const_cast<wchar_t*>(text.c_str());
    ::SendMessageW(m_hwnd, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::Activate(bool activate)
{
    ::SendMessageW(m_hwnd, TTM_ACTIVATE, activate ? TRUE : FALSE, 0);
}

void CToolTipCtrl::RelayEvent(const MSG& msg)
{
    ::SendMessageW(m_hwnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}
