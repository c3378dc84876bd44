#pragma once
// The small box that names the program and its version.
#include "win/dialog.h"

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CWnd* parent = nullptr);
};
