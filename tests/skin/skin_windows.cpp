#include "skin_windows.h"

#include "gui_harness.h"
#include "win/data_exchange.h"

const wchar_t* const kToolImages[kToolCount] = {L"SelRegion.bmp", L"Rec.bmp", L"StopRec.bmp",
                                                 L"Set.bmp",       L"Info.bmp", L"open.bmp"};
const wchar_t* const kCloseImages[5] = {L"Close1.bmp", L"Close2.bmp", L"Close3.bmp", L"Close4.bmp", L"Close5.bmp"};

HBITMAP SkinImage(const wchar_t* name)
{
    // The build puts the images beside the test programs, as it does beside the program.
    return CSkinCache::GetInstance().LoadSkinBitmap(ModuleDir() + L"\\skin\\" + name);
}

void CTestSkinDlg::DoDataExchange(CDataExchange& dx)
{
    CSkinnedFrameDlg::DoDataExchange(dx);
    for (int i = 0; i < kToolCount; ++i)
        DDX_Control(dx, kFirstTool + i, tools[i]);
}

BOOL CTestSkinDlg::OnInitDialog()
{
    CSkinnedFrameDlg::OnInitDialog();
    SetBkColor(RGB(50, 50, 50));
    SetCloseBitmaps(SkinImage(kCloseImages[0]), SkinImage(kCloseImages[1]), SkinImage(kCloseImages[2]),
                    SkinImage(kCloseImages[3]), SkinImage(kCloseImages[4]));
    const RECT client = GetClientRect();
    for (int i = 0; i < kToolCount; ++i) {
        tools[i].SetImageStrip(SkinImage(kToolImages[i]), RGB(255, 0, 255), FALSE);
        tools[i].SetTipText(kToolImages[i], TRUE);
        ::MoveWindow(tools[i], client.left + 12 + 40 * i, client.top + 30, 36, 36, TRUE);
    }
    SetWindowText(title.c_str());
    return TRUE;
}

bool CTestSkinDlg::OnCommand(UINT id, UINT code, HWND control)
{
    if (id >= kFirstTool && id < kFirstTool + kToolCount && code == BN_CLICKED) {
        ++clicks[id - kFirstTool];
        return true;
    }
    return CSkinnedFrameDlg::OnCommand(id, code, control);
}

void CTestSkinDlg::OnRButtonDown(UINT flags, POINT point)
{
    ++rightDowns;
    lastRightW = flags;
    lastRightL = MAKELPARAM(point.x, point.y);
    CSkinnedFrameDlg::OnRButtonDown(flags, point);
}

void CTestSkinDlg::OnClose()
{
    ++closeRequests;
    if (allowClose)
        EndDialog(IDCANCEL);
}
