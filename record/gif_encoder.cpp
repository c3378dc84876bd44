#include "record/gif_encoder.h"

#include <new>
#include <utility>

#include "gif/compact_frame.h"
#include "gif/dib.h"
#include "gif/frame_scaler.h"
#include "gif/frame_workspace.h"
#include "gif/frame_delay.h"
#include "gif/gif_writer.h"
#include "gif/indexed_frame.h"
#include "gif/memory_sink.h"
#include "win/file.h"
#include "win/message_box.h"
#include "record/bitmap_to_frame.h"
#include "record/gif_repair.h"
#include "record/mem_canvas.h"

namespace {

enum Stage { kScale, kConvert, kEncode, kWrite };

// The user can act on a full disk; it is told apart from faults nobody foresaw.
bool IsDiskFull(DWORD error)
{
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

int64_t Ticks()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double TicksToMs(int64_t ticks)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency.QuadPart);
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
    : m_threads(threads > 0 ? threads : EncodeThreadCount()), m_queueBudget(queueBudget)
{
}

CGifEncoder::~CGifEncoder()
{
    Shutdown();
}

int CGifEncoder::SetParams(EncoderParams params)
{
    m_params = std::move(params);
    return 1;
}

int CGifEncoder::Start()
{
    Stop();
    m_stopFlag = 0;
    m_running = 1;
    m_status = Encoding;
    m_encodedCount = 0;
    m_receivedCount = 0;
    m_droppedCount = 0;
    m_failure = NoFailure;
    m_bytesWritten = 0;
    m_endMs = 0;
    m_runParams = m_params;
    m_lastFrame.reset();
    // Enough for the frames the workers hold, the one before each and a few queued, within
    // 64 MiB for large frames.
    m_frameBuffers =
        std::make_shared<CRecycledBuffers>(static_cast<size_t>(2 * m_threads + 4), size_t{64} << 20);
    {
        CSectionGuard guard(m_queueLock);
        m_accepting = true;
    }
    for (auto& ticks : m_stageTicks)
        ticks = 0;
    m_workerTicks = 0;
    m_framesBuilt = 0;
    // The fields are set before the threads exist, so an early end of the writer is not
    // overwritten.
    if (!m_pool.Start(m_threads) || !m_writerThread.Start(WriterProc, this)) {
        RefuseFrames();
        m_pool.Join();
        EndWriter(EncodeError);
        return 0;
    }
    return 1;
}

int CGifEncoder::AddFrame(CMemCanvas* canvas)
{
    if (!canvas) {
        // Called after the capture thread has ended: no frame follows.
        m_lastFrame.reset();
        m_pool.Finish();
        return 1;
    }
    // Claimed before copying when the frame fits: the copy is the expensive part.
    std::shared_ptr<void> claim = ClaimBudget(canvas->DibSize(), BacklogMs());
    if (!claim)
        return 0;
    std::shared_ptr<CQueuedFrame> frame(CQueuedFrame::CopyOf(*canvas, m_frameBuffers));
    if (!frame)
        return 0;
    frame->SetCaptureMs(canvas->CaptureMs());
    // Counted before the writer can see it, so encoded never passes received.
    ++m_receivedCount;
    // A moved or resized region has a new canvas: its first frame has nothing to compare with.
    CFrameJob job{frame, canvas->Generation() == m_lastGeneration ? m_lastFrame : nullptr};
    const bool queued = m_pool.Submit([this, job, claim](CFrameWorkspace& workspace, CEncodedFrame& result) {
        result.keepUntilWritten = claim;
        result.captureMs = job.frame->CaptureMs();
        const int64_t t0 = Ticks();
        EncodeFrame(job, workspace, &result);
        m_workerTicks += Ticks() - t0;
        ++m_framesBuilt;
    });
    // A frame the pool could not take is lost like one that cannot be built; the next one is
    // compared with the last frame that went in.
    if (!queued)
        return 0;
    m_lastFrame = frame;
    m_lastGeneration = canvas->Generation();
    return 1;
}

int64_t CGifEncoder::GetBytesWritten()
{
    return m_bytesWritten;
}

void CGifEncoder::SetEndTime(int64_t recordingMs)
{
    m_endMs = recordingMs;
}

// How long the workers would take to build the frames in flight, at their pace so far.
double CGifEncoder::BacklogMs()
{
    const int32_t built = m_framesBuilt;
    if (built == 0)
        return 0;
    const double perFrameMs = TicksToMs(m_workerTicks) / built;
    return perFrameMs * static_cast<double>(m_pool.InFlight()) / m_threads;
}

// A claim on the budget for one frame until it is written or dropped; null, with the frame
// counted as dropped, when the frames in flight leave no room for it in memory or would take
// the workers longer than kMaxBacklogMs: a recording that outruns its encoder drops frames
// while it runs rather than keep the user waiting for minutes after Stop.
std::shared_ptr<void> CGifEncoder::ClaimBudget(uint32_t bytes, double backlogMs)
{
    {
        CSectionGuard guard(m_queueLock);
        if (!m_accepting || bytes == 0)
            return nullptr;
        if (m_queuedBytes + bytes > m_queueBudget || backlogMs > kMaxBacklogMs) {
            ++m_droppedCount;
            return nullptr;
        }
        m_queuedBytes += bytes;
    }
    // It points at the encoder only so that it tests as present.
    return std::shared_ptr<void>(this, [this, bytes](void*) {
        CSectionGuard guard(m_queueLock);
        m_queuedBytes -= bytes;
    });
}

int CGifEncoder::Stop()
{
    if (m_running) {
        m_stopFlag = 1;
        m_pool.Stop();
    }
    // No time limit: workers and writer look at the stop between frames and never sleep past
    // it, whereas a thread killed mid-frame could leave the heap or a lock held.
    JoinWriter();
    m_lastFrame.reset();
    m_frameBuffers.reset();  // the run's buffers go with it
    m_running = 0;
    return 1;
}

int CGifEncoder::Shutdown()
{
    Stop();
    return 1;
}

int CGifEncoder::GetState(int32_t* encoded, int32_t* received)
{
    if (encoded)
        *encoded = m_encodedCount;
    if (received)
        *received = m_receivedCount;
    return m_status;
}

int32_t CGifEncoder::GetDroppedCount()
{
    return m_droppedCount;
}

EncodeFailure CGifEncoder::GetFailure()
{
    return static_cast<EncodeFailure>(m_failure.load());
}

int CGifEncoder::WaitEnded(DWORD timeoutMs)
{
    // The writer sets the final status last of all, so its end is the run's end.
    if (m_writerThread)
        m_writerThread.Wait(timeoutMs);
    return m_status;
}

EncoderFigures CGifEncoder::GetFigures()
{
    EncoderFigures figures;
    figures.maxQueueLength = static_cast<int32_t>(m_pool.MaxInFlight());
    figures.scaleMs = TicksToMs(m_stageTicks[kScale]);
    figures.convertMs = TicksToMs(m_stageTicks[kConvert]);
    figures.encodeMs = TicksToMs(m_stageTicks[kEncode]);
    figures.writeMs = TicksToMs(m_stageTicks[kWrite]);
    return figures;
}

std::unique_ptr<IRewindableSink> CGifEncoder::OpenOutput(const std::wstring& path)
{
    auto file = std::make_unique<CFile>();
    if (!file->OpenForWrite(path.c_str()))
        return nullptr;
    return file;
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
        const int64_t t0 = Ticks();
        built = BuildIndexedFrameFromDib(frame.Packed(), frame.PackedSize(), &indexed, m_nearestColour, &workspace);
        m_stageTicks[kEncode] += Ticks() - t0;
    } else if (frame.BitsPerPixel() == 32) {
        const int64_t t0 = Ticks();
        uint8_t* packed = nullptr;
        size_t packedSize = 0;
        if (!ScaleFrame32(frame, width, height, workspace, &packed, &packedSize) || m_stopFlag)
            return;
        const int64_t t1 = Ticks();
        m_stageTicks[kScale] += t1 - t0;
        built = BuildIndexedFrameFromDib(packed, packedSize, &indexed, m_nearestColour, &workspace);
        m_stageTicks[kEncode] += Ticks() - t1;
    } else {
        // Displays of 16 or 24 bits are rare enough to keep the slow thumbnail path.
        const CBitmap scaled = ScaleFrame(frame, width, height);
        if (!scaled || m_stopFlag)
            return;
        const int64_t t0 = Ticks();
        built = BuildImageFromBitmap(scaled.Get(), &indexed, m_nearestColour, &workspace);
        m_stageTicks[kEncode] += Ticks() - t0;
    }
    if (!built || m_stopFlag)
        return;
    const int64_t t0 = Ticks();
    CMemorySink image;
    WriteGifImage(image, indexed, &workspace);
    result->image = image.Take();
    result->width = static_cast<uint16_t>(indexed.rect.width);
    result->height = static_cast<uint16_t>(indexed.rect.height);
    result->bitsPerIndex = indexed.tableBits;
    result->built = true;
    m_stageTicks[kEncode] += Ticks() - t0;
}

