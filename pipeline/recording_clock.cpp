#include "pipeline/recording_clock.h"

void CRecordingClock::Start(Clock::time_point now)
{
    m_start = now;
    m_paused = Clock::duration::zero();
    m_isPaused = false;
}

void CRecordingClock::Pause(Clock::time_point now)
{
    if (m_isPaused)
        return;
    m_isPaused = true;
    m_pauseStart = now;
}

void CRecordingClock::Resume(Clock::time_point now)
{
    if (!m_isPaused)
        return;
    m_isPaused = false;
    m_paused += now - m_pauseStart;
}

int64_t CRecordingClock::Ms(Clock::time_point now) const
{
    const Clock::time_point end = m_isPaused ? m_pauseStart : now;
    return std::chrono::duration_cast<std::chrono::milliseconds>(end - m_start - m_paused).count();
}
