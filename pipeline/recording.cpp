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

EncodeFailure CRecording::Start(EndedHandler ended)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_state != State::Ready || m_captureThread.joinable())
        return EncodeError;
    m_ended = std::move(ended);
    // The clock starts with the request, as the user sees it: the set-up below is part of the
    // recording's time, so the file lasts as long as the user recorded.
    m_clock.Start();
    // The source opens on the thread that captures: a display handle is best used where it was
    // made, and a source that cannot open is a refused start rather than a thread that quietly
    // ends. The encoder is started only for a capture that can run.
    m_captureThread = std::thread(&CRecording::RunCapture, this);
    m_changed.wait(lock, [this] { return m_opened; });
    EncodeFailure failure = m_openOk ? NoFailure : NothingToCapture;
    if (failure == NoFailure) {
        lock.unlock();
        failure = m_encoder->Start([this](EncodeFailure end) { OnEncoderEnded(end); });
        lock.lock();
    }
    if (failure != NoFailure) {
        m_state = State::Ended;
        m_changed.notify_all();
        lock.unlock();
        EndCapture();
        return failure;
    }
    // A failure of the encoder may have ended the run already.
    if (m_state == State::Ready)
        m_state = State::Recording;
    m_changed.notify_all();
    return NoFailure;
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
    bool running = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        running = m_state == State::Recording || m_state == State::Paused || m_state == State::Finishing;
        if (running) {
            m_abandoned = true;
            m_state = State::Finishing;
            m_changed.notify_all();
        }
    }
    if (!running)
        return;
    EndCapture();
    m_encoder->Abort();
}

void CRecording::WaitEnded()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_state == State::Ready)
        return;
    m_changed.wait(lock, [this] { return m_state == State::Ended; });
}

CRecording::State CRecording::GetState() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state;
}

RecordingOutcome CRecording::Outcome() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_outcome;
}

int64_t CRecording::RecordingMs() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state == State::Ready ? 0 : m_clock.Ms();
}

void CRecording::RunCapture()
{
    bool opened = false;
    try {
        opened = m_source->Open();
    } catch (...) {
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    m_opened = true;
    m_openOk = opened;
    m_changed.notify_all();
    if (!opened)
        return;
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
void CRecording::OnEncoderEnded(EncodeFailure failure)
{
    RecordingOutcome outcome;
    outcome.counts = m_encoder->Progress();
    outcome.failure = failure;
    EndedHandler ended;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_abandoned)
            outcome.end = RecordingOutcome::End::Abandoned;
        else
            outcome.end = failure == NoFailure ? RecordingOutcome::End::Completed : RecordingOutcome::End::Failed;
        m_outcome = outcome;
        m_state = State::Ended;
        ended = m_ended;
        m_changed.notify_all();
    }
    if (ended)
        ended(outcome);
}
