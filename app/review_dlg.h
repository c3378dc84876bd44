#pragma once
// The review window after a recording: plays the file as it is on disk with the edits made so
// far, marks the part to keep on the slider, edits (crop, delete a part, speed, shorter
// pauses, each undone with Ctrl+Z and redone with Ctrl+Y), and keeps that part, saves a copy,
// keeps everything or deletes the recording. The picture can be dragged out as the file.
#include <memory>
#include <string>
#include <vector>

#include "app/edited_save.h"
#include "app/recording_review.h"
#include "app/review_edits.h"
#include "win/dialog.h"

enum class ReviewOutcome { KeptAll, Trimmed, SavedCopy, Deleted };

class CReviewDlg : public CDialog {
public:
    CReviewDlg(CRecordingReview& review, CWnd* parent);
    ReviewOutcome Outcome() const { return m_outcome; }
    // The copy written by "另存为" (SavedCopy).
    const std::wstring& SavedPath() const { return m_savedPath; }

    bool PreTranslateMessage(MSG& msg) override;

protected:
    BOOL OnInitDialog() override;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    void OnOK() override;
    void OnCancel() override;
    void OnTimer(UINT_PTR id) override;
    void OnDrawItem(UINT id, const DRAWITEMSTRUCT& item) override;
    void OnLButtonDown(UINT flags, POINT point) override;
    void OnMouseMove(UINT flags, POINT point) override;
    void OnLButtonUp(UINT flags, POINT point) override;

private:
    static constexpr UINT kSaveMessage = WM_APP + 1;  // from the save's thread

    // The crop being chosen, in the recording's pixels, while "裁剪画面" is on.
    struct CropChoice {
        bool active = false;
        bool dragging = false;
        POINT anchor{};
        ImageRect rect;
    };

    bool OnKey(WPARAM key);
    void OnSliderMoved();
    void OnSave();
    void OnDelete();
    void ShowFrame(size_t frame);
    void SetPlaying(bool playing);
    UINT NextDelay() const;
    size_t NextPlayed() const;
    void ShowRange();
    void PaintPicture(HDC dc, const RECT& area) const;
    void PaintCropChoice(HDC dc, const RECT& drawn) const;
    void PaintKeptBar(HDC dc, const RECT& area) const;

    // review_dlg_edits.cpp: the edits and the crop being chosen.
    void ApplyEdit(const GifEdit& edit);
    void UndoRedo(bool redo);
    void EditsChanged();
    void OnSpeedChosen();
    void StartCrop();
    bool OnCropKey(WPARAM key);
    void EndCrop(bool apply);
    ImageRect Shown() const;
    RECT PictureArea() const;
    bool ToPicture(POINT point, POINT* pixel) const;

    // review_dlg_save.cpp: writing the edits, with progress, to the recording or a copy.
    void OnSaveAs();
    void OnFit();
    // fitMB: 0 writes the edits as they are; else the file is fit within that many MB.
    void StartSave(const std::wstring& target, int32_t fitMB = 0);
    void OnSaveProgress(WPARAM percent);
    void ShowSaving(bool saving, UINT what = 0);

    CRecordingReview& m_review;
    CReviewEdits m_edits;
    std::vector<PlannedFrame> m_plan;  // what plays and is written: derived from the edits and the part
    CropChoice m_crop;
    size_t m_frame = 0;
    size_t m_first = 0, m_last = 0;  // the part to keep, both ends kept
    bool m_playing = false;
    bool m_broken = false;  // a frame could not be read: told once
    const uint32_t* m_picture = nullptr;
    std::unique_ptr<CEditedSave> m_save;
    std::wstring m_saveTarget;
    int32_t m_fitMB = 0;  // the save's size to fit within; 0 for none
    std::wstring m_savedPath;
    ReviewOutcome m_outcome = ReviewOutcome::KeptAll;
};
