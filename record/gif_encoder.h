#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
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
    // The compact mode's quality, 1 to 100: below 100 a pixel may be written in a colour near
    // its own where that codes shorter; 100 keeps the colours it was mapped to.
    int quality = 100;
    uint32_t plays = 0;  // how many times the GIF plays; 0 for ever
    // The file never grows past this many bytes: the recording ends at the last frame that
    // fits. 0: no limit.
    int64_t maxBytes = 0;
};

// Runs the encoding of one recording into a looping GIF: frames the admission lets in go to a
// pool of workers, which build them side by side (CFrameBuilder), and one writer thread appends
// them to the file in capture order (COrderedWriter), so the file is the same for any number of
// workers.
// Owned by the recording, which starts it, finishes it or cancels it; the screen capture feeds
// it. The writer ends each run by calling the ended handler as its last act, and that is the
// only way the run's end is told. One run at a time: a new Start follows the ended handler.
class CGifEncoder : public IFrameEncoder, public ICanvasSink {
public:
    // Pixel bytes the frames in flight may hold before AddFrame drops frames.
    static constexpr uint64_t kDefaultQueueBudget = CFrameAdmission::kDefaultBudget;

    // threads: workers building frames; 0 for EncodeThreadCount().
    explicit CGifEncoder(uint64_t queueBudget = kDefaultQueueBudget, int threads = 0);
    // Waits for the writer of the last run to end; a run still going writes out what it has.
    // The owner ends a run it abandons by its cancellation first.
    ~CGifEncoder() override;
    CGifEncoder(const CGifEncoder&) = delete;
    CGifEncoder& operator=(const CGifEncoder&) = delete;

    void SetParams(EncoderParams params) { m_params = std::move(params); }
    EncodeFailure Start(CCancellation& cancel, EndedHandler ended) override;
    // A captured frame; false when it was dropped (the budget, or the run is ending).
    bool AddFrame(CMemCanvas& canvas) override;
    void Finish(int64_t endMs) override;
    EncoderProgress Progress() const override;
    std::wstring FilePath() const override;

    int Threads() const { return m_threads; }
    // Times the stages of the frame path into `times` (for the benchmark); null for none.
    // Only before Start.
    void TimeStages(CStageTimes* times) { m_times = times; }

protected:
    // Where the bytes go: a new file at *path or the next free numbered name, *path set to it;
    // null when it cannot be created, with the reason in GetLastError. Tests put a sink here
    // that fails like a full disk.
    virtual std::unique_ptr<IRewindableSink> OpenOutput(std::wstring* path);
    // One frame's image bytes, on a worker thread; leaves result->built false when the frame
    // cannot be built. Tests make chosen frames fail here.
    virtual void EncodeFrame(const CFrameJob& job, CFrameWorkspace& workspace, CEncodedFrame* result);

private:
    bool StartThreads();
    void RunWriter();
    bool WriteLoop();
    void JoinWriter();

    const int m_threads;
    EncoderParams m_params;
    EncoderParams m_runParams;  // the run's copy, taken by Start; read-only while it runs
    CCancellation* m_cancel = nullptr;  // the run's, from Start on
    EndedHandler m_ended;       // the run's
    std::unique_ptr<CFrameBuilder> m_builder;  // the run's, made by Start
    std::unique_ptr<IRewindableSink> m_output;  // made by Start, the writer's from then on
    CFrameAdmission m_admission;  // before the pool, which releases claims as it goes
    CEncodePool m_pool;
    std::thread m_writerThread;
    std::shared_ptr<const CQueuedFrame> m_lastFrame;  // the capture thread's, as the next one
    uint32_t m_lastGeneration = 0;
    std::shared_ptr<CRecycledBuffers> m_frameBuffers;  // the capture thread's, for this run
    std::atomic<int32_t> m_encodedCount{0};
    std::atomic<int32_t> m_receivedCount{0};
    std::atomic<int64_t> m_bytesWritten{0};  // the file's size, set by the writer after each frame
    std::atomic<int64_t> m_endMs{0};

    CStageTimes* m_times = nullptr;
};
