#pragma once
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "pipeline/cancellation.h"

class CFrameAdmission;

// One admitted frame's share of the budget, from its admission until it is written or dropped;
// the bytes go back when it is released or destroyed. Empty when the frame was refused.
class CFrameClaim {
public:
    CFrameClaim() = default;
    ~CFrameClaim() { Release(); }
    CFrameClaim(CFrameClaim&& other) noexcept;
    CFrameClaim& operator=(CFrameClaim&& other) noexcept;
    CFrameClaim(const CFrameClaim&) = delete;
    CFrameClaim& operator=(const CFrameClaim&) = delete;

    explicit operator bool() const { return m_admission != nullptr; }
    uint32_t Bytes() const { return m_bytes; }
    void Release();

private:
    friend class CFrameAdmission;
    CFrameClaim(CFrameAdmission* admission, uint32_t bytes) : m_admission(admission), m_bytes(bytes) {}

    CFrameAdmission* m_admission = nullptr;
    uint32_t m_bytes = 0;
};

// Decides whether a captured frame enters the frame path. A 32-bit process cannot afford an
// unbounded backlog when capture outruns encoding, and a user should not wait minutes after
// Stop: a frame is dropped, and counted, when the frames in flight (queued, being built,
// waiting to be written) leave no room for it in the byte budget, or would already take the
// workers longer than kMaxBacklogMs at their pace so far. Once the run is cancelled every
// frame is refused without being counted: the run is ending.
// Claims come from the capture thread; the workers report their pace and any thread may
// release a claim. Claims must not outlive the admission.
class CFrameAdmission {
public:
    static constexpr uint64_t kDefaultBudget = 256ull << 20;
    static constexpr double kMaxBacklogMs = 3000;

    explicit CFrameAdmission(uint64_t budget = kDefaultBudget) : m_budget(budget) {}
    CFrameAdmission(const CFrameAdmission&) = delete;
    CFrameAdmission& operator=(const CFrameAdmission&) = delete;

    // A new run on `threads` workers, ended early by `cancel` (which outlives the run): frames
    // are accepted, none is dropped, the pace is unknown.
    void Open(int threads, const CCancellation& cancel);
    // Room for a frame of `bytes` pixel bytes while `inFlight` frames are in flight; an empty
    // claim when it is refused. A frame of no bytes is refused without being counted.
    CFrameClaim Claim(uint32_t bytes, size_t inFlight);
    // One frame built by a worker in `spent`.
    void Built(std::chrono::steady_clock::duration spent);

    int32_t Dropped() const { return m_dropped; }
    uint64_t ClaimedBytes() const;

private:
    friend class CFrameClaim;
    void GiveBack(uint32_t bytes);
    // How long the workers would take to build `inFlight` frames at their pace so far.
    double BacklogMs(size_t inFlight) const;

    const uint64_t m_budget;
    mutable std::mutex m_lock;
    uint64_t m_claimed = 0;  // guarded by m_lock
    std::atomic<const CCancellation*> m_cancel{nullptr};  // the run's; none before the first
    std::atomic<int> m_threads{1};
    std::atomic<int32_t> m_dropped{0};
    std::atomic<int64_t> m_builtNs{0};  // whole builds, for the pace
    std::atomic<int32_t> m_built{0};
};
