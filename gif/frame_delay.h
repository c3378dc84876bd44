#pragma once
// Frame delays that follow the clock: each frame is shown for the time that really passed
// until the next capture, in the hundredths of a second a GIF can hold.
#include <cstdint>

// Turns capture times (milliseconds, any origin) into GIF delays. The delays are rounded so
// that their running sum stays within half a hundredth of the time since the first frame:
// what one frame loses to rounding the next gets back, so a long recording does not drift.
// A delay is never below kMinDelay, because players show shorter ones at their own default
// speed; frames that came faster than that borrow from the frames after them.
class CFrameDelays {
public:
    static constexpr uint16_t kMinDelay = 2;
    static constexpr uint16_t kMaxDelay = 0xFFFF;

    explicit CFrameDelays(int64_t firstCaptureMs) : m_firstMs(firstCaptureMs) {}

    // The delay of the frame before the one captured at nextCaptureMs (or of the last frame,
    // given the time the recording ended).
    uint16_t Next(int64_t nextCaptureMs);

private:
    int64_t m_firstMs;
    int64_t m_emitted = 0;  // hundredths handed out so far
};

