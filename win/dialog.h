#pragma once
// CDialog: a dialog from a resource template, modal (DoModal) or modeless (Create).
// The dialog procedure binds the object at WM_INITDIALOG and then subclasses the window, so from
// there on every message goes through CWnd's one switch and Default() is the dialog manager's own
// processing. The modal loop is ours, so PreTranslateMessage reaches the controls and the dialog.
#include "window.h"

class CDataExchange;

class CDialog : public CWnd {
public:
    CDialog(UINT templateId, CWnd* parent = nullptr);

    // Runs the dialog until EndDialog; returns its result, or -1 when it could not be created.
    INT_PTR DoModal();
    // Creates the dialog modeless; parent null means the one given to the constructor.
    bool Create(CWnd* parent = nullptr);
    // Modal: ends the loop with this result. Modeless: hides the window, as the system does.
    void EndDialog(INT_PTR result);

    // Moves data between the controls and the members: false when a value was refused.
    bool UpdateData(bool saveAndValidate = true);

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void CenterWindow();

    bool PreTranslateMessage(MSG& msg) override;

protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange& dx);
    virtual void OnOK();
    virtual void OnCancel();

    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(UINT id, UINT code, HWND control) override;

    UINT m_templateId;
    CWnd* m_parent;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    bool CreateFromTemplate(HWND parent);

    bool m_modal = false;
    bool m_endRequested = false;
    INT_PTR m_result = -1;
};
