#pragma once
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "gif/byte_sink.h"
#include "pipeline/encode_pool.h"
#include "pipeline/frame_admission.h"
#include "pipeline/frame_encoder.h"
#include "pipeline/stage_times.h"
#include "record/frame_builder.h"
#include "record/screen_capture.h"

// What one recording is encoded into. Only the rectangle's width and height are used: every
// frame is scaled to exactly that size. The low 16 bits of frameDelay (hundredths of a second)
// go into every frame. compact: each frame holds only what changed since the one before.
struct EncoderParams {
    // The name wanted; when it is taken the file gets the next free numbered name.
    std::wstring fileName;
    RECT outputRect = {0, 0, 0, 0};
    int32_t frameDelay = 0;
    // Each frame is shown for the time until the next capture instead of frameDelay.
    bool trueSpeed = false;
    bool compact = false;
    uint32_t plays = 0;  // how many times the GIF plays; 0 for ever
    // The file never grows past this many bytes: the recording ends at the last frame that
    // fits. 0: no limit.
    int64_t maxBytes = 0;
};

// Where a run is: Idle before Start, Encoding until the writer has ended, then Finished (the file
// is complete, or removed after Abort) or Failed (Failure says why).
enum EncodeStatus : int32_t { Idle = 0, Encoding = 1, Finished = 2, Failed = 3 };

// Runs the encoding of one recording into a looping GIF: frames the admission lets in go to a
// pool of workers, which build them side by side (CFrameBuilder), and one writer thread appends
// them to the file in capture order (COrderedWriter), so the file is the same for any number of
// workers.
// One object per recording, owned by the recording, which starts and ends it; the screen capture
// feeds it. The writer ends each run by calling the ended handler as its last act.
class CGifEncoder : public IFrameEncoder, public ICanvasSink {
public:
    // Pixel bytes the frames in flight may hold before AddFrame drops frames.
    static constexpr uint64_t kDefaultQueueBudget = CFrameAdmission::kDefaultBudget;

    // threads: workers building frames; 0 for EncodeThreadCount().
    explicit CGifEncoder(uint64_t queueBudget = kDefaultQueueBudget, int threads = 0);
    ~CGifEncoder() override;
    CGifEncoder(const CGifEncoder&) = delete;
    CGifEncoder& operator=(const CGifEncoder&) = delete;

    void SetParams(EncoderParams params) { m_params = std::move(params); }
    EncodeFailure Start(EndedHandler ended = nullptr) override;
    // A captured frame; false when it was dropped (the budget, or the run is ending).
    bool AddFrame(CMemCanvas& canvas) override;
    void Finish(int64_t endMs) override;
    void Abort() override;
    EncoderProgress Progress() const override;
    std::wstring FilePath() const override;

    EncodeStatus Status() const { return static_cast<EncodeStatus>(m_status.load()); }
    EncodeFailure Failure() const { return static_cast<EncodeFailure>(m_failure.load()); }
    // Waits up to timeoutMs for the writer to end the run; the status then.
    EncodeStatus WaitEnded(DWORD timeoutMs = INFINITE);
    int Threads() const { return m_threads; }
    // The most frames that have been in flight at once in this run.
    int32_t MaxInFlight();
    // Times the stages of the frame path into `times` (for the benchmark); null for none.
    // Only before Start.
    void TimeStages(CStageTimes* times) { m_times = times; }

protected:
    // Where the bytes go: a new file at *path or the next free numbered name, *path set to it;
    // null when it cannot be created, with the reason in GetLastError. Tests put a sink here
    // that fails like a full disk.
    virtual std::unique_ptr<IRewindableSink> OpenOutput(std::wstring* path);
    // Tells the user that the worker failed on an exception ("Encode catch error!").
    virtual void ReportError();
    // One frame's image bytes, on a worker thread; leaves result->built false when the frame
    // cannot be built. Tests make chosen frames fail here.
    virtual void EncodeFrame(const CFrameJob& job, CFrameWorkspace& workspace, CEncodedFrame* result);

private:
    void RunWriter();
    EncodeFailure WriteLoop();
    void RefuseFrames();
    void EndWriter(EncodeFailure failure);
    void JoinWriter();

    const int m_threads;
    EncoderParams m_params;
    EncoderParams m_runParams;  // the run's copy, taken by Start; read-only while it runs
    EndedHandler m_ended;       // the run's
    std::unique_ptr<CFrameBuilder> m_builder;  // the run's, made by Start
    std::unique_ptr<IRewindableSink> m_output;  // made by Start, the writer's from then on
    CFrameAdmission m_admission;  // before the pool, which releases claims as it goes
    CEncodePool m_pool;
    std::thread m_writerThread;
    mutable std::mutex m_endLock;  // the run's end, for WaitEnded
    std::condition_variable m_endChanged;
    std::shared_ptr<const CQueuedFrame> m_lastFrame;  // the capture thread's, as the next one
    uint32_t m_lastGeneration = 0;
    std::shared_ptr<CRecycledBuffers> m_frameBuffers;  // the capture thread's, for this run
    std::atomic<bool> m_stopFlag{false};
    std::atomic<int32_t> m_status{Idle};
    std::atomic<int32_t> m_encodedCount{0};
    std::atomic<int32_t> m_receivedCount{0};
    std::atomic<int32_t> m_failure{NoFailure};
    std::atomic<int64_t> m_bytesWritten{0};  // the file's size, set by the writer after each frame
    std::atomic<bool> m_sizeLimitReached{false};
    std::atomic<int64_t> m_endMs{0};

    CStageTimes* m_times = nullptr;
};
