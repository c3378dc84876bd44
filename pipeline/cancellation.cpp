#include "pipeline/cancellation.h"

#include <algorithm>
#include <utility>

void CCancellation::Cancel()
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_cancelled.exchange(true))
        return;
    for (CWake* wake : m_wakes)
        wake->m_wake();
}

CCancellation::CWake::CWake(const CCancellation& cancellation, std::function<void()> wake)
    : m_cancellation(cancellation), m_wake(std::move(wake))
{
    std::lock_guard<std::mutex> hold(m_cancellation.m_lock);
    m_cancellation.m_wakes.push_back(this);
    if (m_cancellation.Cancelled())
        m_wake();
}

CCancellation::CWake::~CWake()
{
    std::lock_guard<std::mutex> hold(m_cancellation.m_lock);
    auto& wakes = m_cancellation.m_wakes;
    wakes.erase(std::find(wakes.begin(), wakes.end(), this));
}
