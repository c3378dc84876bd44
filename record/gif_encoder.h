#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "gif/byte_sink.h"
#include "record/pic_encoder.h"
#include "record/queued_frame.h"
#include "record/section_lock.h"
#include "win/gdi_object.h"
#include "win/handles.h"

// Time spent per worker stage, summed over the frames encoded so far, and the longest the
// queue has been. For the benchmark; the window does not show them.
struct EncoderFigures {
    int32_t maxQueueLength = 0;
    double scaleMs = 0;    // thumbnail scaling to the output size
    double convertMs = 0;  // a scaled frame to a GDI bitmap for the frame builder
    double encodeMs = 0;   // palette, dither and LZW into memory
    double writeMs = 0;    // the file write
};

// Encodes the frames of one recording into a looping GIF on a worker thread of its own.
// One object per recording: the window creates it, the grabber starts it and feeds it, the
// window polls GetState and deletes it once it reports Finished or Failed.
class CGifEncoder : public IPicEncoder {
public:
    // Pixel bytes the queue may hold before AddFrame drops frames: a 32-bit process cannot
    // afford an unbounded backlog when capture outruns encoding.
    static constexpr uint64_t kDefaultQueueBudget = 256ull << 20;

    explicit CGifEncoder(uint64_t queueBudget = kDefaultQueueBudget);
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

    EncoderFigures GetFigures();

protected:
    // Where the bytes go: the output file, or null when it cannot be created. Tests put a
    // sink here that fails like a full disk.
    virtual std::unique_ptr<IByteSink> OpenOutput(const std::wstring& path);
    // Tells the user that the worker failed on an exception ("Encode catch error!").
    virtual void ReportError();

private:
    enum class Next { Frame, Drained, Stopped };

    static DWORD WINAPI WorkerProc(void* param);
    void RunWorker();
    EncodeFailure EncodeLoop();
    bool EncodeFrames(IByteSink& file, uint64_t* committed);
    Next TakeFrame(std::unique_ptr<CQueuedFrame>* frame);
    CBitmap ScaleFrame(const CQueuedFrame& frame, int32_t width, int32_t height);
    void RefuseFrames();
    void EndWorker(EncodeFailure failure);
    void JoinWorker();

    EncoderParams m_runParams;  // the worker's copy, taken by Start
    std::deque<std::unique_ptr<CQueuedFrame>> m_frameQueue;
    CSectionLock m_queueLock;
    CThread m_workerThread;
    std::atomic<int32_t> m_stopFlag{0};
    CEvent m_wakeEvent;   // only Stop signals it
    CEvent m_frameEvent;  // a frame or the finish signal arrived
    std::atomic<int32_t> m_finishFlag{0};
    std::atomic<int32_t> m_running{0};
    std::atomic<int32_t> m_status{Idle};
    std::atomic<int32_t> m_encodedCount{0};
    std::atomic<int32_t> m_receivedCount{0};
    std::atomic<int32_t> m_droppedCount{0};
    std::atomic<int32_t> m_failure{NoFailure};
    int32_t m_nearestColour = 1;

    // Guarded by m_queueLock.
    uint64_t m_queueBudget;
    uint64_t m_queuedBytes = 0;
    bool m_accepting = true;
    int32_t m_maxQueueLength = 0;

    std::atomic<int64_t> m_stageTicks[4] = {};
};
