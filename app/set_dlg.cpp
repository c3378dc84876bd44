#include "app/set_dlg.h"

#include <commctrl.h>

#include <string>

#include "app/config_store.h"
#include "app/key_tip_text.h"
#include "app/recording_settings.h"
#include "app/ui_language.h"
#include "app/resource.h"
#include "win/data_exchange.h"
#include "win/message_box.h"
#include "win/resource_text.h"

CSetDlg::CSetDlg(CWnd* parent) : CDialog(IDD_SETTINGS, parent) {}

void CSetDlg::DoDataExchange(CDataExchange& dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_FRAME_RATE, m_frameRateEdit);
    DDX_Control(dx, IDC_ACTUAL_SIZE, m_actualSizeCheck);
    DDX_Control(dx, IDC_OUTPUT_WIDTH, m_widthEdit);
    DDX_Control(dx, IDC_OUTPUT_HEIGHT, m_heightEdit);
    DDX_Control(dx, IDC_TRUE_SPEED, m_trueSpeedCheck);
    DDX_Control(dx, IDC_RECORD_POINTER, m_pointerCheck);
    DDX_Control(dx, IDC_HOTKEY_SELECT, m_keyFields[HotkeySelect]);
    DDX_Control(dx, IDC_HOTKEY_RECORD, m_keyFields[HotkeyRecord]);
    DDX_Control(dx, IDC_HOTKEY_STOP, m_keyFields[HotkeyStop]);
    DDX_Control(dx, IDC_HOTKEY_STATUS, m_keyStatus);
    DDX_Control(dx, IDC_COMPACT_MODE, m_compactCheck);
    DDX_Control(dx, IDC_LANGUAGE, m_languageList);
    DDX_Control(dx, IDC_REVIEW_AFTER, m_reviewCheck);
    DDX_Control(dx, IDC_RECORD_CLICKS, m_clicksCheck);
    DDX_Control(dx, IDC_LOOP_FOREVER, m_loopForeverCheck);
    DDX_Control(dx, IDC_PLAY_COUNT, m_playCountEdit);
    DDX_Control(dx, IDC_COUNTDOWN, m_countdownEdit);
    DDX_Control(dx, IDC_MAX_SIZE, m_maxSizeEdit);
}

BOOL CSetDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    const RecordingSettings stored = ReadRecordingSettings();

    m_actualSizeCheck.SetCheck(stored.captureType == 0 ? BST_CHECKED : BST_UNCHECKED);
    EnableSizeEdits(stored.captureType != 0);
    m_compactCheck.SetCheck(stored.compactMode == 1 ? BST_CHECKED : BST_UNCHECKED);

    // 30 or less would show a rate above 33 (or divide by zero); such a file shows the default.
    const int delay = stored.captureDelay <= 30 ? RecordingSettings().captureDelay : stored.captureDelay;
    m_frameRateEdit.SetWindowText(std::to_wstring(1000 / delay).c_str());
    m_widthEdit.SetWindowText(std::to_wstring(stored.width).c_str());
    m_heightEdit.SetWindowText(std::to_wstring(stored.height).c_str());

    m_trueSpeedCheck.SetCheck(stored.trueSpeed != 0 ? BST_CHECKED : BST_UNCHECKED);
    m_pointerCheck.SetCheck(stored.recordPointer != 0 ? BST_CHECKED : BST_UNCHECKED);
    m_reviewCheck.SetCheck(stored.reviewAfterRecording != 0 ? BST_CHECKED : BST_UNCHECKED);
    m_clicksCheck.SetCheck(stored.recordClicks != 0 ? BST_CHECKED : BST_UNCHECKED);
    // A count the dialog would not store (an edited file) shows as "for ever", as it records.
    const int32_t plays = UsableSettings(stored).playCount;
    m_loopForeverCheck.SetCheck(plays == 0 ? BST_CHECKED : BST_UNCHECKED);
    m_playCountEdit.SetWindowText(std::to_wstring(plays == 0 ? kMinPlayCount : plays).c_str());
    ::EnableWindow(m_playCountEdit, plays != 0);
    m_countdownEdit.SetWindowText(std::to_wstring(UsableSettings(stored).countdownSeconds).c_str());
    m_maxSizeEdit.SetWindowText(std::to_wstring(UsableSettings(stored).maxFileSizeMB).c_str());
    const HotkeySettings keys = ReadHotkeySettings();
    for (int i = 0; i < kHotkeyCount; ++i)
        ::SendMessageW(m_keyFields[i], HKM_SETHOTKEY, keys.keys[i], 0);
    ShowKeyConflicts();

    for (UINT name : {IDS_LANGUAGE_AUTO, IDS_LANGUAGE_CHINESE, IDS_LANGUAGE_ENGLISH})
        ::SendMessageW(m_languageList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadText(name).c_str()));
    ::SendMessageW(m_languageList, CB_SETCURSEL, ReadLanguageSetting(), 0);
    return TRUE;
}

HotkeySettings CSetDlg::KeysShown() const
{
    HotkeySettings keys;
    for (int i = 0; i < kHotkeyCount; ++i)
        keys.keys[i] = static_cast<HotkeyValue>(::SendMessageW(m_keyFields[i], HKM_GETHOTKEY, 0, 0) & 0xFFFF);
    return keys;
}

