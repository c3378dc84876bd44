#pragma once
// Data exchange between a dialog's controls and its members: one DoDataExchange step lists the
// bindings, UpdateData(false) fills the controls, UpdateData(true) reads them back.
#include <windows.h>

#include <string>

class CDialog;
class CWnd;

class CDataExchange {
public:
    CDataExchange(CDialog& dialog, bool saveAndValidate) : m_dialog(dialog), m_save(saveAndValidate) {}
    CDataExchange(const CDataExchange&) = delete;
    CDataExchange& operator=(const CDataExchange&) = delete;

    bool IsSaving() const { return m_save; }
    CDialog& Dialog() const { return m_dialog; }
    // A refused value: the dialog stays open and the control gets the focus.
    void Fail(int controlId);
    bool Failed() const { return m_failed; }

private:
    CDialog& m_dialog;
    bool m_save;
    bool m_failed = false;
};

// Binds the control with this id to a C++ control object (subclassing it on the first exchange).
void DDX_Control(CDataExchange& dx, int id, CWnd& control);
// Window text of a control.
void DDX_Text(CDataExchange& dx, int id, std::wstring& value);
// A number shown with "%d"; read back with a leading-integer parse (0 when there is none).
void DDX_Text(CDataExchange& dx, int id, int& value);
// Check box state: 0 clear, 1 ticked, 2 indeterminate.
void DDX_Check(CDataExchange& dx, int id, int& value);

// The leading-integer parse used for edit text: white space, optional sign, decimal digits.
int ParseLeadingInt(const wchar_t* text);
