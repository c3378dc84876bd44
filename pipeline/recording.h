#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "pipeline/cancellation.h"
#include "pipeline/frame_encoder.h"
#include "pipeline/frame_source.h"
#include "pipeline/recording_clock.h"
#include "pipeline/wake_lead.h"

// How a recording ended, handed over once by the ended event.
struct RecordingOutcome {
    enum class End { Completed, Failed, Abandoned };
    End end = End::Completed;
    EncodeFailure failure = NoFailure;  // why, when Failed
    bool atSizeLimit = false;           // Completed at the last frame that fits the size limit
    EncoderProgress counts;             // frames received, kept in the file, dropped
};

// What Start came to: Started, or why nothing runs (and no ended event follows).
struct RecordingStart {
    enum class Result { Started, AlreadyStarted, NothingToCapture, EncoderRefused };
    Result result = Result::Started;
    EncodeFailure failure = NoFailure;  // why, when EncoderRefused
};

// One recording, from Start to its ended event: it owns the frame source, the encoder, the
// capture thread and the run's cancellation, and its state is one value. Capture runs on its own
// thread at a fixed interval and sleeps while paused; it is woken by a change of state, never by
// polling. The encoder ends the run on its own thread (after Finish, the cancellation or a
// failure) and the recording then raises the ended event there with the outcome; the owner
// typically posts it to its window.
//
// Start, Pause, Resume, Finish, Abort and the destructor belong to one owner thread.
class CRecording {
public:
    // Finishing: capture has ended, the encoder writes out what it has. Aborting: the same after
    // the cancellation, and the recording ends Abandoned whatever the encoder says.
    enum class State { Ready, Recording, Paused, Finishing, Aborting, Ended };
    using EndedHandler = std::function<void(const RecordingOutcome&)>;

    CRecording(std::unique_ptr<IFrameSource> source, std::unique_ptr<IFrameEncoder> encoder, int32_t intervalMs);
    // Abandons a recording still running: no file is left.
    ~CRecording();
    CRecording(const CRecording&) = delete;
    CRecording& operator=(const CRecording&) = delete;

    // Opens the source, then starts the encoder, then capture.
    RecordingStart Start(EndedHandler ended);
    void Pause();
    // Capture goes on from `rect` (the region may have moved while paused).
    void Resume(const CaptureRect& rect);
    // Ends capture; the encoder writes out what it has and the ended event follows.
    void Finish();
    // Ends capture and cancels the run: what is in flight is dropped and no file is left.
    // Returns after the ended event.
    void Abort();
    // Waits for the ended event (after Finish or a failure).
    void WaitEnded();

    EncoderProgress Progress() const { return m_encoder->Progress(); }
    std::wstring FilePath() const { return m_encoder->FilePath(); }

private:
    void RunCapture(std::promise<bool> opened);
    void CaptureLoop(std::unique_lock<std::mutex>& lock);
    void WaitForSlot(std::unique_lock<std::mutex>& lock, std::chrono::steady_clock::time_point slot);
    void EndCapture();
    void OnEncoderEnded(const EncodeEnd& end);

    const int32_t m_intervalMs;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;  // the state changed
    // Guarded by m_mutex:
    State m_state = State::Ready;
    CRecordingClock m_clock;
    // Outlives the encoder, whose threads look at it to the end.
    CCancellation m_cancel;
    // Destroyed after the source and the capture thread, before the lock and state it reports to.
    std::unique_ptr<IFrameEncoder> m_encoder;
    std::unique_ptr<IFrameSource> m_source;
    EndedHandler m_ended;
    std::thread m_captureThread;
    CWakeLead m_wakeLead;  // the capture thread's own
};
