#pragma once
// The test windows: a skinned frame with six tool buttons, loaded with the real skin images,
// and a plain dialog that takes the activation away.
#include <string>

#include "skin/hover_button.h"
#include "skin/skinned_frame_dlg.h"
#include "skin/skin_cache.h"

constexpr UINT kSkinDialog = 300;
constexpr UINT kOtherDialog = 301;
constexpr int kFirstTool = 1000;
constexpr int kToolCount = 6;

extern const wchar_t* const kToolImages[kToolCount];
extern const wchar_t* const kCloseImages[5];

HBITMAP SkinImage(const wchar_t* name);

class CTestSkinDlg : public CSkinnedFrameDlg {
public:
    CTestSkinDlg() : CSkinnedFrameDlg(kSkinDialog) {}

    CHoverButton tools[kToolCount];
    int closeRequests = 0;
    bool allowClose = false;
    int clicks[kToolCount] = {};
    int rightDowns = 0;
    WPARAM lastRightW = 1;
    LPARAM lastRightL = 1;
    std::wstring title = L"Ravlin 1.2";

protected:
    void DoDataExchange(CDataExchange& dx) override;
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    void OnRButtonDown(UINT flags, POINT point) override;
    void OnClose() override;
    void OnCancel() override {}
    void OnOK() override {}
};

class COtherDlg : public CDialog {
public:
    COtherDlg() : CDialog(kOtherDialog) {}
};
