// The review window's edits: the buttons, undo and redo, and choosing a crop on the picture.
#include "app/review_dlg.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include "app/file_drag.h"
#include "app/picture_fit.h"
#include "app/resource.h"
#include "win/message_box.h"
#include "win/resource_text.h"

void CReviewDlg::ApplyEdit(const GifEdit& edit)
{
    SetPlaying(false);
    const bool everything = m_first == 0 && m_last + 1 == m_review.FrameCount();
    if (edit.kind == GifEdit::Kind::Cut && everything) {
        ::MessageBeep(MB_OK);  // mark a part first: deleting all of it would leave nothing
        return;
    }
    std::wstring message;
    if (!m_edits.Add(edit, &message))
        ShowMessage(m_hWnd, message.c_str());
    else if (edit.kind == GifEdit::Kind::Cut) {
        m_first = 0;  // the part marked is gone: the mark goes back to everything
        m_last = m_review.FrameCount() - 1;
    }
    EditsChanged();
}

void CReviewDlg::UndoRedo(bool redo)
{
    SetPlaying(false);
    std::wstring message;
    if (!(redo ? m_edits.Redo(&message) : m_edits.Undo(&message)))
        ShowMessage(m_hWnd, message.c_str());
    EditsChanged();
}

// Everything that follows from the edits and the marked part: what plays, the speed shown,
// the line of edits, the band and the picture.
void CReviewDlg::EditsChanged()
{
    m_plan = m_edits.Plan(m_first, m_last);
    const GifEditState& state = m_edits.State();
    const auto speed = std::find(std::begin(kEditSpeeds), std::end(kEditSpeeds), state.speedPercent);
    ::SendMessageW(GetDlgItem(IDC_REVIEW_SPEED), CB_SETCURSEL,
                   speed == std::end(kEditSpeeds) ? WPARAM(-1) : WPARAM(speed - std::begin(kEditSpeeds)), 0);
    const std::wstring line =
        m_crop.active ? FormatText(IDS_EDIT_CROP_HINT, {std::to_wstring(m_crop.rect.width), std::to_wstring(m_crop.rect.height)})
                      : m_edits.SummaryText();
    ::SetDlgItemTextW(m_hWnd, IDC_REVIEW_EDITS, line.c_str());
    ShowRange();
    if (m_plan.empty())
        SetPlaying(false);
    ::InvalidateRect(GetDlgItem(IDC_REVIEW_PICTURE), nullptr, FALSE);
}

void CReviewDlg::OnSpeedChosen()
{
    const LRESULT chosen = ::SendMessageW(GetDlgItem(IDC_REVIEW_SPEED), CB_GETCURSEL, 0, 0);
    if (chosen < 0 || chosen >= LRESULT(std::size(kEditSpeeds)) || kEditSpeeds[chosen] == m_edits.State().speedPercent)
        return;
    ApplyEdit(GifEdit{GifEdit::Kind::Speed, {}, 0, 0, kEditSpeeds[chosen]});
}

void CReviewDlg::StartCrop()
{
    if (m_crop.active) {  // the button again applies the rectangle, as Enter does
        EndCrop(true);
        return;
    }
    SetPlaying(false);
    m_crop = CropChoice();
    m_crop.active = true;
    m_crop.rect = m_edits.State().crop;
    ::SetFocus(GetDlgItem(IDC_REVIEW_PICTURE));
    EditsChanged();
}

// Arrows move the rectangle a pixel (with Shift they move its right or bottom edge), Enter
// applies it, Esc leaves the crop as it was.
bool CReviewDlg::OnCropKey(WPARAM key)
{
    if (key == VK_RETURN || key == VK_ESCAPE) {
        EndCrop(key == VK_RETURN);
        return true;
    }
    int dx = 0, dy = 0;
    switch (key) {
    case VK_LEFT: dx = -1; break;
    case VK_RIGHT: dx = 1; break;
    case VK_UP: dy = -1; break;
    case VK_DOWN: dy = 1; break;
    case VK_SPACE: return true;  // no playing while a crop is chosen
    default: return false;
    }
    ImageRect& r = m_crop.rect;
    const int32_t w = m_review.Width(), h = m_review.Height();
    if (::GetKeyState(VK_SHIFT) & 0x8000) {
        r.width = std::clamp(r.width + dx, 1, w - r.left);
        r.height = std::clamp(r.height + dy, 1, h - r.top);
    } else {
        r.left = std::clamp(r.left + dx, 0, w - r.width);
        r.top = std::clamp(r.top + dy, 0, h - r.height);
    }
    EditsChanged();
    return true;
}

