#include "gif/frame_delay.h"

uint16_t CFrameDelays::Next(int64_t nextCaptureMs)
{
    int64_t elapsed = nextCaptureMs - m_firstMs;
    if (elapsed < 0)
        elapsed = 0;
    const int64_t due = (elapsed + 5) / 10;  // hundredths since the first frame, half up
    int64_t delay = due - m_emitted;
    if (delay < kMinDelay)
        delay = kMinDelay;
    if (delay > kMaxDelay)
        delay = kMaxDelay;
    m_emitted += delay;
    return static_cast<uint16_t>(delay);
}
