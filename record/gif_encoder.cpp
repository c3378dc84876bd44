#include "record/gif_encoder.h"

#include <chrono>
#include <new>
#include <optional>
#include <utility>

#include "gif/compact_frame.h"
#include "gif/dib.h"
#include "gif/frame_scaler.h"
#include "gif/frame_workspace.h"
#include "gif/frame_delay.h"
#include "gif/gif_writer.h"
#include "gif/indexed_frame.h"
#include "gif/memory_sink.h"
#include "win/message_box.h"
#include "record/bitmap_to_frame.h"
#include "record/gif_repair.h"
#include "record/mem_canvas.h"
#include "record/output_file.h"
#include "pipeline/ordered_writer.h"

namespace {


// The user can act on a full disk; it is told apart from faults nobody foresaw.
bool IsDiskFull(DWORD error)
{
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

// Owner of a GDI+ image; disposes of it unless it is another owner's image.
class CGdiplusImage {
public:
    explicit CGdiplusImage(GpImage* image, GpImage* ownedElsewhere = nullptr)
        : m_image(image), m_ownedElsewhere(ownedElsewhere) {}
    ~CGdiplusImage()
    {
        if (m_image && m_image != m_ownedElsewhere)
            gdip::GdipDisposeImage(m_image);
    }
    CGdiplusImage(const CGdiplusImage&) = delete;
    CGdiplusImage& operator=(const CGdiplusImage&) = delete;

private:
    GpImage* m_image;
    GpImage* m_ownedElsewhere;
};

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
    // Enough for the frames the workers hold, the one before each and a few queued, within
    // 64 MiB for large frames.
    m_frameBuffers =
        std::make_shared<CRecycledBuffers>(static_cast<size_t>(2 * m_threads + 4), size_t{64} << 20);
    m_admission.Open(m_threads);
    m_stopFlag = 0;
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
    CFrameJob job{frame, canvas.Generation() == m_lastGeneration ? m_lastFrame : nullptr};
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
    m_stopFlag = 1;
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
    const RECT& out = m_runParams.outputRect;
    const int32_t width = out.right - out.left;
    const int32_t height = out.bottom - out.top;
    if (width <= 0 || height <= 0 || m_stopFlag)
        return;
    if (m_runParams.compact) {
        EncodeCompactFrame(job, workspace, result);
        return;
    }
    CQueuedFrame& frame = *job.frame;
    GifImage indexed;
    bool built = false;
    if (frame.Width() == width && frame.Height() == height) {
        CStageTimer timer(m_times, Stage::Encode);
        built = BuildIndexedFrameFromDib(frame.Packed(), frame.PackedSize(), &indexed, m_nearestColour, &workspace);
    } else if (frame.BitsPerPixel() == 32) {
        uint8_t* packed = nullptr;
        size_t packedSize = 0;
        bool scaled = false;
        {
            CStageTimer timer(m_times, Stage::Scale);
            scaled = ScaleFrame32(frame, width, height, workspace, &packed, &packedSize);
        }
        if (!scaled || m_stopFlag)
            return;
        CStageTimer timer(m_times, Stage::Encode);
        built = BuildIndexedFrameFromDib(packed, packedSize, &indexed, m_nearestColour, &workspace);
    } else {
        // Displays of 16 or 24 bits are rare enough to keep the slow thumbnail path.
        const CBitmap scaled = ScaleFrame(frame, width, height);
        if (!scaled || m_stopFlag)
            return;
        CStageTimer timer(m_times, Stage::Encode);
        built = BuildImageFromBitmap(scaled.Get(), &indexed, m_nearestColour, &workspace);
    }
    if (!built || m_stopFlag)
        return;
    CStageTimer timer(m_times, Stage::Encode);
    CMemorySink image;
    WriteGifImage(image, indexed, &workspace);
    result->image = image.Take();
    result->width = static_cast<uint16_t>(indexed.rect.width);
    result->height = static_cast<uint16_t>(indexed.rect.height);
    result->bitsPerIndex = indexed.tableBits;
    result->built = true;
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
    COrderedWriter writer(
        m_pool, *file, timing, m_times,
        [this](const std::shared_ptr<void>& lastWritten, CEncodedFrame* frame) { BuildAgainSince(lastWritten, frame); },
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

// Only what changed since the frame before, in exact colours where they fit.
void CGifEncoder::EncodeCompactFrame(const CFrameJob& job, CFrameWorkspace& workspace, CEncodedFrame* result)
{
    const RECT& out = m_runParams.outputRect;
    const int32_t width = out.right - out.left;
    const int32_t height = out.bottom - out.top;
    CFramePixels current;
    CFramePixels previous;
    if (!PixelsAtOutputSize(*job.frame, width, height, &current) || m_stopFlag)
        return;
    const bool compare = job.previous && PixelsAtOutputSize(*job.previous, width, height, &previous);
    if (m_stopFlag)
        return;
    CStageTimer timer(m_times, Stage::Encode);
    const CompactFrame frame =
        BuildCompactFrame(compare ? &previous.View() : nullptr, current.View(), CompactOptions(), &workspace);
    CMemorySink image;
    WriteGifImage(image, frame, &workspace);
    result->image = image.Take();
    result->width = static_cast<uint16_t>(width);
    result->height = static_cast<uint16_t>(height);
    result->bitsPerIndex = 8;
    result->transparentIndex = frame.transparentIndex;
    result->sinceFrameBefore = compare;
    result->source = job.frame;
    result->built = true;
}

// A 32-bit frame of the output size is read where it lies; any other is scaled first.
bool CGifEncoder::PixelsAtOutputSize(const CQueuedFrame& frame, int32_t width, int32_t height, CFramePixels* pixels)
{
    if (frame.BitsPerPixel() == 32 && frame.Width() == width && frame.Height() == height) {
        pixels->Borrow(frame.Pixels(), width, height);
        return true;
    }
    if (frame.BitsPerPixel() == 32) {
        CStageTimer timer(m_times, Stage::Scale);
        return pixels->Scale(frame.Pixels(), frame.Width(), frame.Height(), width, height);
    }
    const CBitmap scaled = ScaleFrame(frame, width, height);
    return scaled && pixels->Read(scaled.Get());
}

// A frame written as what changed since the frame before it, when that frame is not in the
// file (it could not be built): built again against the last frame the file holds, or whole.
void CGifEncoder::BuildAgainSince(const std::shared_ptr<void>& lastWritten, CEncodedFrame* frame)
{
    const CFrameJob job{std::static_pointer_cast<CQueuedFrame>(frame->source),
                        std::static_pointer_cast<const CQueuedFrame>(lastWritten)};
    CEncodedFrame again;
    again.captureMs = frame->captureMs;
    again.keepUntilWritten = std::move(frame->keepUntilWritten);
    CFrameWorkspace workspace;
    EncodeFrame(job, workspace, &again);
    *frame = std::move(again);
}

// A 32-bit frame scaled to the output size with our own scaler, as a packed bitmap in the
// worker's workspace: GDI+'s thumbnail call takes 100 ms and more per 1080p frame under Wine
// (400 ms when it enlarges), far behind capture, where this takes a few milliseconds.
bool CGifEncoder::ScaleFrame32(const CQueuedFrame& frame, int32_t width, int32_t height,
                               CFrameWorkspace& workspace, uint8_t** packed, size_t* packedSize)
{
    const size_t stride = static_cast<size_t>(width) * 4;
    const size_t size = sizeof(BITMAPINFOHEADER) + stride * static_cast<size_t>(height);
    uint8_t* out = nullptr;
    try {
        out = workspace.FrameBytes(size);
    } catch (const std::bad_alloc&) {
        return false;  // left out like any frame that cannot be built
    }
    WriteDibHeader(out, width, height, 32);
    // Both bottom-up, so rows correspond as they are.
    const size_t sourceStride = static_cast<size_t>(frame.Width()) * 4;
    if (!ScalePixels32(frame.Pixels(), frame.Width(), frame.Height(), sourceStride,
                       out + sizeof(BITMAPINFOHEADER), width, height, stride))
        return false;
    *packed = out;
    *packedSize = size;
    return true;
}

// The frame scaled to the output size, as a GDI bitmap for the frame builder; empty on failure.
// A frame already at that size does not come here: GDI+ scaling to the frame's own size gives
// back the same pixels (compared pixel by pixel on 640 x 480, 1280 x 720 and 1920 x 1080) at up
// to 40 ms a frame, and its conversion to a GDI bitmap costs more again.
CBitmap CGifEncoder::ScaleFrame(const CQueuedFrame& frame, int32_t width, int32_t height)
{
    std::optional<CStageTimer> scaling(std::in_place, m_times, Stage::Scale);
    GpBitmap* original = frame.ToGdiplusBitmap();
    if (!original)
        return CBitmap();
    CGdiplusImage originalOwner(original);
    GpImage* scaled = nullptr;
    if (gdip::GdipGetImageThumbnail(original, static_cast<UINT>(width), static_cast<UINT>(height),
                                    &scaled, nullptr, nullptr) != Gdiplus::Ok ||
        !scaled)
        return CBitmap();
    CGdiplusImage scaledOwner(scaled, original);
    scaling.reset();
    CStageTimer converting(m_times, Stage::Convert);
    HBITMAP bitmap = nullptr;
    if (gdip::GdipCreateHBITMAPFromBitmap(static_cast<GpBitmap*>(scaled), &bitmap, 0xFF000000) !=
        Gdiplus::Ok)
        bitmap = nullptr;
    return CBitmap(bitmap);
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
