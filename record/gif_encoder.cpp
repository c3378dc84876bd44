#include "record/gif_encoder.h"

#include <chrono>
#include <utility>

#include "record/gif_repair.h"
#include "record/held_writes.h"
#include "record/mem_canvas.h"
#include "record/file_sink.h"
#include "pipeline/ordered_writer.h"

namespace {

// The user can act on a full disk; it is told apart from faults nobody foresaw.
bool IsDiskFull(DWORD error)
{
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

}  // namespace

CGifEncoder::CGifEncoder(uint64_t queueBudget, int threads)
    : m_threads(threads > 0 ? threads : EncodeThreadCount()), m_admission(queueBudget)
{
}

// The run's cancellation may be gone by now: a run still going is only told that no frame
// follows.
CGifEncoder::~CGifEncoder()
{
    m_pool.Finish();
    JoinWriter();
}

EncodeFailure CGifEncoder::Start(CCancellation& cancel, EndedHandler ended)
{
    JoinWriter();  // of a run before, ended already
    m_encodedCount = 0;
    m_receivedCount = 0;
    m_bytesWritten = 0;
    m_endMs = 0;
    m_runParams = m_params;
    m_cancel = &cancel;
    m_lastFrame.reset();
    m_frameBuffers.reset();
    const RECT& out = m_runParams.outputRect;
    // The file is made here rather than on the writer, so that the name it got is known when
    // the recording starts and a folder that cannot be written refuses the start.
    if (out.right - out.left <= 0 || out.bottom - out.top <= 0)
        return EmptyOutput;
    m_output = OpenOutput(&m_runParams.fileName);
    if (!m_output)
        return IsDiskFull(GetLastError()) ? DiskFull : CannotCreateFile;
    m_builder = std::make_unique<CFrameBuilder>(CFrameAtOutputSize(out.right - out.left, out.bottom - out.top, m_times),
                                                m_runParams.compact, m_runParams.quality, m_times, cancel);
    // Enough for the frames the workers hold, the one before each and a few queued, within
    // 64 MiB for large frames.
    m_frameBuffers =
        std::make_shared<CRecycledBuffers>(static_cast<size_t>(2 * m_threads + 4), size_t{64} << 20);
    m_admission.Open(m_threads, cancel);
    m_ended = std::move(ended);
    if (!StartThreads()) {
        m_output.reset();
        DeleteFileW(m_runParams.fileName.c_str());
        m_frameBuffers.reset();
        m_ended = nullptr;
        return EncodeError;
    }
    return NoFailure;
}

// The fields are set before the threads exist, so an early end of the writer is not
// overwritten. False, with the run cancelled and nothing running, when a thread cannot start.
bool CGifEncoder::StartThreads()
{
    if (m_pool.Start(m_threads, *m_cancel)) {
        try {
            m_writerThread = std::thread(&CGifEncoder::RunWriter, this);
            return true;
        } catch (...) {
        }
    }
    m_cancel->Cancel();
    m_pool.Join();
    return false;
}

void CGifEncoder::Finish(int64_t endMs)
{
    if (!m_writerThread.joinable())
        return;
    // Called after the last frame was handed over: none follows.
    m_endMs = endMs;
    m_lastFrame.reset();
    m_pool.Finish();
}

bool CGifEncoder::AddFrame(CMemCanvas& canvas)
{
    if (!m_frameBuffers)
        return false;  // no run
    // Claimed before copying when the frame fits: the copy is the expensive part.
    CFrameClaim claim = m_admission.Claim(canvas.DibSize(), m_pool.InFlight());
    if (!claim)
        return false;
    std::shared_ptr<CQueuedFrame> frame(CQueuedFrame::CopyOf(canvas, m_frameBuffers));
    if (!frame)
        return false;
    frame->SetCaptureMs(canvas.CaptureMs());
    // Counted before the writer can see it, so encoded never passes received.
    ++m_receivedCount;
    // A moved or resized region has a new canvas: its first frame has nothing to compare with.
    CFrameJob job{frame, canvas.Generation() == m_lastGeneration ? m_lastFrame : nullptr, m_builder->NextTurn()};
    // The job holds the frame's turn at the colour table: however it ends, run or dropped, the
    // turn passes with it.
    // Shared only because a pool job must be copyable; the frame holds it until it is written.
    auto held = std::make_shared<CFrameClaim>(std::move(claim));
    const bool queued = m_pool.Submit([this, job, held](CFrameWorkspace& workspace, CEncodedFrame& result) {
        result.keepUntilWritten = held;
        result.captureMs = job.frame->CaptureMs();
        const auto start = std::chrono::steady_clock::now();
        EncodeFrame(job, workspace, &result);
        m_admission.Built(std::chrono::steady_clock::now() - start);
    });
    // A frame the pool could not take is lost like one that cannot be built; the next one is
    // compared with the last frame that went in.
    if (!queued)
        return false;
    m_lastFrame = frame;
    m_lastGeneration = canvas.Generation();
    return true;
}

EncoderProgress CGifEncoder::Progress() const
{
    EncoderProgress progress;
    progress.received = m_receivedCount;
    progress.encoded = m_encodedCount;
    progress.dropped = m_admission.Dropped();
    progress.bytesWritten = m_bytesWritten;
    return progress;
}

std::wstring CGifEncoder::FilePath() const
{
    return m_runParams.fileName;
}

std::unique_ptr<IRewindableSink> CGifEncoder::OpenOutput(std::wstring* path)
{
    std::unique_ptr<CFile> file = CreateNewFile(path);
    if (!file)
        return nullptr;
    return HoldWritesWhenAsked(std::make_unique<CFileSink>(std::move(file)));
}

void CGifEncoder::EncodeFrame(const CFrameJob& job, CFrameWorkspace& workspace, CEncodedFrame* result)
{
    m_builder->Build(job, workspace, result);
}

// The writer's thread: the run's end is told once, through the ended handler, after every
// worker has ended, so that the owner may end the encoder from then on.
void CGifEncoder::RunWriter()
{
    EncodeEnd end;
    try {
        end.atSizeLimit = WriteLoop();
    } catch (const CFileException& error) {
        end.failure = IsDiskFull(error.Error()) ? DiskFull : WriteFailed;
    } catch (...) {
        end.failure = EncodeError;
    }
    // A run that ended early builds nothing more: the frames in flight are dropped and later
    // ones refused.
    if (end.failure != NoFailure || end.atSizeLimit)
        m_cancel->Cancel();
    m_pool.Join();
    try {
        if (m_ended)
            m_ended(end);
    } catch (...) {
    }
}

// True when the file ended at its size limit.
bool CGifEncoder::WriteLoop()
{
    std::unique_ptr<IRewindableSink> file = std::move(m_output);
    FrameTiming timing;
    timing.trueSpeed = m_runParams.trueSpeed;
    timing.delay = static_cast<uint16_t>(m_runParams.frameDelay & 0xFFFF);
    timing.plays = m_runParams.plays;
    timing.maxBytes = m_runParams.maxBytes;
    timing.globalTable = m_runParams.compact;
    COrderedWriter writer(
        m_pool, *file, timing, m_times,
        [this](const IFrameOrigin* lastWritten, CEncodedFrame* frame) {
            m_builder->BuildAgainSince(lastWritten, frame);
        },
        [this](uint64_t committed) {
            m_bytesWritten = static_cast<int64_t>(committed) + 1;  // the trailer behind it
            ++m_encodedCount;
        });
    COrderedWriter::End end = COrderedWriter::End::Stopped;
    try {
        end = writer.Run(m_endMs);
        writer.Finish();
        file.reset();
        m_bytesWritten = static_cast<int64_t>(writer.Committed()) + 1;
    } catch (...) {
        // Keep what was recorded before the failure as a valid GIF: close the file, cut it
        // back to its last whole frame and end it there.
        file.reset();
        const uint64_t committed = writer.Committed();
        if (committed == 0)
            DeleteFileW(m_runParams.fileName.c_str());
        else
            CloseGifAt(m_runParams.fileName, committed);
        throw;
    }
    // A cancelled run leaves no file. One at the size limit is complete, and no later frame is
    // taken: the recording ends as one that finished.
    if (end == COrderedWriter::End::Stopped)
        DeleteFileW(m_runParams.fileName.c_str());
    return end == COrderedWriter::End::SizeLimit;
}

void CGifEncoder::JoinWriter()
{
    if (m_writerThread.joinable())
        m_writerThread.join();
}
