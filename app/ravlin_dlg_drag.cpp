// The tool window's file name line after a recording stands for the file: dragged, it drops
// the recording into a chat, a mail or a folder.
#include "app/file_drag.h"
#include "app/ravlin_dlg.h"

void CRavlinDlg::OnLButtonDown(UINT flags, POINT point)
{
    if (!m_recording && !m_fileNameText.empty() && ::PtInRect(&m_statusRects[2], point)) {
        POINT screen = point;
        ::ClientToScreen(m_hWnd, &screen);
        if (::DragDetect(m_hWnd, screen)) {
            DragFileOut(m_filePath);
            return;
        }
    }
    CSkinnedFrameDlg::OnLButtonDown(flags, point);
}
