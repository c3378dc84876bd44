#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "pipeline/frame_encoder.h"
#include "pipeline/frame_source.h"
#include "pipeline/recording_clock.h"
#include "pipeline/wake_lead.h"

// How a recording ended, handed over once by the ended event.
struct RecordingOutcome {
    enum class End { Completed, Failed, Abandoned };
    End end = End::Completed;
    EncodeFailure failure = NoFailure;  // why, when Failed
    EncoderProgress counts;             // frames received, kept in the file, dropped
};

// One recording, from Start to its ended event: it owns the frame source, the encoder and the
// capture thread, and its state is one value. Capture runs on its own thread at a fixed interval
// and sleeps while paused; it is woken by a change of state, never by polling. The encoder ends
// the run on its own thread (after Finish, Abort or a failure) and the recording then raises the
// ended event there; the owner typically posts it to its window.
//
// Start, Pause, Resume, Finish, Abort and the destructor belong to one owner thread.
class CRecording {
public:
    enum class State { Ready, Recording, Paused, Finishing, Ended };
    using EndedHandler = std::function<void(const RecordingOutcome&)>;

    CRecording(std::unique_ptr<IFrameSource> source, std::unique_ptr<IFrameEncoder> encoder, int32_t intervalMs);
    // Abandons a recording still running: no file is left.
    ~CRecording();
    CRecording(const CRecording&) = delete;
    CRecording& operator=(const CRecording&) = delete;

    // Opens the source, then starts the encoder, then capture: NoFailure when it runs. On any
    // other value nothing runs and the ended event never comes.
    EncodeFailure Start(EndedHandler ended);
    void Pause();
    // Capture goes on from `rect` (the region may have moved while paused).
    void Resume(const CaptureRect& rect);
    // Ends capture; the encoder writes out what it has and the ended event follows.
    void Finish();
    // Ends capture and drops what is in flight; no file is left. Returns after the ended event.
    void Abort();
    // Waits for the ended event (after Finish or a failure).
    void WaitEnded();

    State GetState() const;
    // What the ended event carried; meaningful once the state is Ended.
    RecordingOutcome Outcome() const;
    EncoderProgress Progress() const { return m_encoder->Progress(); }
    std::wstring FilePath() const { return m_encoder->FilePath(); }
    // Milliseconds recorded so far, pauses left out.
    int64_t RecordingMs() const;

private:
    void RunCapture();
    void CaptureLoop(std::unique_lock<std::mutex>& lock);
    void WaitForSlot(std::unique_lock<std::mutex>& lock, std::chrono::steady_clock::time_point slot);
    void EndCapture();
    void OnEncoderEnded(EncodeFailure failure);

    const int32_t m_intervalMs;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;  // the state changed, or the source has opened
    // Guarded by m_mutex:
    State m_state = State::Ready;
    bool m_opened = false;    // the capture thread has tried to open the source
    bool m_openOk = false;
    bool m_abandoned = false;
    CRecordingClock m_clock;
    RecordingOutcome m_outcome;
    // Destroyed after the source and the capture thread, before the lock and state it reports to.
    std::unique_ptr<IFrameEncoder> m_encoder;
    std::unique_ptr<IFrameSource> m_source;
    EndedHandler m_ended;
    std::thread m_captureThread;
    CWakeLead m_wakeLead;  // the capture thread's own
};
