#pragma once
#include <chrono>
#include <cstdint>

// Milliseconds since the recording started, less the time spent paused. Not thread-safe: its
// owner guards it.
class CRecordingClock {
public:
    using Clock = std::chrono::steady_clock;

    void Start(Clock::time_point now = Clock::now());
    void Pause(Clock::time_point now = Clock::now());
    void Resume(Clock::time_point now = Clock::now());
    int64_t Ms(Clock::time_point now = Clock::now()) const;

private:
    Clock::time_point m_start{};
    Clock::duration m_paused{};
    bool m_isPaused = false;
    Clock::time_point m_pauseStart{};
};
