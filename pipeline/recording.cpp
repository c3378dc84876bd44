#include "pipeline/recording.h"

#include <chrono>
#include <utility>

CRecording::CRecording(std::unique_ptr<IFrameSource> source, std::unique_ptr<IFrameEncoder> encoder,
                       int32_t intervalMs)
    : m_intervalMs(intervalMs), m_encoder(std::move(encoder)), m_source(std::move(source))
{
}

CRecording::~CRecording()
{
    Abort();
    EndCapture();
}

RecordingStart CRecording::Start(EndedHandler ended)
{
    using Result = RecordingStart::Result;
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_state != State::Ready || m_captureThread.joinable())
        return {Result::AlreadyStarted, NoFailure};
    m_ended = std::move(ended);
    // The clock starts with the request, as the user sees it: the set-up below is part of the
    // recording's time, so the file lasts as long as the user recorded.
    m_clock.Start();
    // The source opens on the thread that captures: a display handle is best used where it was
    // made, and a source that cannot open is a refused start rather than a thread that quietly
    // ends. The encoder is started only for a capture that can run.
    std::promise<bool> opened;
    std::future<bool> openResult = opened.get_future();
    m_captureThread = std::thread(&CRecording::RunCapture, this, std::move(opened));
    lock.unlock();
    RecordingStart start;
    if (!openResult.get()) {
        start.result = Result::NothingToCapture;
    } else {
        start.failure = m_encoder->Start(m_cancel, [this](const EncodeEnd& end) { OnEncoderEnded(end); });
        if (start.failure != NoFailure)
            start.result = Result::EncoderRefused;
    }
    lock.lock();
    if (start.result != Result::Started) {
        m_state = State::Ended;
        m_changed.notify_all();
        lock.unlock();
        EndCapture();
        return start;
    }
    // A failure of the encoder may have ended the run already.
    if (m_state == State::Ready)
        m_state = State::Recording;
    m_changed.notify_all();
    return start;
}

void CRecording::Pause()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_state != State::Recording)
        return;
    m_clock.Pause();
    m_state = State::Paused;
    m_changed.notify_all();
}

void CRecording::Resume(const CaptureRect& rect)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_state != State::Paused)
        return;
    // The capture thread waits on the lock held here, so the source is not in use.
    m_source->MoveTo(rect);
    m_clock.Resume();
    m_state = State::Recording;
    m_changed.notify_all();
}

void CRecording::Finish()
{
    int64_t endMs = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_state != State::Recording && m_state != State::Paused)
            return;
        m_state = State::Finishing;
        endMs = m_clock.Ms();
        m_changed.notify_all();
    }
    // No frame may reach the encoder after it is told that none follow.
    EndCapture();
    m_encoder->Finish(endMs);
}

void CRecording::Abort()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_state != State::Recording && m_state != State::Paused && m_state != State::Finishing)
            return;
        m_state = State::Aborting;
        m_changed.notify_all();
    }
    m_cancel.Cancel();
    EndCapture();
    WaitEnded();
}

void CRecording::WaitEnded()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_state == State::Ready)
        return;
    m_changed.wait(lock, [this] { return m_state == State::Ended; });
}

void CRecording::RunCapture(std::promise<bool> opened)
{
    bool ok = false;
    try {
        ok = m_source->Open();
    } catch (...) {
    }
    opened.set_value(ok);
    if (!ok)
        return;
    std::unique_lock<std::mutex> lock(m_mutex);
    try {
        CaptureLoop(lock);
    } catch (...) {
        // A capture that failed ends quietly; the frames before it are still finished.
    }
}

// Start to start: a late frame is followed at once, missed slots are not caught up.
void CRecording::CaptureLoop(std::unique_lock<std::mutex>& lock)
{
    const auto interval = std::chrono::milliseconds(m_intervalMs > 0 ? m_intervalMs : 1);
    for (;;) {
        m_changed.wait(lock, [this] { return m_state != State::Ready && m_state != State::Paused; });
        if (m_state != State::Recording)
            return;
        const auto started = std::chrono::steady_clock::now();
        const int64_t ms = m_clock.Ms(started);
        lock.unlock();
        m_source->CaptureFrame(ms);
        lock.lock();
        WaitForSlot(lock, started + interval);
    }
}

// The next frame starts at its slot, not after it: the wait aims a little early and the rest is
// spun, unlocked, so that the lateness of a timed wait does not add to every frame's interval.
void CRecording::WaitForSlot(std::unique_lock<std::mutex>& lock, std::chrono::steady_clock::time_point slot)
{
    const auto stop = [this] { return m_state != State::Recording; };
    const auto now = std::chrono::steady_clock::now();
    if (now >= slot)
        return;
    const auto aim = slot - m_wakeLead.Lead();
    if (aim > now) {
        if (m_changed.wait_until(lock, aim, stop))
            return;
        m_wakeLead.Woke(std::chrono::steady_clock::now() - aim);
    }
    lock.unlock();
    while (std::chrono::steady_clock::now() < slot) {
    }
    lock.lock();
}

void CRecording::EndCapture()
{
    if (m_captureThread.joinable())
        m_captureThread.join();
}

// On the encoder's thread, as its last act of the run.
void CRecording::OnEncoderEnded(const EncodeEnd& end)
{
    RecordingOutcome outcome;
    outcome.counts = m_encoder->Progress();
    outcome.failure = end.failure;
    outcome.atSizeLimit = end.atSizeLimit;
    EndedHandler ended;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_state == State::Aborting)
            outcome.end = RecordingOutcome::End::Abandoned;
        else
            outcome.end = end.failure == NoFailure ? RecordingOutcome::End::Completed : RecordingOutcome::End::Failed;
        m_state = State::Ended;
        ended = m_ended;
        m_changed.notify_all();
    }
    if (ended)
        ended(outcome);
}
