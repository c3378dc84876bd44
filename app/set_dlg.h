#pragma once
// The settings dialog: frame rate, output size, the compact mode, the recording options and the global keys,
// checked on OK and written to the configuration file. It keeps nothing itself; the file is
// the only state.
#include "app/hotkeys.h"
#include "app/recording_settings.h"
#include "win/controls.h"
#include "win/dialog.h"

class CSetDlg : public CDialog {
public:
    explicit CSetDlg(CWnd* parent = nullptr);

protected:
    void DoDataExchange(CDataExchange& dx) override;
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    void OnOK() override;

private:
    void OnActualSizeClicked();
    void EnableSizeEdits(bool enable);
    void OnLoopForeverClicked();
    void OnCompactClicked();
    int ParseEdit(const CEdit& edit) const;
    RecordingSettings SettingsShown() const;
    HotkeySettings KeysShown() const;
    void ShowKeyConflicts();

    CEdit m_frameRateEdit;
    CButton m_actualSizeCheck;
    CEdit m_widthEdit;
    CEdit m_heightEdit;
    CButton m_trueSpeedCheck;
    CButton m_pointerCheck;
    CWnd m_keyFields[kHotkeyCount];
    CWnd m_keyStatus;
    CButton m_compactCheck;
    CWnd m_languageList;
    CButton m_reviewCheck;
    CButton m_clicksCheck;
    CButton m_loopForeverCheck;
    CEdit m_playCountEdit;
    CEdit m_countdownEdit;
    CEdit m_maxSizeEdit;
    CEdit m_qualityEdit;
};
