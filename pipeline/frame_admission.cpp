#include "pipeline/frame_admission.h"

CFrameClaim::CFrameClaim(CFrameClaim&& other) noexcept : m_admission(other.m_admission), m_bytes(other.m_bytes)
{
    other.m_admission = nullptr;
    other.m_bytes = 0;
}

CFrameClaim& CFrameClaim::operator=(CFrameClaim&& other) noexcept
{
    if (this != &other) {
        Release();
        m_admission = other.m_admission;
        m_bytes = other.m_bytes;
        other.m_admission = nullptr;
        other.m_bytes = 0;
    }
    return *this;
}

void CFrameClaim::Release()
{
    if (m_admission)
        m_admission->GiveBack(m_bytes);
    m_admission = nullptr;
    m_bytes = 0;
}

void CFrameAdmission::Open(int threads, const CCancellation& cancel)
{
    m_cancel = &cancel;
    m_threads = threads > 0 ? threads : 1;
    m_dropped = 0;
    m_builtNs = 0;
    m_built = 0;
}

CFrameClaim CFrameAdmission::Claim(uint32_t bytes, size_t inFlight)
{
    const double backlogMs = BacklogMs(inFlight);
    const CCancellation* cancel = m_cancel;
    if (!cancel || cancel->Cancelled() || bytes == 0)
        return CFrameClaim();
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_claimed + bytes > m_budget || backlogMs > kMaxBacklogMs) {
        ++m_dropped;
        return CFrameClaim();
    }
    m_claimed += bytes;
    return CFrameClaim(this, bytes);
}

void CFrameAdmission::Built(std::chrono::steady_clock::duration spent)
{
    m_builtNs += std::chrono::duration_cast<std::chrono::nanoseconds>(spent).count();
    ++m_built;
}

uint64_t CFrameAdmission::ClaimedBytes() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_claimed;
}

void CFrameAdmission::GiveBack(uint32_t bytes)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_claimed -= bytes;
}

double CFrameAdmission::BacklogMs(size_t inFlight) const
{
    const int32_t built = m_built;
    if (built == 0)
        return 0;
    const double perFrameMs = static_cast<double>(m_builtNs) / 1e6 / built;
    return perFrameMs * static_cast<double>(inFlight) / m_threads;
}
