#include "app/review_dlg.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include "app/picture_fit.h"
#include "app/recording_settings.h"
#include "app/resource.h"
#include "win/message_box.h"
#include "win/resource_text.h"

namespace {

constexpr UINT_PTR kPlayTimer = 1;
constexpr UINT_PTR kPrepareTimer = 2;  // decodes ahead while the window is idle

// How long a frame shows: its delay, except that players show delays under 2 hundredths
// for a tenth of a second, and so does this window.
UINT FrameMilliseconds(uint32_t delay)
{
    return delay < 2 ? 100 : delay * 10;
}

}  // namespace

CReviewDlg::CReviewDlg(CRecordingReview& review, CWnd* parent)
    : CDialog(IDD_REVIEW, parent), m_review(review), m_edits(review)
{
}

BOOL CReviewDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_last = m_review.FrameCount() - 1;
    HWND slider = GetDlgItem(IDC_REVIEW_SLIDER);
    ::SendMessageW(slider, TBM_SETRANGEMIN, FALSE, 0);
    ::SendMessageW(slider, TBM_SETRANGEMAX, FALSE, static_cast<LPARAM>(m_last));
    ::SendMessageW(slider, TBM_SETPAGESIZE, 0, 10);
    HWND speeds = GetDlgItem(IDC_REVIEW_SPEED);
    for (uint32_t percent : kEditSpeeds)
        ::SendMessageW(speeds, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(SpeedText(percent).c_str()));
    const int32_t fitSize = UsableSettings(ReadRecordingSettings()).fitSizeMB;
    ::SetDlgItemTextW(m_hWnd, IDC_REVIEW_FIT_SIZE, std::to_wstring(fitSize).c_str());
    EditsChanged();
    ShowFrame(0);
    SetPlaying(m_review.FrameCount() > 1);
    ::SetTimer(m_hWnd, kPrepareTimer, 10, nullptr);
    CenterWindow();
    return TRUE;
}

LRESULT CReviewDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_HSCROLL && reinterpret_cast<HWND>(lParam) == GetDlgItem(IDC_REVIEW_SLIDER)) {
        OnSliderMoved();
        return 0;
    }
    if (msg == kSaveMessage) {
        OnSaveProgress(wParam);
        return 0;
    }
    return CDialog::OnMessage(msg, wParam, lParam);
}

// The keys work wherever the focus is in this window: the buttons would take Space and the
// slider the arrows for themselves.
bool CReviewDlg::PreTranslateMessage(MSG& msg)
{
    const bool mine = msg.hwnd == m_hWnd || ::IsChild(m_hWnd, msg.hwnd);
    if (mine && msg.message == WM_KEYDOWN && OnKey(msg.wParam))
        return true;
    if (mine && msg.message == WM_KEYUP && msg.wParam == VK_SPACE)
        return true;
    return CDialog::PreTranslateMessage(msg);
}

bool CReviewDlg::OnKey(WPARAM key)
{
    if (m_save)
        return false;  // the stop button alone works while saving
    if (m_crop.active)
        return OnCropKey(key);
    if ((key == 'Z' || key == 'Y') && (::GetKeyState(VK_CONTROL) & 0x8000)) {
        UndoRedo(key == 'Y');
        return true;
    }
    switch (key) {
    case VK_SPACE:
        SetPlaying(!m_playing);
        return true;
    case VK_LEFT:
        SetPlaying(false);
        ShowFrame(m_frame > 0 ? m_frame - 1 : 0);
        return true;
    case VK_RIGHT:
        SetPlaying(false);
        ShowFrame(m_frame + 1 < m_review.FrameCount() ? m_frame + 1 : m_frame);
        return true;
    case VK_HOME:
        SetPlaying(false);
        ShowFrame(0);
        return true;
    case VK_END:
        SetPlaying(false);
        ShowFrame(m_review.FrameCount() - 1);
        return true;
    default:
        return false;
    }
}

bool CReviewDlg::OnCommand(UINT id, UINT code, HWND control)
{
    // A speed is one edit when chosen: not every entry passed on the open list.
    const bool listOpen = ::SendMessageW(GetDlgItem(IDC_REVIEW_SPEED), CB_GETDROPPEDSTATE, 0, 0) != 0;
    if (id == IDC_REVIEW_SPEED && ((code == CBN_SELCHANGE && !listOpen) || code == CBN_CLOSEUP)) {
        OnSpeedChosen();
        return true;
    }
    if (code != BN_CLICKED)
        return CDialog::OnCommand(id, code, control);
    if (m_crop.active && id != IDC_REVIEW_CROP)
        EndCrop(true);  // a rectangle drawn and then saved is meant to be kept
    switch (id) {
    case IDC_REVIEW_PLAY:
        SetPlaying(!m_playing);
        return true;
    case IDC_REVIEW_SET_START:
        m_first = m_frame;
        if (m_last < m_first)
            m_last = m_first;
        EditsChanged();
        return true;
    case IDC_REVIEW_SET_END:
        m_last = m_frame;
        if (m_first > m_last)
            m_first = m_last;
        EditsChanged();
        return true;
    case IDC_REVIEW_CROP:
        StartCrop();
        return true;
    case IDC_REVIEW_CUT:
        ApplyEdit(GifEdit{GifEdit::Kind::Cut, {}, m_first, m_last});
        return true;
    case IDC_REVIEW_PAUSES:
        ApplyEdit(GifEdit{GifEdit::Kind::ShortenStills, {}, 0, 0, m_edits.State().stillLimit ? 0 : kDefaultStillLimit});
        return true;
    case IDC_REVIEW_SAVE:
        OnSave();
        return true;
    case IDC_REVIEW_SAVE_AS:
        OnSaveAs();
        return true;
    case IDC_REVIEW_FIT:
        OnFit();
        return true;
    case IDC_REVIEW_STOP_SAVE:
        if (m_save)
            m_save->Stop();
        return true;
    case IDC_REVIEW_KEEP_ALL:
        OnCancel();
        return true;
    case IDC_REVIEW_DELETE:
        OnDelete();
        return true;
    default:
        return CDialog::OnCommand(id, code, control);
    }
}

