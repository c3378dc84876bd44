#include "app/set_dlg.h"

#include <string>

#include "app/config_store.h"
#include "app/recording_settings.h"
#include "app/resource.h"
#include "win/data_exchange.h"
#include "win/message_box.h"

CSetDlg::CSetDlg(CWnd* parent) : CDialog(IDD_SETTINGS, parent) {}

void CSetDlg::DoDataExchange(CDataExchange& dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_FRAME_RATE, m_frameRateEdit);
    DDX_Control(dx, IDC_ACTUAL_SIZE, m_actualSizeCheck);
    DDX_Control(dx, IDC_OUTPUT_WIDTH, m_widthEdit);
    DDX_Control(dx, IDC_OUTPUT_HEIGHT, m_heightEdit);
}

BOOL CSetDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    const RecordingSettings stored = ReadRecordingSettings();

    m_actualSizeCheck.SetCheck(stored.captureType == 0 ? BST_CHECKED : BST_UNCHECKED);
    EnableSizeEdits(stored.captureType != 0);

    // 30 or less would show a rate above 33 (or divide by zero); such a file shows the default.
    const int delay = stored.captureDelay <= 30 ? RecordingSettings().captureDelay : stored.captureDelay;
    m_frameRateEdit.SetWindowText(std::to_wstring(1000 / delay).c_str());
    m_widthEdit.SetWindowText(std::to_wstring(stored.width).c_str());
    m_heightEdit.SetWindowText(std::to_wstring(stored.height).c_str());
    return TRUE;
}

bool CSetDlg::OnCommand(UINT id, UINT code, HWND control)
{
    if (id == IDC_ACTUAL_SIZE && code == BN_CLICKED) {
        OnActualSizeClicked();
        return true;
    }
    return CDialog::OnCommand(id, code, control);
}

void CSetDlg::OnActualSizeClicked()
{
    EnableSizeEdits(m_actualSizeCheck.GetCheck() != BST_CHECKED);
}

void CSetDlg::EnableSizeEdits(bool enable)
{
    ::EnableWindow(m_widthEdit, enable);
    ::EnableWindow(m_heightEdit, enable);
}

int CSetDlg::ParseEdit(const CEdit& edit) const
{
    return ParseLeadingInt(edit.GetWindowText().c_str());
}

void CSetDlg::OnOK()
{
    const int rate = ParseEdit(m_frameRateEdit);
    if (rate < 15 || rate > 30) {
        ShowMessage(m_hWnd, L"帧率范围是15-30帧!");
        return;
    }
    const int delay = 1000 / rate;
    const int type = m_actualSizeCheck.GetCheck() == BST_CHECKED ? 0 : 1;
    // Checked even while the box is ticked and the edits are disabled: the values are stored.
    const int width = ParseEdit(m_widthEdit);
    if (width < 50 || width > 1920) {
        ShowMessage(m_hWnd, L"画面宽度范围是50-1920像素!");
        return;
    }
    const int height = ParseEdit(m_heightEdit);
    if (height < 50 || height > 1080) {
        ShowMessage(m_hWnd, L"画面高度范围是50-1080像素!");
        return;
    }
    WriteConfigInt(L"CaptureDelay", delay);
    WriteConfigInt(L"CaptureType", type);
    WriteConfigInt(L"Width", width);
    WriteConfigInt(L"Height", height);
    CDialog::OnOK();
}
