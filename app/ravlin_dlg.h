#pragma once
// CRavlinDlg: the tool window. It owns the region overlay, the countdown, the preview canvas
// and, from the start of a recording until its ended event, the recording. Its state is one
// value from which the buttons, the overlay's lock, the countdown and the timer follow; the
// recording's end arrives as a posted message, and a timer refreshes the counters and the
// preview meanwhile. The buttons and the global keys run the same commands.
#include <cstdint>
#include <memory>
#include <string>

#include "app/hotkeys.h"
#include "app/recording_settings.h"
#include "app/countdown_wnd.h"
#include "record/mem_canvas.h"
#include "pipeline/recording.h"
#include "region/selection_overlay.h"
#include "skin/hover_button.h"
#include "skin/skinned_frame_dlg.h"
#include "win/gdi_object.h"

class CRavlinDlg : public CSkinnedFrameDlg {
public:
    // RegionChosen: the overlay is up, selecting or showing a region. CountingDown: the same,
    // with the countdown before the recording running. Finishing: stopped, the file is being
    // written out. Closing: the same, and the window closes once it is.
    enum class State { NoRegion, RegionChosen, CountingDown, Recording, Paused, Finishing, Closing };

    static constexpr UINT_PTR IDT_REFRESH_COUNTERS = 1;
    // Posted by the recording's ended event, with a RecordingOutcome made by new in lParam.
    static constexpr UINT WM_RECORDING_ENDED = WM_APP + 1;
    // Posted by the overlay when it hid itself (a cancelled or empty selection).
    static constexpr UINT WM_OVERLAY_HIDDEN = WM_APP + 2;
    // Posted by the overlay when the region changed.
    static constexpr UINT WM_REGION_CHANGED = WM_APP + 3;

    explicit CRavlinDlg(CWnd* parent = nullptr);
    ~CRavlinDlg() override;

    bool PreTranslateMessage(MSG& msg) override;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    BOOL OnInitDialog() override;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnSysCommand(UINT command, LPARAM lParam) override;
    void OnPaint() override;
    HICON OnQueryDragIcon() const { return m_icon; }
    bool OnCommand(UINT id, UINT code, HWND control) override;
    void OnClose() override;
    BOOL OnEraseBkgnd(HDC dc) override;
    void OnTimer(UINT_PTR id) override;
    void OnLButtonDown(UINT flags, POINT point) override;

private:
    void OnHotkey(WPARAM id);
    // Enter on a tool button the keyboard reached presses it.
    void PressKeyboardFocusedButton();
    void OnSelectRegion();
    // A typed size: around the region shown, or in the middle of the screen under the pointer.
    void OnRegionSize();
    void OnRecord();
    void OnStop();
    void OnSettings();
    void OnAbout();
    void OpenCaptureFolder();

    void SetState(State state);
    void ApplyState(State previous);
    void RegisterHotkeys();
    void UpdateTips();
    void UpdateLanguageTexts();
    // A skin image and the DPI it is drawn for.
    struct SkinImage {
        HBITMAP bitmap = nullptr;
        int dpi = kDesignDpi;
    };
    void LoadSkin();
    SkinImage LoadSkinImage(const std::wstring& file) const;
    void PlaceControls();
    void FitTemplateToDpi();
    void StartRecording();
    void RefreshCounters();
    void OnRecordingEnded(const RecordingOutcome& outcome);
    void ReportCompleted(const RecordingOutcome& outcome);
    bool ReviewRecording();
    void StartCountdownOrRecording();
    void ShowSize(int64_t bytes);
    void OnCountdownEnded(bool ranOut);
    void FinishClose();
    void EndRecordingNow();
    void InvalidateStatus(int line) const;
    void PaintFramedRect(HDC dc, const RECT& rect) const;
    void PaintPreview(HDC dc);
    void PaintStatusText(HDC dc) const;

    State m_state = State::NoRegion;
    CSelectionOverlay m_overlay;
    CMemCanvas m_preview;  // before the recording, which draws into it
    std::unique_ptr<CRecording> m_recording;
    int32_t m_frameDisplayTime = 40;
    std::wstring m_outputFolder;
    CFont m_statusFont;
    // As stored; a recording starts with a usable copy.
    RecordingSettings m_settings;
    HICON m_icon = nullptr;
    CHoverButton m_selectButton;
    CHoverButton m_recordButton;
    CHoverButton m_stopButton;
    RECT m_statusRects[3] = {};
    RECT m_previewRect{};
    std::wstring m_recordedText;
    std::wstring m_encodedText;
    std::wstring m_sizeText;  // bytes written so far, beside the encoded count
    bool m_sizeNearLimit = false;  // the size is shown in the warning colour
    std::wstring m_fileNameText;
    // "Whole screen 1920 × 1080" while the region shown is a whole monitor, else empty.
    std::wstring WholeScreenText() const;
    std::wstring m_filePath;
    CHoverButton m_settingsButton;
    CHoverButton m_aboutButton;
    CHoverButton m_openFolderButton;
    CGlobalHotkeys m_hotkeys;
    CCountdownWnd m_countdown;
};