void CReviewDlg::EndCrop(bool apply)
{
    const ImageRect chosen = m_crop.rect;
    if (m_crop.dragging)
        ::ReleaseCapture();
    m_crop = CropChoice();
    const ImageRect& now = m_edits.State().crop;
    const bool changed = chosen.left != now.left || chosen.top != now.top || chosen.width != now.width ||
                         chosen.height != now.height;
    if (apply && changed && !chosen.Empty())
        ApplyEdit(GifEdit{GifEdit::Kind::Crop, chosen});
    else
        EditsChanged();
}

// The part of the recording the picture shows: all of it while a crop is chosen.
ImageRect CReviewDlg::Shown() const
{
    return m_crop.active ? ImageRect{0, 0, m_review.Width(), m_review.Height()} : m_edits.State().crop;
}

// The picture's area in this window's client coordinates.
RECT CReviewDlg::PictureArea() const
{
    RECT area{};
    HWND picture = GetDlgItem(IDC_REVIEW_PICTURE);
    ::GetClientRect(picture, &area);
    ::MapWindowPoints(picture, m_hWnd, reinterpret_cast<POINT*>(&area), 2);
    return area;
}

// The recording's pixel under a point of this window, kept on the picture; false when the
// point lies off the picture.
bool CReviewDlg::ToPicture(POINT point, POINT* pixel) const
{
    const ImageRect shown = Shown();
    const RECT drawn = FitPicture(PictureArea(), shown.width, shown.height);
    const int drawW = drawn.right - drawn.left, drawH = drawn.bottom - drawn.top;
    if (drawW <= 0 || drawH <= 0)
        return false;
    const bool inside = ::PtInRect(&drawn, point) != FALSE;
    const int x = std::clamp<int>(point.x - drawn.left, 0, drawW - 1), y = std::clamp<int>(point.y - drawn.top, 0, drawH - 1);
    pixel->x = shown.left + static_cast<int>(static_cast<int64_t>(x) * shown.width / drawW);
    pixel->y = shown.top + static_cast<int>(static_cast<int64_t>(y) * shown.height / drawH);
    return inside;
}

void CReviewDlg::OnLButtonDown(UINT flags, POINT point)
{
    POINT pixel{};
    if (m_save || !ToPicture(point, &pixel))
        return CDialog::OnLButtonDown(flags, point);
    if (!m_crop.active) {
        // The picture stands for the file: dragged, it drops the recording as the file
        // manager would.
        POINT screen = point;
        ::ClientToScreen(m_hWnd, &screen);
        if (::DragDetect(m_hWnd, screen)) {
            SetPlaying(false);
            DragFileOut(m_review.Path());
        }
        return;
    }
    m_crop.dragging = true;
    m_crop.anchor = pixel;
    m_crop.rect = ImageRect{pixel.x, pixel.y, 1, 1};
    ::SetCapture(m_hWnd);
    EditsChanged();
}

void CReviewDlg::OnMouseMove(UINT flags, POINT point)
{
    POINT pixel{};
    if (!m_crop.dragging)
        return CDialog::OnMouseMove(flags, point);
    ToPicture(point, &pixel);
    const LONG left = std::min(pixel.x, m_crop.anchor.x), top = std::min(pixel.y, m_crop.anchor.y);
    m_crop.rect = ImageRect{left, top, std::max(pixel.x, m_crop.anchor.x) - left + 1,
                            std::max(pixel.y, m_crop.anchor.y) - top + 1};
    EditsChanged();
}

void CReviewDlg::OnLButtonUp(UINT flags, POINT point)
{
    if (!m_crop.dragging)
        return CDialog::OnLButtonUp(flags, point);
    OnMouseMove(flags, point);
    m_crop.dragging = false;
    ::ReleaseCapture();
}

// The rectangle being chosen, a black and a white line so that it shows on any picture, with
// its size in pixels at its corner.
void CReviewDlg::PaintCropChoice(HDC dc, const RECT& drawn) const
{
    const int w = m_review.Width(), h = m_review.Height();
    const int drawW = drawn.right - drawn.left, drawH = drawn.bottom - drawn.top;
    const ImageRect& c = m_crop.rect;
    RECT r{drawn.left + static_cast<int>(int64_t(c.left) * drawW / w), drawn.top + static_cast<int>(int64_t(c.top) * drawH / h),
           drawn.left + static_cast<int>(int64_t(c.left + c.width) * drawW / w),
           drawn.top + static_cast<int>(int64_t(c.top + c.height) * drawH / h)};
    ::FrameRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    ::InflateRect(&r, -1, -1);
    ::FrameRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    const std::wstring size = std::to_wstring(c.width) + L" × " + std::to_wstring(c.height);
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::SetBkColor(dc, RGB(255, 255, 255));
    ::SetBkMode(dc, OPAQUE);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
    ::TextOutW(dc, r.left + 2, r.top + 2, size.c_str(), static_cast<int>(size.size()));
    ::SelectObject(dc, old);
}
