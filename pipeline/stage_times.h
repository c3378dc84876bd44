#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>

// The stages of the frame path a benchmark times.
enum class Stage { Scale, Convert, Encode, Write };

// Time spent per stage, summed over a run, from any thread. The frame path times itself only
// when it is given one of these; otherwise the timers below do nothing.
class CStageTimes {
public:
    void Add(Stage stage, std::chrono::steady_clock::duration spent)
    {
        m_ns[static_cast<int>(stage)] += std::chrono::duration_cast<std::chrono::nanoseconds>(spent).count();
    }
    double Ms(Stage stage) const { return static_cast<double>(m_ns[static_cast<int>(stage)]) / 1e6; }

private:
    std::atomic<int64_t> m_ns[4] = {};
};

// Adds the time from its making to its end to one stage of `times`, when there are times.
class CStageTimer {
public:
    CStageTimer(CStageTimes* times, Stage stage)
        : m_times(times), m_stage(stage)
    {
        if (m_times)
            m_start = std::chrono::steady_clock::now();
    }
    ~CStageTimer()
    {
        if (m_times)
            m_times->Add(m_stage, std::chrono::steady_clock::now() - m_start);
    }
    CStageTimer(const CStageTimer&) = delete;
    CStageTimer& operator=(const CStageTimer&) = delete;

private:
    CStageTimes* const m_times;
    const Stage m_stage;
    std::chrono::steady_clock::time_point m_start{};
};
