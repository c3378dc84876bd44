// The main window's part in reviewing a finished recording.
#include "app/recording_file_name.h"
#include "app/ravlin_dlg.h"
#include "app/recording_review.h"
#include "app/review_dlg.h"
#include "win/message_box.h"

// Opens the review window on the recording just finished. False when the user deleted it:
// then nothing more is done with it. A file that cannot be read is said so and kept as it is.
bool CRavlinDlg::ReviewRecording()
{
    CRecordingReview review;
    std::wstring message;
    if (!review.Open(m_filePath, &message)) {
        ShowMessage(m_hWnd, message.c_str());
        return true;
    }
    CReviewDlg dialog(review, this);
    dialog.DoModal();
    if (dialog.Outcome() == ReviewOutcome::SavedCopy) {
        // The copy is what the user will share: the completion actions and the file name
        // line are about it; the recording stays as it was.
        m_filePath = dialog.SavedPath();
        m_fileNameText = FileNamePart(m_filePath);
        InvalidateStatus(2);
    }
    if (dialog.Outcome() != ReviewOutcome::Deleted)
        return true;
    m_fileNameText.clear();
    InvalidateStatus(2);
    return false;
}
