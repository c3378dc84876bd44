#pragma once
// CRavlinDlg: the tool window. It owns the region overlay, the screen grabber, the preview
// canvas and, from the start of a recording until its file is complete, the encoder; it polls
// the encoder every 100 ms and paints the preview and three status lines. The buttons and the
// global keys run the same commands.
#include <cstdint>
#include <memory>
#include <string>

#include "app/hotkeys.h"
#include "app/recording_settings.h"
#include "app/countdown_wnd.h"
#include "record/mem_canvas.h"
#include "record/pic_encoder.h"
#include "record/screen_grabber.h"
#include "region/selection_overlay.h"
#include "skin/hover_button.h"
#include "skin/new_skin_dlg.h"
#include "win/gdi_object.h"

class CRavlinDlg : public CNewSkinDlg {
public:
    // Finishing: stopped, and the encoder is writing out its queue.
    enum RecordState : int32_t { Idle = 0, Recording = 1, Paused = 2, Finishing = 3 };

    static constexpr UINT_PTR IDT_POLL_ENCODER = 1;
    static constexpr UINT_PTR IDT_POLL_OVERLAY = 2;

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

private:
    void OnHotkey(WPARAM id);
    void OnSelectRegion();
    // A typed size: around the region shown, or in the middle of the screen under the pointer.
    void OnRegionSize();
    void OnRecord();
    void OnStop();
    void OnSettings();
    void OnAbout();
    void OpenCaptureFolder();

    void SetState(RecordState state);
    void ApplyState();
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
    void PollEncoder();
    void EndRecording(int status);
    bool ReviewRecording();
    bool StartCountdown();
    void ShowSize(int64_t bytes);
    void OnCountdownEnded(bool ranOut);
    void PollOverlay();
    void FinishClose();
    void WaitForEncoder();
    void InvalidateStatus(int line) const;
    void PaintFramedRect(HDC dc, const RECT& rect) const;
    void PaintPreview(HDC dc);
    void PaintStatusText(HDC dc) const;

    RecordState m_recordState = Idle;
    CSelectionOverlay m_overlay;
    CMemCanvas m_preview;
    std::unique_ptr<IPicEncoder> m_encoder;
    CScreenGrabber m_grabber;
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
    std::wstring m_filePath;
    CHoverButton m_settingsButton;
    CHoverButton m_aboutButton;
    CHoverButton m_openFolderButton;
    CGlobalHotkeys m_hotkeys;
    CCountdownWnd m_countdown;

    // The user confirmed the exit while a file was still being written: close once it is.
    bool m_closePending = false;
};
