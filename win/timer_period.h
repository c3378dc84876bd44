#pragma once
// The system timer's tick, asked finer for as long as the owner lives. Windows ends timed waits
// on that tick, 15.6 ms unless some program asks for less; the request is the whole system's,
// so it is given back as soon as it is not needed. Users link winmm.
#include <windows.h>
#include <mmsystem.h>

#include <utility>

class CTimerPeriod {
public:
    CTimerPeriod() = default;
    // Asks for a tick of ms milliseconds; a request Windows refused is not given back.
    explicit CTimerPeriod(UINT ms) : m_ms(::timeBeginPeriod(ms) == TIMERR_NOERROR ? ms : 0) {}
    ~CTimerPeriod() { Release(); }
    CTimerPeriod(CTimerPeriod&& other) noexcept : m_ms(std::exchange(other.m_ms, 0)) {}
    CTimerPeriod& operator=(CTimerPeriod&& other) noexcept
    {
        if (this != &other) {
            Release();
            m_ms = std::exchange(other.m_ms, 0);
        }
        return *this;
    }
    CTimerPeriod(const CTimerPeriod&) = delete;
    CTimerPeriod& operator=(const CTimerPeriod&) = delete;

private:
    void Release()
    {
        if (m_ms)
            ::timeEndPeriod(m_ms);
        m_ms = 0;
    }

    UINT m_ms = 0;
};
