#pragma once
#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

// One recording's "stop now", shared by everything that works for it. The recording cancels it
// to abandon the recording; the writer cancels it when the run ends early, at a failure or at
// the size limit. The admission, the pool and the frame builder look at it between steps, and
// the pool's sleeping threads are woken by it. It is set once and never cleared: a new
// recording has a new one.
class CCancellation {
public:
    CCancellation() = default;
    CCancellation(const CCancellation&) = delete;
    CCancellation& operator=(const CCancellation&) = delete;

    void Cancel();
    bool Cancelled() const { return m_cancelled.load(); }

    // Calls `wake` once when the cancellation comes, on the thread that cancels (at once when it
    // has come already), for as long as it lives. `wake` must not take a lock held around the
    // making or ending of a CWake.
    class CWake {
    public:
        CWake(const CCancellation& cancellation, std::function<void()> wake);
        ~CWake();
        CWake(const CWake&) = delete;
        CWake& operator=(const CWake&) = delete;

    private:
        friend class CCancellation;
        const CCancellation& m_cancellation;
        std::function<void()> m_wake;
    };

private:
    std::atomic<bool> m_cancelled{false};
    mutable std::mutex m_lock;
    mutable std::vector<CWake*> m_wakes;  // guarded by m_lock
};
