#include "app/region_size_dlg.h"

#include "app/resource.h"
#include "win/resource_text.h"

#include <algorithm>
#include <string>

namespace {

struct Preset {
    UINT id;
    SIZE size;
};

const Preset kPresets[] = {
    {IDC_PRESET_640, {640, 480}},
    {IDC_PRESET_800, {800, 600}},
    {IDC_PRESET_1280, {1280, 720}},
    {IDC_PRESET_1920, {1920, 1080}},
};

// The largest side a region may be typed with: larger is surely a slip of the keyboard.
const int kLargestSide = 100000;

}  // namespace

CRegionSizeDlg::CRegionSizeDlg(CWnd* parent, SIZE initial, SIZE screen)
    : CDialog(IDD_REGION_SIZE, parent), m_size(initial), m_screen(screen)
{
}

BOOL CRegionSizeDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    ShowSize(m_size);
    TakeKeyboard();
    // Once shown, again: a window manager may give the keyboard back to the tool window the
    // dialog was opened from (its system menu), where the typed size would be lost.
    ::PostMessageW(m_hWnd, kTakeKeyboard, 0, 0);
    return FALSE;
}

void CRegionSizeDlg::ShowSize(SIZE size)
{
    ::SetDlgItemInt(m_hWnd, IDC_REGION_WIDTH, static_cast<UINT>(size.cx), FALSE);
    ::SetDlgItemInt(m_hWnd, IDC_REGION_HEIGHT, static_cast<UINT>(size.cy), FALSE);
    UpdateNote();
}

SIZE CRegionSizeDlg::SizeShown(bool* valid) const
{
    BOOL widthRead = FALSE, heightRead = FALSE;
    const UINT width = ::GetDlgItemInt(m_hWnd, IDC_REGION_WIDTH, &widthRead, FALSE);
    const UINT height = ::GetDlgItemInt(m_hWnd, IDC_REGION_HEIGHT, &heightRead, FALSE);
    *valid = widthRead && heightRead && width >= 1 && height >= 1 && width <= kLargestSide && height <= kLargestSide;
    return SIZE{static_cast<LONG>(width), static_cast<LONG>(height)};
}

LRESULT CRegionSizeDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == kTakeKeyboard) {
        TakeKeyboard();
        return 0;
    }
    return CDialog::OnMessage(msg, wParam, lParam);
}

void CRegionSizeDlg::TakeKeyboard()
{
    // Typing replaces the width at once.
    ::SetForegroundWindow(m_hWnd);
    HWND width = GetDlgItem(IDC_REGION_WIDTH);
    ::SetFocus(width);
    ::SendMessageW(width, EM_SETSEL, 0, -1);
}

bool CRegionSizeDlg::Fits(SIZE size) const
{
    return size.cx <= m_screen.cx && size.cy <= m_screen.cy;
}

void CRegionSizeDlg::UpdateNote()
{
    bool valid = false;
    const SIZE size = SizeShown(&valid);
    std::wstring note;
    if (valid && !Fits(size)) {
        note = FormatText(IDS_REGION_SIZE_TOO_LARGE, {std::to_wstring(std::min(size.cx, m_screen.cx)),
                                                       std::to_wstring(std::min(size.cy, m_screen.cy))});
    }
    ::SetDlgItemTextW(m_hWnd, IDC_REGION_SIZE_NOTE, note.c_str());
    ::EnableWindow(GetDlgItem(IDOK), valid && Fits(size));
}

bool CRegionSizeDlg::OnCommand(UINT id, UINT code, HWND control)
{
    if (id == IDC_PRESET_SCREEN && code == BN_CLICKED) {
        ShowSize(m_screen);
        return true;
    }
    for (const Preset& preset : kPresets) {
        if (id == preset.id && code == BN_CLICKED) {
            ShowSize(preset.size);
            return true;
        }
    }
    if ((id == IDC_REGION_WIDTH || id == IDC_REGION_HEIGHT) && code == EN_CHANGE) {
        UpdateNote();
        return true;
    }
    return CDialog::OnCommand(id, code, control);
}

void CRegionSizeDlg::OnOK()
{
    bool valid = false;
    const SIZE size = SizeShown(&valid);
    if (!valid || !Fits(size))
        return;  // OK is disabled then, and the note says why; Enter lands here all the same
    m_size = size;
    CDialog::OnOK();
}
