// The main window's part in the countdown before a recording.
#include "app/ravlin_dlg.h"

// Starts the countdown when one is set; true when it runs (the recording starts when it ends).
bool CRavlinDlg::StartCountdown()
{
    if (m_countdown.Running())
        return true;
    const int seconds = UsableSettings(m_settings).countdownSeconds;
    if (seconds <= 0)
        return false;
    m_countdown.Start(this, m_overlay.GetCaptureRect(), seconds);
    return m_countdown.Running();
}

// The countdown ran out: the recording starts on the region as it is now, if one is still
// chosen and nothing else has started meanwhile. Cancelled, nothing happens.
void CRavlinDlg::OnCountdownEnded(bool ranOut)
{
    if (ranOut && m_state == State::RegionChosen)
        StartRecording();
}
