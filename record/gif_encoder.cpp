#include "record/gif_encoder.h"

#include <utility>

#include "gif/gif_writer.h"
#include "win/file.h"
#include "win/message_box.h"
#include "record/bitmap_to_frame.h"
#include "record/dib_copy.h"
#include "record/gif_repair.h"
#include "record/mem_canvas.h"
#include "record/memory_sink.h"

namespace {

enum Stage { kScale, kConvert, kEncode, kWrite };

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

// The palette and indices BuildIndexedFrame hands over.
struct CIndexedFrame {
    uint8_t* palette = nullptr;
    uint8_t* indices = nullptr;
    uint8_t bitsPerIndex = 8;
    int32_t width = 0;
    int32_t height = 0;
    CIndexedFrame() = default;
    CIndexedFrame(const CIndexedFrame&) = delete;
    CIndexedFrame& operator=(const CIndexedFrame&) = delete;
    ~CIndexedFrame()
    {
        delete[] palette;
        delete[] indices;
    }
};

}  // namespace

CGifEncoder::CGifEncoder(uint64_t queueBudget) : m_queueBudget(queueBudget)
{
    m_wakeEvent.Create();
    m_frameEvent.Create();
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
    if (m_wakeEvent)
        ResetEvent(m_wakeEvent.Get());
    m_stopFlag = 0;
    m_finishFlag = 0;
    m_running = 1;
    m_status = Encoding;
    m_encodedCount = 0;
    m_receivedCount = 0;
    m_droppedCount = 0;
    m_failure = NoFailure;
    m_runParams = m_params;
    // Frames left from a run that Stop ended belong to its deleted file.
    std::deque<std::unique_ptr<CQueuedFrame>> stale;
    {
        CSectionGuard guard(m_queueLock);
        stale.swap(m_frameQueue);
        m_queuedBytes = 0;
        m_maxQueueLength = 0;
        m_accepting = true;
    }
    stale.clear();
    for (auto& ticks : m_stageTicks)
        ticks = 0;
    // The fields are set before the thread exists, so an early end of the worker is not
    // overwritten.
    if (!m_workerThread.Start(WorkerProc, this)) {
        RefuseFrames();
        EndWorker(EncodeError);
        return 0;
    }
    return 1;
}

int CGifEncoder::AddFrame(CMemCanvas* canvas)
{
    if (!canvas) {
        // Under the lock, so the worker never sees the finish before a frame queued ahead of it.
        {
            CSectionGuard guard(m_queueLock);
            m_finishFlag = 1;
        }
        m_frameEvent.Set();
        return 1;
    }
    // Refuse before copying when the frame cannot fit: the copy is the expensive part.
    {
        CSectionGuard guard(m_queueLock);
        if (!m_accepting)
            return 0;
        if (m_queuedBytes + canvas->DibSize() > m_queueBudget) {
            ++m_droppedCount;
            return 0;
        }
    }
    BITMAPINFO info = {};
    void* bits = nullptr;
    HBITMAP section = canvas->CopyToSection(&info, &bits);
    if (!section)
        return 0;
    auto frame = std::make_unique<CQueuedFrame>(section, bits, info.bmiHeader);
    const uint32_t size = frame->Size();
    {
        CSectionGuard guard(m_queueLock);
        if (!m_accepting)
            return 0;
        if (m_queuedBytes + size > m_queueBudget) {
            ++m_droppedCount;
            return 0;
        }
        m_frameQueue.push_back(std::move(frame));
        m_queuedBytes += size;
        ++m_receivedCount;
        if (static_cast<int32_t>(m_frameQueue.size()) > m_maxQueueLength)
            m_maxQueueLength = static_cast<int32_t>(m_frameQueue.size());
    }
    m_frameEvent.Set();
    return 1;
}

int CGifEncoder::Stop()
{
    if (m_running) {
        m_stopFlag = 1;
        if (m_wakeEvent)
            m_wakeEvent.Set();
    }
    // No time limit: the worker looks at the stop flag between stages and never sleeps past
    // it, whereas a thread killed mid-frame could leave the heap or the queue lock held.
    JoinWorker();
    m_running = 0;
    return 1;
}