DWORD WINAPI CGifEncoder::WriterProc(void* param)
{
    auto* encoder = static_cast<CGifEncoder*>(param);
    if (encoder)
        encoder->RunWriter();
    return 0;
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
    const RECT& out = m_runParams.outputRect;
    if (out.right - out.left <= 0 || out.bottom - out.top <= 0)
        return EmptyOutput;
    std::unique_ptr<IRewindableSink> file = OpenOutput(m_runParams.fileName);
    if (!file)
        return IsDiskFull(GetLastError()) ? DiskFull : CannotCreateFile;

    CTrailedGifFile output(*file);
    bool drained = false;
    try {
        drained = WriteFrames(output);
        output.Finish();
        file.reset();
        m_bytesWritten = static_cast<int64_t>(output.Committed()) + 1;
    } catch (...) {
        // Keep what was recorded before the failure as a valid GIF: close the file, cut it
        // back to its last whole frame and end it there.
        file.reset();
        const uint64_t committed = output.Committed();
        if (committed == 0)
            DeleteFileW(m_runParams.fileName.c_str());
        else
            CloseGifAt(m_runParams.fileName, committed);
        throw;
    }
    // A run ended by Stop leaves no file.
    if (!drained)
        DeleteFileW(m_runParams.fileName.c_str());
    return NoFailure;
}

