#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "gif/byte_sink.h"
#include "gif/encode_pool.h"
#include "record/compact_frames.h"
#include "record/pic_encoder.h"
#include "record/queued_frame.h"
#include "record/section_lock.h"
#include "record/trailed_gif_file.h"
#include "win/gdi_object.h"
#include "win/handles.h"

// Time spent per stage, summed over the frames encoded so far, and the most frames that have
// been in flight at once. For the benchmark; the window does not show them.
struct EncoderFigures {
    int32_t maxQueueLength = 0;
    // Worker stages, summed over all workers:
    double scaleMs = 0;    // scaling to the output size
    double convertMs = 0;  // a frame scaled by GDI+ to a GDI bitmap for the frame builder
    double encodeMs = 0;   // palette, dither and LZW into memory
    // The writer:
    double writeMs = 0;    // the file write
};

// What a worker needs to build one frame: the frame, and the frame accepted just before it (null
// for the first), for encodings that look at what changed.
struct CFrameJob {
    std::shared_ptr<CQueuedFrame> frame;
    std::shared_ptr<const CQueuedFrame> previous;
};

// Encodes the frames of one recording into a looping GIF. A pool of workers builds and
// compresses frames side by side; one writer thread appends them to the file in capture order,
// so the file is the same for any number of workers.
// One object per recording: the window creates it, the grabber starts it and feeds it, the
// window polls GetState and deletes it once it reports Finished or Failed.
class CGifEncoder : public IPicEncoder {
public:
    // Pixel bytes the frames in flight (queued, being built, waiting to be written) may hold
    // before AddFrame drops frames: a 32-bit process cannot afford an unbounded backlog when
    // capture outruns encoding.
    static constexpr uint64_t kDefaultQueueBudget = 256ull << 20;
    // The most work the frames in flight may stand for, so that finishing after Stop takes
    // seconds at most.
    static constexpr double kMaxBacklogMs = 3000;

    // threads: workers building frames; 0 for EncodeThreadCount().
    explicit CGifEncoder(uint64_t queueBudget = kDefaultQueueBudget, int threads = 0);
    ~CGifEncoder() override;
    CGifEncoder(const CGifEncoder&) = delete;
    CGifEncoder& operator=(const CGifEncoder&) = delete;

    int SetParams(EncoderParams params) override;
    int Start() override;
    int AddFrame(CMemCanvas* canvas) override;
    int Stop() override;
    int Shutdown() override;
    int GetState(int32_t* encoded, int32_t* received) override;
    int32_t GetDroppedCount() override;
    EncodeFailure GetFailure() override;
    int64_t GetBytesWritten() override;
    bool ReachedSizeLimit() override { return m_sizeLimitReached; }
    void SetEndTime(int64_t recordingMs) override;

    int WaitEnded(DWORD timeoutMs) override;
    int Threads() const { return m_threads; }
    EncoderFigures GetFigures();

protected:
    // Where the bytes go: the output file, or null when it cannot be created. Tests put a
    // sink here that fails like a full disk.
    virtual std::unique_ptr<IRewindableSink> OpenOutput(const std::wstring& path);
    // Tells the user that the worker failed on an exception ("Encode catch error!").
    virtual void ReportError();
    // One frame's image bytes, on a worker thread; leaves result->built false when the frame
    // cannot be built. Tests make chosen frames fail here.
    virtual void EncodeFrame(const CFrameJob& job, CFrameWorkspace& workspace, CEncodedFrame* result);

private:
    static DWORD WINAPI WriterProc(void* param);
    void RunWriter();
    EncodeFailure WriteLoop();
    bool WriteFrames(CTrailedGifFile& output);
    bool EndAtSizeLimit();
    void BuildAgainSince(std::shared_ptr<void> lastWritten, CEncodedFrame* frame);
    // False, with nothing written, when the frame would take the file past its size limit.
    bool WriteFrame(CTrailedGifFile& output, const CEncodedFrame& frame, bool firstFrame, uint16_t delay);
    double BacklogMs();
    std::shared_ptr<void> ClaimBudget(uint32_t bytes, double backlogMs);
    bool ScaleFrame32(const CQueuedFrame& frame, int32_t width, int32_t height,
                      CFrameWorkspace& workspace, uint8_t** packed, size_t* packedSize);
    CBitmap ScaleFrame(const CQueuedFrame& frame, int32_t width, int32_t height);
    void EncodeCompactFrame(const CFrameJob& job, CFrameWorkspace& workspace, CEncodedFrame* result);
    bool PixelsAtOutputSize(const CQueuedFrame& frame, int32_t width, int32_t height, CFramePixels* pixels);
    void RefuseFrames();
    void EndWriter(EncodeFailure failure);
    void JoinWriter();

    const int m_threads;
    EncoderParams m_runParams;  // the run's copy, taken by Start; read-only while it runs
    // Before the pool, which may release budget claims as it goes.
    CSectionLock m_queueLock;
    uint64_t m_queueBudget;      // guarded by m_queueLock, as are the next two
    uint64_t m_queuedBytes = 0;
    bool m_accepting = true;
    CEncodePool m_pool;
    CThread m_writerThread;
    std::shared_ptr<const CQueuedFrame> m_lastFrame;  // the capture thread's, as the next one
    uint32_t m_lastGeneration = 0;
    std::shared_ptr<CRecycledBuffers> m_frameBuffers;  // the capture thread's, for this run
    std::atomic<int32_t> m_stopFlag{0};
    std::atomic<int32_t> m_running{0};
    std::atomic<int32_t> m_status{Idle};
    std::atomic<int32_t> m_encodedCount{0};
    std::atomic<int32_t> m_receivedCount{0};
    std::atomic<int32_t> m_droppedCount{0};
    std::atomic<int32_t> m_failure{NoFailure};
    std::atomic<int64_t> m_bytesWritten{0};  // the file's size, set by the writer after each frame
    std::atomic<bool> m_sizeLimitReached{false};
    std::atomic<int64_t> m_endMs{0};
    int32_t m_nearestColour = 1;

    std::atomic<int64_t> m_stageTicks[4] = {};
    std::atomic<int64_t> m_workerTicks{0};  // whole jobs, for the backlog's pace
    std::atomic<int32_t> m_framesBuilt{0};
};
