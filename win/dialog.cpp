#include "dialog.h"

#include "data_exchange.h"
#include "resource_text.h"

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_parent(parent) {}

bool CDialog::CreateFromTemplate(HWND parent)
{
    const DLGTEMPLATE* dialogTemplate = FindDialogTemplate(m_templateId);
    if (!dialogTemplate)
        return false;
    HWND hwnd = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), dialogTemplate, parent,
                                             &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr && m_hWnd == hwnd;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM, LPARAM lParam) noexcept
{
    // Only the first WM_INITDIALOG is ours here; afterwards the subclassed window procedure sees
    // every message first and this procedure leaves all of them to the dialog manager.
    if (msg != WM_INITDIALOG || CWnd::FromHandle(hwnd))
        return FALSE;
    auto* self = reinterpret_cast<CDialog*>(lParam);
    self->Attach(hwnd);
    self->m_defaultProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::WindowProc)));
    self->m_current = Current{WM_INITDIALOG, 0, lParam};
    try {
        return self->OnInitDialog();
    } catch (...) {
        return TRUE;
    }
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd)
        return -1;  // already running or created modeless
    HWND parent = m_parent ? m_parent->GetSafeHwnd() : nullptr;
    m_modal = true;
    m_endRequested = false;
    m_result = -1;
    if (!CreateFromTemplate(parent)) {
        m_modal = false;
        return -1;
    }
    // As with the system's own modal dialogs, the owner takes no input while this one runs.
    const bool disableParent = parent && ::IsWindowEnabled(parent);
    if (disableParent)
        ::EnableWindow(parent, FALSE);
    if (!m_endRequested)
        ShowWindow(SW_SHOW);

    MSG msg{};
    while (!m_endRequested && m_hWnd) {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));  // leave WM_QUIT to the outer loop
            break;
        }
        if (got == -1)
            break;
        if (!CWnd::PreTranslateChain(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    // Enable the owner before the dialog goes, so activation returns to it.
    if (disableParent)
        ::EnableWindow(parent, TRUE);
    DestroyWindow();
    m_modal = false;
    return m_result;
}

bool CDialog::Create(CWnd* parent)
{
    if (m_hWnd)
        return false;
    if (parent)
        m_parent = parent;
    m_modal = false;
    return CreateFromTemplate(m_parent ? m_parent->GetSafeHwnd() : nullptr);
}

void CDialog::EndDialog(INT_PTR result)
{
    m_result = result;
    if (m_modal) {
        m_endRequested = true;
        PostMessage(WM_NULL);  // wake the loop if nothing else is queued
    } else if (m_hWnd) {
        ShowWindow(SW_HIDE);
    }
}

bool CDialog::UpdateData(bool saveAndValidate)
{
    CDataExchange dx(*this, saveAndValidate);
    DoDataExchange(dx);
    return !dx.Failed();
}

void CDialog::CenterWindow()
{
    RECT self = GetWindowRect();
    RECT area{};
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner))
        ::GetWindowRect(owner, &area);
    else
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const int w = self.right - self.left;
    const int h = self.bottom - self.top;
    const int x = area.left + ((area.right - area.left) - w) / 2;
    const int y = area.top + ((area.bottom - area.top) - h) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CDialog::PreTranslateMessage(MSG& msg)
{
    // Keyboard and mouse input gets the dialog manager's navigation (Tab, Enter, Esc, mnemonics).
    const bool input = (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) ||
                       (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST);
    return input && m_hWnd && ::IsDialogMessageW(m_hWnd, &msg);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(false);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange&) {}

void CDialog::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

LRESULT CDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return CWnd::OnMessage(msg, wParam, lParam);
}

bool CDialog::OnCommand(UINT id, UINT code, HWND)
{
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDOK:
        OnOK();
        return true;
    case IDCANCEL:
        OnCancel();
        return true;
    default:
        return false;
    }
}