// Appends the built frames in capture order. Returns true when all were written after the
// finish signal, false when stopped; a failed write or a job's exception is raised.
bool CGifEncoder::WriteFrames(CTrailedGifFile& output)
{
    bool headerWritten = false;
    // False once a frame would take the file past its size limit: the file ends before it.
    auto write = [&](const CEncodedFrame& frame, uint16_t delay) {
        const int64_t t0 = Ticks();
        const bool written = WriteFrame(output, frame, !headerWritten, delay);
        m_stageTicks[kWrite] += Ticks() - t0;
        if (!written)
            return false;
        m_bytesWritten = static_cast<int64_t>(output.Committed()) + 1;  // the trailer behind it
        headerWritten = true;
        ++m_encodedCount;
        return true;
    };
    // At true speed a frame is shown until the next capture, so each built frame waits here
    // until the next one (or the end of the recording) is known.
    const bool trueSpeed = m_runParams.trueSpeed;
    // The recording's clock starts at 0 when capture starts: the first frame is shown from
    // then, so the file lasts as long as the recording did.
    CFrameDelays delays(0);
    CEncodedFrame held;
    bool holding = false;
    bool previousLeftOut = false;
    std::shared_ptr<void> lastWritten;  // the source of the last frame in the file, where kept
    for (;;) {
        CEncodedFrame frame;
        const CEncodePool::Next next = m_pool.TakeInOrder(&frame);
        if (next == CEncodePool::Next::Stopped || m_stopFlag)
            return false;
        if (next == CEncodePool::Next::Drained) {
            if (holding && !write(held, delays.Next(m_endMs)))
                return EndAtSizeLimit();
            return true;
        }
        if (frame.error)
            std::rethrow_exception(frame.error);
        if (frame.built && frame.sinceFrameBefore && previousLeftOut)
            BuildAgainSince(lastWritten, &frame);
        if (!frame.built) {
            previousLeftOut = true;
            continue;  // dropped silently; the next frame that builds writes the header
        }
        previousLeftOut = false;
        lastWritten = frame.source;
        if (!trueSpeed) {
            if (!write(frame, static_cast<uint16_t>(m_runParams.frameDelay & 0xFFFF)))
                return EndAtSizeLimit();
            continue;
        }
        if (holding && !write(held, delays.Next(frame.captureMs)))
            return EndAtSizeLimit();
        held = std::move(frame);
        holding = true;
    }
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
    const int64_t t0 = Ticks();
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
    m_stageTicks[kEncode] += Ticks() - t0;
}

