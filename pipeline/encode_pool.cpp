#include "pipeline/encode_pool.h"

#include <cstdlib>
#include <utility>

CEncodePool::~CEncodePool()
{
    Finish();
    Join();
}

bool CEncodePool::Start(int threads, const CCancellation& cancel)
{
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_jobs.clear();
        m_slots.clear();
        m_submitted = 0;
        m_taken = 0;
        m_finishing = false;
        m_cancel = &cancel;
    }
    // Made outside the lock that the wake takes.
    m_wake = std::make_unique<CCancellation::CWake>(cancel, [this] {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_workReady.notify_all();
        m_frameReady.notify_all();
    });
    if (threads < 1)
        threads = 1;
    try {
        for (int i = 0; i < threads; ++i)
            m_workers.emplace_back(&CEncodePool::RunWorker, this);
    } catch (...) {
        // A machine that cannot start one more thread can still use those it started.
    }
    return !m_workers.empty();
}

bool CEncodePool::Submit(Job job)
{
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        if (!Cancelled() && !m_finishing) {
            try {
                m_slots.emplace(m_submitted, Slot());
                m_jobs.emplace_back(m_submitted, std::move(job));
            } catch (const std::bad_alloc&) {
                m_slots.erase(m_submitted);  // the place, if it was made
                return false;
            }
            ++m_submitted;
            m_workReady.notify_one();
            return true;
        }
    }
    return false;  // the job goes here, outside the lock
}

void CEncodePool::Finish()
{
    std::lock_guard<std::mutex> hold(m_mutex);
    m_finishing = true;
    m_workReady.notify_all();
    m_frameReady.notify_all();
}

void CEncodePool::Join()
{
    for (std::thread& worker : m_workers)
        if (worker.joinable())
            worker.join();
    m_workers.clear();
    m_wake.reset();
    std::deque<std::pair<uint64_t, Job>> dropped;
    std::map<uint64_t, Slot> unwritten;
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        dropped.swap(m_jobs);
        unwritten.swap(m_slots);
    }
    // Freed outside the lock: what a job holds may take locks of its own as it goes.
}

CEncodePool::Next CEncodePool::TakeInOrder(CEncodedFrame* frame)
{
    std::unique_lock<std::mutex> hold(m_mutex);
    for (;;) {
        if (Cancelled())
            return Next::Stopped;
        const auto next = m_slots.find(m_taken);
        if (next != m_slots.end() && next->second.done) {
            *frame = std::move(next->second.frame);
            m_slots.erase(next);
            ++m_taken;
            return Next::Frame;
        }
        if (m_finishing && m_taken == m_submitted)
            return Next::Drained;
        m_frameReady.wait(hold);
    }
}

size_t CEncodePool::InFlight()
{
    std::lock_guard<std::mutex> hold(m_mutex);
    return static_cast<size_t>(m_submitted - m_taken);
}

// Each worker's working memory is its own and goes when the worker ends with the run.
void CEncodePool::RunWorker()
{
    CFrameWorkspace workspace;
    for (;;) {
        std::pair<uint64_t, Job> job;
        {
            std::unique_lock<std::mutex> hold(m_mutex);
            m_workReady.wait(hold, [this] { return Cancelled() || m_finishing || !m_jobs.empty(); });
            if (Cancelled() || m_jobs.empty())
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        CEncodedFrame result;
        try {
            job.second(workspace, result);
        } catch (...) {
            result.built = false;
            result.error = std::current_exception();
        }
        job.second = nullptr;  // the frame's pixels go now, not when the writer has it
        std::lock_guard<std::mutex> hold(m_mutex);
        if (Cancelled())
            continue;  // result is freed at the end of this pass, after the lock
        Slot& slot = m_slots[job.first];  // there since Submit: only Join removes it
        slot.frame = std::move(result);
        slot.done = true;
        if (job.first == m_taken)
            m_frameReady.notify_all();
    }
}

int EncodeThreadCount()
{
    if (const char* text = std::getenv("RAVLIN_ENCODE_THREADS")) {
        char* end = nullptr;
        const long n = std::strtol(text, &end, 10);
        if (*text != '\0' && *end == '\0' && n >= 1 && n <= 16)
            return static_cast<int>(n);
    }
    const unsigned processors = std::thread::hardware_concurrency();
    if (processors < 1)
        return 1;
    return processors > 8 ? 8 : static_cast<int>(processors);
}
