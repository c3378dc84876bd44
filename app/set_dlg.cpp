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
    DDX_Control(dx, IDC_QUALITY, m_qualityEdit);
}

BOOL CSetDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // What the next recording would use: a value the dialog would not store (an edited file)
    // shows as the default it records with.
    const RecordingSettings shown = UsableSettings(ReadRecordingSettings());
    const auto check = [](CButton& box, int32_t value) { box.SetCheck(value != 0 ? BST_CHECKED : BST_UNCHECKED); };
    const auto number = [](CEdit& edit, int32_t value) { edit.SetWindowText(std::to_wstring(value).c_str()); };

    check(m_actualSizeCheck, shown.captureType == 0);
    EnableSizeEdits(shown.captureType != 0);
    check(m_compactCheck, shown.compactMode);
    number(m_frameRateEdit, 1000 / shown.captureDelay);
    number(m_widthEdit, shown.width);
    number(m_heightEdit, shown.height);
    check(m_trueSpeedCheck, shown.trueSpeed);
    check(m_pointerCheck, shown.recordPointer);
    check(m_reviewCheck, shown.reviewAfterRecording);
    check(m_clicksCheck, shown.recordClicks);
    const bool forever = shown.playCount == 0;
    check(m_loopForeverCheck, forever);
    number(m_playCountEdit, forever ? SettingRowOf(&RecordingSettings::playCount).low : shown.playCount);
    ::EnableWindow(m_playCountEdit, !forever);
    number(m_countdownEdit, shown.countdownSeconds);
    number(m_maxSizeEdit, shown.maxFileSizeMB);
    number(m_qualityEdit, shown.quality);
    ::EnableWindow(m_qualityEdit, shown.compactMode == 1);
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
    if (id == IDC_COMPACT_MODE && code == BN_CLICKED) {
        OnCompactClicked();
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

// The quality applies to the compact mode only; it is kept, and checked, while off.
void CSetDlg::OnCompactClicked()
{
    ::EnableWindow(m_qualityEdit, m_compactCheck.GetCheck() == BST_CHECKED);
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

// The settings as the controls show them.
RecordingSettings CSetDlg::SettingsShown() const
{
    const auto checked = [](const CButton& box) { return box.GetCheck() == BST_CHECKED ? 1 : 0; };
    // Settings this dialog does not show stay as they are.
    RecordingSettings typed = ReadRecordingSettings();
    const int rate = ParseEdit(m_frameRateEdit);
    // The rate is stored, and checked, as the delay between frames.
    typed.captureDelay = rate > 0 ? 1000 / rate : 0;
    typed.captureType = checked(m_actualSizeCheck) ? 0 : 1;
    typed.width = ParseEdit(m_widthEdit);
    typed.height = ParseEdit(m_heightEdit);
    typed.trueSpeed = checked(m_trueSpeedCheck);
    typed.recordPointer = checked(m_pointerCheck);
    typed.compactMode = checked(m_compactCheck);
    typed.reviewAfterRecording = checked(m_reviewCheck);
    typed.playCount = checked(m_loopForeverCheck) ? 0 : ParseEdit(m_playCountEdit);
    typed.countdownSeconds = ParseEdit(m_countdownEdit);
    typed.recordClicks = checked(m_clicksCheck);
    typed.maxFileSizeMB = ParseEdit(m_maxSizeEdit);
    typed.quality = ParseEdit(m_qualityEdit);
    return typed;
}

void CSetDlg::OnOK()
{
    const RecordingSettings typed = SettingsShown();
    const bool forever = m_loopForeverCheck.GetCheck() == BST_CHECKED;
    // Each typed number against its range, in the table's order: the first one refused is
    // said, and nothing is stored. The size is checked even while the box is ticked and its
    // edits are disabled: the values are stored.
    for (const SettingRow& row : kSettingRows) {
        if (row.rangeText == 0 || (forever && row.field == &RecordingSettings::playCount))
            continue;
        if (!InSettingRange(row, typed.*row.field)) {
            ShowMessage(m_hWnd, LoadText(row.rangeText).c_str());
            return;
        }
    }
    const HotkeySettings keys = KeysShown();
    if (DuplicateHotkey(keys) >= 0) {
        ShowMessage(m_hWnd, LoadText(IDS_KEYS_REPEATED).c_str());
        return;
    }
    WriteRecordingSettings(typed);
    WriteHotkeySettings(keys);
    const LRESULT language = ::SendMessageW(m_languageList, CB_GETCURSEL, 0, 0);
    if (language >= 0 && language < kLanguageSettingCount)
        WriteLanguageSetting(static_cast<UiLanguageSetting>(language));
    CDialog::OnOK();
}