// A 32-bit frame of the output size is read where it lies; any other is scaled first.
bool CGifEncoder::PixelsAtOutputSize(const CQueuedFrame& frame, int32_t width, int32_t height, CFramePixels* pixels)
{
    if (frame.BitsPerPixel() == 32 && frame.Width() == width && frame.Height() == height) {
        pixels->Borrow(frame.Pixels(), width, height);
        return true;
    }
    if (frame.BitsPerPixel() == 32) {
        const int64_t t0 = Ticks();
        const bool scaled = pixels->Scale(frame.Pixels(), frame.Width(), frame.Height(), width, height);
        m_stageTicks[kScale] += Ticks() - t0;
        return scaled;
    }
    const CBitmap scaled = ScaleFrame(frame, width, height);
    return scaled && pixels->Read(scaled.Get());
}

// A frame written as what changed since the frame before it, when that frame is not in the
// file (it could not be built): built again against the last frame the file holds, or whole.
void CGifEncoder::BuildAgainSince(std::shared_ptr<void> lastWritten, CEncodedFrame* frame)
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

// The writer's step for one frame, in capture order: whatever depends on the frames around it
// (the header before the first, the frame's delay) is added here. The frame reaches the file in
// one write, trailer included, so the file is never left ending part-way through a frame.
bool CGifEncoder::WriteFrame(CTrailedGifFile& output, const CEncodedFrame& frame, bool firstFrame, uint16_t delay)
{
    CMemorySink block;
    if (firstFrame)
        WriteGifHeader(block, frame.width, frame.height, frame.bitsPerIndex, m_runParams.plays);
    WriteGifControl(block, delay, frame.transparentIndex);
    const int64_t end = static_cast<int64_t>(output.Committed() + block.Size() + frame.image.size()) + 1;
    if (m_runParams.maxBytes > 0 && end > m_runParams.maxBytes)
        return false;
    output.AppendFrame(block, frame.image.data(), static_cast<uint32_t>(frame.image.size()));
    return true;
}

// The file is complete at its last frame that fits the limit: no later frame is taken, and
// the run ends as one that finished (the window stops the capture when it sees that).
bool CGifEncoder::EndAtSizeLimit()
{
    m_sizeLimitReached = true;
    RefuseFrames();
    return true;
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
    const int64_t t0 = Ticks();
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
    const int64_t t1 = Ticks();
    m_stageTicks[kScale] += t1 - t0;
    HBITMAP bitmap = nullptr;
    if (gdip::GdipCreateHBITMAPFromBitmap(static_cast<GpBitmap*>(scaled), &bitmap, 0xFF000000) !=
        Gdiplus::Ok)
        bitmap = nullptr;
    m_stageTicks[kConvert] += Ticks() - t1;
    return CBitmap(bitmap);
}

// After a failure nothing writes the frames: those in flight are dropped and later ones refused.
void CGifEncoder::RefuseFrames()
{
    {
        CSectionGuard guard(m_queueLock);
        m_accepting = false;
    }
    m_pool.Stop();
}

// The writer's last touch of the encoder is the status: the window may delete it after that.
void CGifEncoder::EndWriter(EncodeFailure failure)
{
    m_failure = failure;
    m_running = 0;
    m_status = failure == NoFailure ? Finished : Failed;
}

void CGifEncoder::JoinWriter()
{
    if (!m_writerThread)
        return;
    m_writerThread.Wait(INFINITE);
    m_writerThread.Close();
}