// Says which of the keys shown another program holds. The main window has let go of its own
// keys while this dialog is open, so a key that cannot be had here is held elsewhere.
void CSetDlg::ShowKeyConflicts()
{
    const HotkeySettings keys = KeysShown();
    std::wstring text;
    for (int i = 0; i < kHotkeyCount; ++i) {
        if (keys.keys[i] == 0)
            continue;
        const int probeId = CGlobalHotkeys::kFirstId + kHotkeyCount + i;
        if (RegisterGlobalKey(m_hWnd, probeId, keys.keys[i]))
            ::UnregisterHotKey(m_hWnd, probeId);
        else
            text += FormatText(IDS_KEY_HELD_ELSEWHERE, {HotkeyName(keys.keys[i]), CommandName(i)}) + L"\n";
    }
    const int duplicate = DuplicateHotkey(keys);
    if (duplicate >= 0)
        text += FormatText(IDS_KEY_DUPLICATE, {HotkeyName(keys.keys[duplicate])});
    m_keyStatus.SetWindowText(text.c_str());
}

bool CSetDlg::OnCommand(UINT id, UINT code, HWND control)
{
    if (id == IDC_ACTUAL_SIZE && code == BN_CLICKED) {
        OnActualSizeClicked();
        return true;
    }
    if (id == IDC_LOOP_FOREVER && code == BN_CLICKED) {
        OnLoopForeverClicked();
        return true;
    }
    if ((id == IDC_HOTKEY_SELECT || id == IDC_HOTKEY_RECORD || id == IDC_HOTKEY_STOP) && code == EN_CHANGE) {
        ShowKeyConflicts();
        return true;
    }
    return CDialog::OnCommand(id, code, control);
}

void CSetDlg::OnActualSizeClicked()
{
    EnableSizeEdits(m_actualSizeCheck.GetCheck() != BST_CHECKED);
}

void CSetDlg::OnLoopForeverClicked()
{
    ::EnableWindow(m_playCountEdit, m_loopForeverCheck.GetCheck() != BST_CHECKED);
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
        ShowMessage(m_hWnd, LoadText(IDS_RATE_RANGE).c_str());
        return;
    }
    const int delay = 1000 / rate;
    const int type = m_actualSizeCheck.GetCheck() == BST_CHECKED ? 0 : 1;
    // Checked even while the box is ticked and the edits are disabled: the values are stored.
    const int width = ParseEdit(m_widthEdit);
    if (width < 50 || width > 1920) {
        ShowMessage(m_hWnd, LoadText(IDS_WIDTH_RANGE).c_str());
        return;
    }
    const int height = ParseEdit(m_heightEdit);
    if (height < 50 || height > 1080) {
        ShowMessage(m_hWnd, LoadText(IDS_HEIGHT_RANGE).c_str());
        return;
    }
    const bool forever = m_loopForeverCheck.GetCheck() == BST_CHECKED;
    const int plays = forever ? 0 : ParseEdit(m_playCountEdit);
    if (!forever && (plays < kMinPlayCount || plays > kMaxPlayCount)) {
        ShowMessage(m_hWnd, LoadText(IDS_PLAY_COUNT_RANGE).c_str());
        return;
    }
    const int countdown = ParseEdit(m_countdownEdit);
    if (countdown < 0 || countdown > kMaxCountdownSeconds) {
        ShowMessage(m_hWnd, LoadText(IDS_COUNTDOWN_RANGE).c_str());
        return;
    }
    const int maxSize = ParseEdit(m_maxSizeEdit);
    if (maxSize < 0 || maxSize > kMaxFileSizeMB) {
        ShowMessage(m_hWnd, LoadText(IDS_SIZE_LIMIT_RANGE).c_str());
        return;
    }
    const HotkeySettings keys = KeysShown();
    if (DuplicateHotkey(keys) >= 0) {
        ShowMessage(m_hWnd, LoadText(IDS_KEYS_REPEATED).c_str());
        return;
    }
    WriteConfigInt(L"CaptureDelay", delay);
    WriteConfigInt(L"CaptureType", type);
    WriteConfigInt(L"Width", width);
    WriteConfigInt(L"Height", height);
    WriteConfigInt(L"TrueSpeed", m_trueSpeedCheck.GetCheck() == BST_CHECKED ? 1 : 0);
    WriteConfigInt(L"RecordPointer", m_pointerCheck.GetCheck() == BST_CHECKED ? 1 : 0);
    WriteHotkeySettings(keys);
    WriteConfigInt(L"CompactMode", m_compactCheck.GetCheck() == BST_CHECKED ? 1 : 0);
    const LRESULT language = ::SendMessageW(m_languageList, CB_GETCURSEL, 0, 0);
    if (language >= 0 && language < kLanguageSettingCount)
        WriteLanguageSetting(static_cast<UiLanguageSetting>(language));
    WriteConfigInt(L"ReviewAfterRecording", m_reviewCheck.GetCheck() == BST_CHECKED ? 1 : 0);
    WriteConfigInt(L"PlayCount", plays);
    WriteConfigInt(L"CountdownSeconds", countdown);
    WriteConfigInt(L"RecordClicks", m_clicksCheck.GetCheck() == BST_CHECKED ? 1 : 0);
    WriteConfigInt(L"MaxFileSizeMB", maxSize);
    CDialog::OnOK();
}
