// The main window's part in the countdown before a recording.
#include "app/ravlin_dlg.h"

// Record with a region chosen: the countdown when one is set (and its window could be shown),
// else the recording at once.
void CRavlinDlg::StartCountdownOrRecording()
{
    const int seconds = UsableSettings(m_settings).countdownSeconds;
    if (seconds > 0 && m_countdown.Start(this, m_overlay.GetCaptureRect(), seconds)) {
        SetState(State::CountingDown);
        return;
    }
    StartRecording();
}

// The count ran out, or Esc cancelled it. Ran out, the recording starts on the region as it is
// now. A countdown the window itself cancelled says nothing; a count that runs again was started
// after the one that sent this.
void CRavlinDlg::OnCountdownEnded(bool ranOut)
{
    if (m_state != State::CountingDown || m_countdown.Running())
        return;
    SetState(State::RegionChosen);
    if (ranOut)
        StartRecording();
}