// Enter keeps nothing by surprise: only the buttons end the review.
void CReviewDlg::OnOK() {}

void CReviewDlg::OnCancel()
{
    if (m_save) {  // Esc and the close box stop a save; the window stays
        m_save->Stop();
        return;
    }
    if (m_crop.active) {
        EndCrop(false);
        return;
    }
    SetPlaying(false);
    ::KillTimer(m_hWnd, kPrepareTimer);
    m_outcome = ReviewOutcome::KeptAll;
    EndDialog(IDCANCEL);
}

void CReviewDlg::OnSave()
{
    SetPlaying(false);
    if (m_edits.Any()) {
        StartSave(m_review.Path());
        return;
    }
    if (m_first == 0 && m_last + 1 == m_review.FrameCount()) {
        OnCancel();
        return;
    }
    std::wstring message;
    if (!m_review.Keep(m_first, m_last, &message)) {
        ShowMessage(m_hWnd, message.c_str());
        return;
    }
    m_outcome = ReviewOutcome::Trimmed;
    EndDialog(IDOK);
}

void CReviewDlg::OnDelete()
{
    SetPlaying(false);
    if (!AskYesNo(m_hWnd, LoadText(IDS_REVIEW_CONFIRM_DELETE).c_str()))
        return;
    std::wstring message;
    if (!m_review.Delete(&message)) {
        ShowMessage(m_hWnd, message.c_str());
        return;
    }
    m_outcome = ReviewOutcome::Deleted;
    EndDialog(IDOK);
}

void CReviewDlg::OnTimer(UINT_PTR id)
{
    if (id == kPrepareTimer) {
        if (!m_review.PrepareAhead())
            ::KillTimer(m_hWnd, kPrepareTimer);
        return;
    }
    if (id != kPlayTimer)
        return CDialog::OnTimer(id);
    ::KillTimer(m_hWnd, kPlayTimer);
    if (!m_playing)
        return;
    ShowFrame(NextPlayed());
    if (m_playing)
        ::SetTimer(m_hWnd, kPlayTimer, NextDelay(), nullptr);
}

// Playing follows the edited recording: the frames it keeps, for their edited delays. Frames
// outside it (cut, merged, outside the part) are passed over; from one of them, play goes on
// at the next frame kept.
size_t CReviewDlg::NextPlayed() const
{
    if (m_plan.empty())
        return m_frame;
    const auto next = std::upper_bound(m_plan.begin(), m_plan.end(), m_frame,
                                       [](size_t frame, const PlannedFrame& p) { return frame < p.source; });
    return next == m_plan.end() ? m_plan.front().source : next->source;
}

UINT CReviewDlg::NextDelay() const
{
    const auto at = std::upper_bound(m_plan.begin(), m_plan.end(), m_frame,
                                     [](size_t frame, const PlannedFrame& p) { return frame < p.source; });
    if (at == m_plan.begin())
        return FrameMilliseconds(2);
    return FrameMilliseconds(std::prev(at)->delay);
}

void CReviewDlg::OnSliderMoved()
{
    SetPlaying(false);
    ShowFrame(static_cast<size_t>(::SendMessageW(GetDlgItem(IDC_REVIEW_SLIDER), TBM_GETPOS, 0, 0)));
}

void CReviewDlg::SetPlaying(bool playing)
{
    m_playing = playing && m_picture != nullptr && !m_plan.empty() && !m_crop.active;
    ::KillTimer(m_hWnd, kPlayTimer);
    if (m_playing)
        ::SetTimer(m_hWnd, kPlayTimer, NextDelay(), nullptr);
    ::SetDlgItemTextW(m_hWnd, IDC_REVIEW_PLAY, LoadText(m_playing ? IDS_REVIEW_PAUSE : IDS_REVIEW_PLAY).c_str());
}