int CGifEncoder::Shutdown()
{
    Stop();
    m_wakeEvent.Close();
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

EncoderFigures CGifEncoder::GetFigures()
{
    EncoderFigures figures;
    {
        CSectionGuard guard(m_queueLock);
        figures.maxQueueLength = m_maxQueueLength;
    }
    figures.scaleMs = TicksToMs(m_stageTicks[kScale]);
    figures.convertMs = TicksToMs(m_stageTicks[kConvert]);
    figures.encodeMs = TicksToMs(m_stageTicks[kEncode]);
    figures.writeMs = TicksToMs(m_stageTicks[kWrite]);
    return figures;
}

std::unique_ptr<IByteSink> CGifEncoder::OpenOutput(const std::wstring& path)
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

DWORD WINAPI CGifEncoder::WorkerProc(void* param)
{
    auto* encoder = static_cast<CGifEncoder*>(param);
    if (encoder)
        encoder->RunWorker();
    return 0;
}

void CGifEncoder::RunWorker()
{
    EncodeFailure failure = NoFailure;
    try {
        failure = EncodeLoop();
    } catch (const CFileException&) {
        failure = WriteFailed;
    } catch (...) {
        failure = EncodeError;
    }
    if (failure != NoFailure)
        RefuseFrames();
    // One box for an exception; the window words the early ends that raised none. The status
    // changes only once the box is closed, so the window does not end the recording under it.
    if (failure == WriteFailed || failure == EncodeError) {
        try {
            ReportError();
        } catch (...) {
        }
    }
    EndWorker(failure);
}

EncodeFailure CGifEncoder::EncodeLoop()
{
    const RECT& out = m_runParams.outputRect;
    if (out.right - out.left <= 0 || out.bottom - out.top <= 0)
        return EmptyOutput;
    std::unique_ptr<IByteSink> file = OpenOutput(m_runParams.fileName);
    if (!file)
        return CannotCreateFile;

    uint64_t committed = 0;  // bytes up to the end of the last whole frame
    bool drained = false;
    try {
        drained = EncodeFrames(*file, &committed);
        WriteGifTrailer(*file);
        file.reset();
    } catch (...) {
        // Keep what was recorded before the failure as a valid GIF: close the file, cut it
        // back to its last whole frame and end it there.
        file.reset();
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

// Returns true when the queue was drained after the finish signal, false when stopped.
bool CGifEncoder::EncodeFrames(IByteSink& file, uint64_t* committed)
{
    const RECT& out = m_runParams.outputRect;
    const int32_t width = out.right - out.left;
    const int32_t height = out.bottom - out.top;
    const uint16_t delay = static_cast<uint16_t>(m_runParams.frameDelay & 0xFFFF);
    CMemorySink block;
    bool headerWritten = false;

    for (;;) {
        std::unique_ptr<CQueuedFrame> frame;
        const Next next = TakeFrame(&frame);
        if (next == Next::Stopped)
            return false;
        if (next == Next::Drained)
            return true;

        CBitmap scaledBitmap;
        HBITMAP gdiBitmap = frame->Bitmap();
        if (frame->Width() != width || frame->Height() != height) {
            scaledBitmap = ScaleFrame(*frame, width, height);
            gdiBitmap = scaledBitmap.Get();
        }
        if (!gdiBitmap)
            continue;
        if (m_stopFlag)
            return false;
        int64_t t0 = Ticks();

        CIndexedFrame indexed;
        const int built = BuildIndexedFrame(gdiBitmap, &indexed.palette, &indexed.indices,
                                            &indexed.bitsPerIndex, &indexed.width,
                                            &indexed.height, m_nearestColour);
        if (!built)
            continue;  // dropped silently; the next frame that converts writes the header
        if (m_stopFlag)
            return false;
        block.Clear();
        if (!headerWritten)
            WriteGifHeader(block, static_cast<uint16_t>(indexed.width),
                           static_cast<uint16_t>(indexed.height), indexed.bitsPerIndex);
        WriteGifFrame(block, indexed.indices, indexed.palette, static_cast<uint16_t>(indexed.width),
                      static_cast<uint16_t>(indexed.height), indexed.bitsPerIndex, delay, -1);
        int64_t t1 = Ticks();
        m_stageTicks[kEncode] += t1 - t0;

        file.Write(block.Data(), block.Size());
        m_stageTicks[kWrite] += Ticks() - t1;
        headerWritten = true;
        *committed += block.Size();
        ++m_encodedCount;
    }
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

// The next frame, or why there is none. Never sleeps while frames wait; with an empty queue
// it waits 20 ms (2 ms once finishing) or until a frame or Stop wakes it.
CGifEncoder::Next CGifEncoder::TakeFrame(std::unique_ptr<CQueuedFrame>* frame)
{
    for (;;) {
        if (m_stopFlag)
            return Next::Stopped;
        {
            CSectionGuard guard(m_queueLock);
            if (!m_frameQueue.empty()) {
                *frame = std::move(m_frameQueue.front());
                m_frameQueue.pop_front();
                m_queuedBytes -= (*frame)->Size();
                return Next::Frame;
            }
            if (m_finishFlag)
                return Next::Drained;
        }
        const HANDLE events[2] = {m_wakeEvent.Get(), m_frameEvent.Get()};
        const DWORD wait = m_finishFlag ? 2 : 20;
        if (WaitForMultipleObjects(2, events, FALSE, wait) == WAIT_OBJECT_0)
            return Next::Stopped;
    }
}

// After a failure nothing drains the queue: its frames are freed and later ones refused.
void CGifEncoder::RefuseFrames()
{
    std::deque<std::unique_ptr<CQueuedFrame>> abandoned;
    CSectionGuard guard(m_queueLock);
    m_accepting = false;
    abandoned.swap(m_frameQueue);
    m_queuedBytes = 0;
    guard.Release();
}

// The worker's last touch of the encoder is the status: the window may delete it after that.
void CGifEncoder::EndWorker(EncodeFailure failure)
{
    m_failure = failure;
    m_running = 0;
    m_status = failure == NoFailure ? Finished : Failed;
}

void CGifEncoder::JoinWorker()
{
    if (!m_workerThread)
        return;
    m_workerThread.Wait(INFINITE);
    m_workerThread.Close();
}
