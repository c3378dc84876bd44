#pragma once
// CRavlinApp: prepares the common controls and GDI+, runs the tool window modally and shuts
// GDI+ down once the window (and every encoder it owned) is gone. There is no message loop
// beyond the window's modal run, and no registry key: every setting lives in the INI file.
#include <windows.h>

class CRavlinApp {
public:
    CRavlinApp() = default;
    CRavlinApp(const CRavlinApp&) = delete;
    CRavlinApp& operator=(const CRavlinApp&) = delete;

    // Runs the program; false when there is nothing left to do but ExitInstance.
    bool InitInstance();
    int ExitInstance();

private:
    ULONG_PTR m_gdiplusToken = 0;
};
