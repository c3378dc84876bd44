#pragma once
// Plain controls bound to dialog items: a button (check boxes included) and an edit field.
#include "window.h"

class CButton : public CWnd {
public:
    int GetCheck() const { return static_cast<int>(::SendMessageW(m_hWnd, BM_GETCHECK, 0, 0)); }
    void SetCheck(int state) const { ::SendMessageW(m_hWnd, BM_SETCHECK, static_cast<WPARAM>(state), 0); }
};

class CEdit : public CWnd {};
