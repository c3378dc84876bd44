// The typed region size, asked from the system menu or from the selection overlay.
#include "app/ravlin_dlg.h"

#include "app/region_size_dlg.h"
#include "region/screen_geometry.h"
#include "win/monitors.h"

namespace {

const SIZE kFirstTypedSize{640, 480};

}  // namespace

void CRavlinDlg::OnRegionSize()
{
    // A recording's region stays until the recording is stopped.
    if (m_state != State::NoRegion && m_state != State::RegionChosen)
        return;
    // A region on screen is resized around its centre; otherwise (the overlay makes way for the
    // dialog) the region goes in the middle of the monitor under the pointer.
    const bool resize = m_overlay.ShowsRegion();
    RECT around = m_overlay.GetCaptureRect();
    if (!resize) {
        SetState(State::NoRegion);
        POINT pointer{};
        ::GetCursorPos(&pointer);
        const RECT at{pointer.x, pointer.y, pointer.x + 1, pointer.y + 1};
        around = MonitorRectOf(at);
    }
    const RECT bounds = MonitorRectOf(around);
    const SIZE shown = resize ? SIZE{around.right - around.left, around.bottom - around.top} : kFirstTypedSize;
    CRegionSizeDlg dialog(this, shown, SIZE{bounds.right - bounds.left, bounds.bottom - bounds.top});
    if (dialog.DoModal() != IDOK)
        return;
    const SIZE size = dialog.Size();
    m_overlay.ShowRegion(RegionOfSize(size.cx, size.cy, around, bounds).rect);
    SetState(State::RegionChosen);
}
