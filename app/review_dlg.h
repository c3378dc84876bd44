#pragma once
// The review window after a recording: plays the file as it is on disk, marks the part to keep
// on the slider, and keeps that part, keeps everything or deletes the recording.
#include "app/recording_review.h"
#include "win/dialog.h"

enum class ReviewOutcome { KeptAll, Trimmed, Deleted };

class CReviewDlg : public CDialog {
public:
    CReviewDlg(CRecordingReview& review, CWnd* parent);
    ReviewOutcome Outcome() const { return m_outcome; }

    bool PreTranslateMessage(MSG& msg) override;

protected:
    BOOL OnInitDialog() override;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    void OnOK() override;
    void OnCancel() override;
    void OnTimer(UINT_PTR id) override;
    void OnDrawItem(UINT id, const DRAWITEMSTRUCT& item) override;

private:
    bool OnKey(WPARAM key);
    void OnSliderMoved();
    void OnSave();
    void OnDelete();
    void ShowFrame(size_t frame);
    void SetPlaying(bool playing);
    void ShowRange();
    void PaintPicture(HDC dc, const RECT& area) const;
    void PaintKeptBar(HDC dc, const RECT& area) const;

    CRecordingReview& m_review;
    size_t m_frame = 0;
    size_t m_first = 0, m_last = 0;  // the part to keep, both ends kept
    bool m_playing = false;
    bool m_broken = false;  // a frame could not be read: told once
    const uint32_t* m_picture = nullptr;
    ReviewOutcome m_outcome = ReviewOutcome::KeptAll;
};