void CReviewDlg::ShowFrame(size_t frame)
{
    std::wstring message;
    const uint32_t* picture = m_review.Show(frame, &message);
    if (!picture && !m_broken) {
        // The file changed or broke under us: say so once and stop; it is left as it is.
        m_broken = true;
        m_picture = nullptr;
        SetPlaying(false);
        ShowMessage(m_hWnd, message.c_str());
    }
    m_picture = picture;
    m_frame = frame;
    ::SendMessageW(GetDlgItem(IDC_REVIEW_SLIDER), TBM_SETPOS, TRUE, static_cast<LPARAM>(frame));
    const std::wstring text = ReviewPositionText(frame, m_review.FrameCount(), m_review.TimeAt(frame), m_review.Duration());
    ::SetDlgItemTextW(m_hWnd, IDC_REVIEW_POSITION, text.c_str());
    HWND area = GetDlgItem(IDC_REVIEW_PICTURE);
    ::InvalidateRect(area, nullptr, FALSE);
    ::UpdateWindow(area);
}

void CReviewDlg::ShowRange()
{
    HWND slider = GetDlgItem(IDC_REVIEW_SLIDER);
    ::SendMessageW(slider, TBM_SETSELSTART, FALSE, static_cast<LPARAM>(m_first));
    ::SendMessageW(slider, TBM_SETSELEND, TRUE, static_cast<LPARAM>(m_last));
    // How long the part plays once edited: deleted frames, speed and pauses included.
    const std::wstring text = KeptRangeText(m_first, m_last, CReviewEdits::Duration(m_plan));
    ::SetDlgItemTextW(m_hWnd, IDC_REVIEW_RANGE, text.c_str());
    ::InvalidateRect(GetDlgItem(IDC_REVIEW_KEPT_BAR), nullptr, FALSE);
}

void CReviewDlg::OnDrawItem(UINT id, const DRAWITEMSTRUCT& item)
{
    if (id == IDC_REVIEW_PICTURE)
        PaintPicture(item.hDC, item.rcItem);
    else if (id == IDC_REVIEW_KEPT_BAR)
        PaintKeptBar(item.hDC, item.rcItem);
    else
        CDialog::OnDrawItem(id, item);
}

// The part to keep as a band under the slider's channel, lined up with the thumb's positions:
// not every trackbar draws its own selection range visibly.
void CReviewDlg::PaintKeptBar(HDC dc, const RECT& area) const
{
    ::FillRect(dc, &area, ::GetSysColorBrush(COLOR_BTNFACE));
    HWND slider = GetDlgItem(IDC_REVIEW_SLIDER);
    RECT channel{}, thumb{}, sliderRect{}, barRect{};
    ::SendMessageW(slider, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    ::SendMessageW(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    // Both rectangles are in the slider's coordinates; the bar starts where the slider does.
    ::GetWindowRect(slider, &sliderRect);
    ::GetWindowRect(GetDlgItem(IDC_REVIEW_KEPT_BAR), &barRect);
    const int shift = sliderRect.left - barRect.left;
    const int half = (thumb.right - thumb.left) / 2;
    const int left = channel.left + half + shift, right = channel.right - half + shift;
    const size_t last = m_review.FrameCount() - 1;
    const auto at = [&](size_t frame) {
        return last == 0 ? left : left + static_cast<int>(static_cast<int64_t>(right - left) * frame / last);
    };
    RECT kept{at(m_first) - 1, area.top, at(m_last) + 2, area.bottom};
    ::FillRect(dc, &kept, ::GetSysColorBrush(COLOR_HIGHLIGHT));
    // Deleted parts as gaps in the band.
    for (size_t i = 0; i <= last; ++i) {
        if (!m_edits.Removed(i) || (i > 0 && m_edits.Removed(i - 1)))
            continue;
        size_t end = i;
        while (end < last && m_edits.Removed(end + 1))
            ++end;
        RECT gap{at(i) - 1, area.top, at(end) + 2, area.bottom};
        ::FillRect(dc, &gap, ::GetSysColorBrush(COLOR_BTNSHADOW));
    }
}

// The picture (the crop of it, once cropped) as large as it fits, its shape kept, on black;
// the whole picture with the rectangle being chosen while a crop is chosen.
void CReviewDlg::PaintPicture(HDC dc, const RECT& area) const
{
    ::FillRect(dc, &area, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    const ImageRect shown = Shown();
    if (!m_picture || shown.Empty())
        return;
    const RECT drawn = FitPicture(area, shown.width, shown.height);
    // The rows of the part shown, with the whole picture's row length: a source rectangle
    // that starts at the top of the bitmap reads the same whichever way its rows run.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = m_review.Width();
    info.bmiHeader.biHeight = -shown.height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    ::SetStretchBltMode(dc, HALFTONE);
    ::SetBrushOrgEx(dc, 0, 0, nullptr);
    ::StretchDIBits(dc, drawn.left, drawn.top, drawn.right - drawn.left, drawn.bottom - drawn.top, shown.left, 0,
                    shown.width, shown.height, m_picture + static_cast<size_t>(shown.top) * m_review.Width(), &info,
                    DIB_RGB_COLORS, SRCCOPY);
    if (m_crop.active)
        PaintCropChoice(dc, drawn);
}
