#include "app/ravlin_app.h"

#include <commctrl.h>

#include "app/ravlin_dlg.h"
#include "app/ui_language.h"
#include "record/gdiplus_api.h"

bool CRavlinApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = 0xFF;
    ::InitCommonControlsEx(&controls);
    ApplyLanguageSetting();

    // A failed start-up is not reported here: the encoder's conversion fails later and the
    // window tells the user then.
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&m_gdiplusToken, &input, nullptr);

    {
        CRavlinDlg dialog;
        dialog.DoModal();
    }  // the window and any recording are gone before GDI+ is shut down
    return false;
}

int CRavlinApp::ExitInstance()
{
    if (m_gdiplusToken)
        Gdiplus::GdiplusShutdown(m_gdiplusToken);
    m_gdiplusToken = 0;
    return 0;
}
