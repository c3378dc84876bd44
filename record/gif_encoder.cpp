#include "record/gif_encoder.h"

#include <chrono>
#include <utility>

#include "win/message_box.h"
#include "record/gif_repair.h"
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

CGifEncoder::~CGifEncoder()
{
    Abort();
}

EncodeFailure CGifEncoder::Start(EndedHandler ended)
{
    if (m_status == Encoding)
        return EncodeError;
    JoinWriter();  // of a run before, ended already
    m_status = Encoding;
    m_encodedCount = 0;
    m_receivedCount = 0;
    m_failure = NoFailure;
    m_bytesWritten = 0;
    m_sizeLimitReached = false;
    m_endMs = 0;
    m_runParams = m_params;
    m_ended = std::move(ended);
    m_lastFrame.reset();
    EncodeFailure failure = NoFailure;
    const RECT& out = m_runParams.outputRect;
    // The file is made here rather than on the writer, so that the name it got is known when
    // the recording starts and a folder that cannot be written refuses the start.
    if (out.right - out.left <= 0 || out.bottom - out.top <= 0) {
        failure = EmptyOutput;
    } else {
        m_output = OpenOutput(&m_runParams.fileName);
        if (!m_output)
            failure = IsDiskFull(GetLastError()) ? DiskFull : CannotCreateFile;
    }
    if (failure != NoFailure) {
        m_failure = failure;
        m_status = Failed;
        m_ended = nullptr;
        return failure;
    }
    m_builder = std::make_unique<CFrameBuilder>(CFrameAtOutputSize(out.right - out.left, out.bottom - out.top, m_times),
                                                m_runParams.compact, m_runParams.quality, m_times, m_stopFlag);
    // Enough for the frames the workers hold, the one before each and a few queued, within
    // 64 MiB for large frames.
    m_frameBuffers =
        std::make_shared<CRecycledBuffers>(static_cast<size_t>(2 * m_threads + 4), size_t{64} << 20);
    m_admission.Open(m_threads);
    m_stopFlag = false;
    // The fields are set before the threads exist, so an early end of the writer is not
    // overwritten. A writer that cannot start leaves a run that failed at once.
    bool started = m_pool.Start(m_threads);
    if (started) {
        try {
            m_writerThread = std::thread(&CGifEncoder::RunWriter, this);
        } catch (...) {
            started = false;
        }
    }
    if (!started) {
        RefuseFrames();
        m_pool.Join();
        m_output.reset();
        DeleteFileW(m_runParams.fileName.c_str());
        m_failure = EncodeError;
        m_status = Failed;
        m_ended = nullptr;
        return EncodeError;
    }
    return NoFailure;
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
    progress.atSizeLimit = m_sizeLimitReached;
    return progress;
}

std::wstring CGifEncoder::FilePath() const
{
    return m_runParams.fileName;
}

void CGifEncoder::Abort()
{
    if (!m_writerThread.joinable())
        return;
    m_stopFlag = true;
    m_pool.Stop();
    // No time limit: workers and writer look at the stop between frames and never sleep past
    // it, whereas a thread killed mid-frame could leave the heap or a lock held.
    JoinWriter();
}

EncodeStatus CGifEncoder::WaitEnded(DWORD timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_endLock);
    const auto ended = [this] { return m_status != Encoding; };
    if (timeoutMs == INFINITE)
        m_endChanged.wait(lock, ended);
    else
        m_endChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), ended);
    return Status();
}

int32_t CGifEncoder::MaxInFlight()
{
    return static_cast<int32_t>(m_pool.MaxInFlight());
}

std::unique_ptr<IRewindableSink> CGifEncoder::OpenOutput(std::wstring* path)
{
    std::unique_ptr<CFile> file = CreateNewFile(path);
    if (!file)
        return nullptr;
    return std::make_unique<CFileSink>(std::move(file));
}

void CGifEncoder::ReportError()
{
    ShowMessage(nullptr, L"Encode catch error!");
}

void CGifEncoder::EncodeFrame(const CFrameJob& job, CFrameWorkspace& workspace, CEncodedFrame* result)
{
    m_builder->Build(job, workspace, result);
}

void CGifEncoder::RunWriter()
{
    EncodeFailure failure = NoFailure;
    try {
        failure = WriteLoop();
    } catch (const CFileException& error) {
        failure = IsDiskFull(error.Error()) ? DiskFull : WriteFailed;
    } catch (...) {
        failure = EncodeError;
    }
    if (failure != NoFailure)
        RefuseFrames();
    // Every worker ends with the run, before the status that lets the window delete us.
    m_pool.Join();
    // One box for a fault nobody foresaw; the window words the failures a user can act on.
    // The status changes only once the box is closed, so the window does not end the
    // recording under it.
    if (failure == WriteFailed || failure == EncodeError) {
        try {
            ReportError();
        } catch (...) {
        }
    }
    EndWriter(failure);
}

EncodeFailure CGifEncoder::WriteLoop()
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
    // A run ended by Abort leaves no file. One at the size limit is complete, and no later frame
    // is taken: the recording ends as one that finished.
    if (end == COrderedWriter::End::Stopped)
        DeleteFileW(m_runParams.fileName.c_str());
    if (end == COrderedWriter::End::SizeLimit) {
        m_sizeLimitReached = true;
        RefuseFrames();
    }
    return NoFailure;
}

// After a failure nothing writes the frames: those in flight are dropped and later ones refused.
void CGifEncoder::RefuseFrames()
{
    m_admission.Refuse();
    m_pool.Stop();
}

// The writer's last acts: the status, then the ended handler, after which its owner may end
// the encoder.
void CGifEncoder::EndWriter(EncodeFailure failure)
{
    {
        std::lock_guard<std::mutex> lock(m_endLock);
        m_failure = failure;
        m_status = failure == NoFailure ? Finished : Failed;
        m_endChanged.notify_all();
    }
    if (m_ended)
        m_ended(failure);
}

void CGifEncoder::JoinWriter()
{
    if (m_writerThread.joinable())
        m_writerThread.join();
}
