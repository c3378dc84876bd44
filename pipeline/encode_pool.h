#pragma once
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "gif/frame_pixels.h"
#include "gif/frame_workspace.h"
#include "gif/global_colour_table.h"
#include "pipeline/cancellation.h"

// What a frame was built from, kept with a frame that holds only what changed since the frame
// before it, so that the writer can have it built again against another frame.
class IFrameOrigin {
public:
    virtual ~IFrameOrigin() = default;
    // The frame's pixels at the output size; false when they cannot be had.
    virtual bool Pixels(CFramePixels* pixels) const = 0;
};

// One frame as a worker leaves it for the writer: everything of the frame that needs only the
// frame itself.
struct CEncodedFrame {
    bool built = false;  // false: the frame could not be built and is left out of the file
    uint16_t width = 0;   // the whole frame's size, for the file header; a compact image may be
    uint16_t height = 0;  // smaller
    uint8_t bitsPerIndex = 0;
    int16_t transparentIndex = -1;  // for the control block; -1: no transparent colour
    std::vector<uint8_t> image;  // WriteGifImage's bytes: descriptor, colour table, LZW data
    // The compact file's global colour table entries the frame took, for the file's header.
    TableClaims claims;
    int64_t captureMs = 0;       // when the frame was captured, for the delay at true speed
    std::exception_ptr error;    // raised by the job; the writer raises it again in its turn
    // Set by encodings that write only what changed since the frame captured before: the image
    // needs that frame in the file, and `origin` lets the writer have it built again against
    // the last frame the file holds when the one before was left out.
    bool sinceFrameBefore = false;
    std::shared_ptr<const IFrameOrigin> origin;
    // Shows what the frame before it shows: its time may go to that frame instead.
    bool unchanged = false;
    // Whatever must live until the frame is in the file (the memory budget's claim on it).
    std::shared_ptr<void> keepUntilWritten;
};

// Builds frames side by side on a few worker threads and hands them to one writer strictly in
// the order they were submitted: every frame of a GIF has its own palette and LZW table, so
// frames need nothing from each other, and the file comes out the same for any number of
// workers. A worker takes the next job as soon as it is free and sleeps while there is none.
//
// One run: Start with the run's cancellation, Submit from one producer thread, then Finish (the
// writer drains what is left) or cancel (what is left is dropped); Join ends the workers. The
// writer calls TakeInOrder.
class CEncodePool {
public:
    using Job = std::function<void(CFrameWorkspace& workspace, CEncodedFrame& result)>;
    enum class Next { Frame, Drained, Stopped };

    CEncodePool() = default;
    // Lets the workers build what is queued and ends them.
    ~CEncodePool();
    CEncodePool(const CEncodePool&) = delete;
    CEncodePool& operator=(const CEncodePool&) = delete;

    // Starts `threads` workers (at least one) for a run that `cancel` stops; it must outlive
    // the run. False when no thread could be made.
    bool Start(int threads, const CCancellation& cancel);
    // Queues a job behind the others; false (and the job dropped) after Finish or the
    // cancellation.
    bool Submit(Job job);
    // No more jobs: TakeInOrder reports Drained after the last one.
    void Finish();
    // Waits for the workers to end (after Finish and the last job, or at the cancellation,
    // once their jobs under way are done) and drops what no writer took.
    void Join();

    // The writer's side: the next frame in submission order, waiting for it as long as it is
    // being built; Drained after Finish and the last frame; Stopped once cancelled.
    Next TakeInOrder(CEncodedFrame* frame);

    // Frames submitted and not yet taken by the writer.
    size_t InFlight();

private:
    void RunWorker();
    bool Cancelled() const { return m_cancel && m_cancel->Cancelled(); }

    std::vector<std::thread> m_workers;
    const CCancellation* m_cancel = nullptr;  // the run's
    std::unique_ptr<CCancellation::CWake> m_wake;  // the run's
    std::mutex m_mutex;
    std::condition_variable m_workReady;   // a job was queued, or finish or cancellation
    std::condition_variable m_frameReady;  // a frame was finished, or finish or cancellation
    // Guarded by m_mutex.
    std::deque<std::pair<uint64_t, Job>> m_jobs;
    // One place per frame in flight, made when the job is queued, so that a worker hands its
    // frame over without allocating: a worker that ran out of memory there could not report it.
    struct Slot {
        bool done = false;  // built (or failed), waiting for the frames before it
        CEncodedFrame frame;
    };
    std::map<uint64_t, Slot> m_slots;
    uint64_t m_submitted = 0;
    uint64_t m_taken = 0;
    bool m_finishing = false;  // no job follows the last one submitted
};

// Workers for one recording: RAVLIN_ENCODE_THREADS when set (1 to 16), otherwise the logical
// processors, at least 1 and at most 8: beyond that a frame's writing, not its building, is
// the limit.
int EncodeThreadCount();
