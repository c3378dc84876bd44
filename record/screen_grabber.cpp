#include "record/screen_grabber.h"

#include <algorithm>
#include <memory>

#include "record/click_mark.h"
#include "record/mem_canvas.h"
#include "record/pic_encoder.h"
#include "record/pointer_drawing.h"
#include "win/dpi.h"
#include "win/monitors.h"

namespace {

// A device context of the whole display, deleted with DeleteDC.
class CDisplayDC {
public:
    CDisplayDC() : m_dc(CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr)) {}
    ~CDisplayDC()
    {
        if (m_dc)
            DeleteDC(m_dc);
    }
    CDisplayDC(const CDisplayDC&) = delete;
    CDisplayDC& operator=(const CDisplayDC&) = delete;
    HDC Get() const { return m_dc; }

private:
    HDC m_dc;
};

constexpr DWORD kPreviewEveryMs = 100;

int64_t NowTicks()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

int64_t TicksToMs(int64_t ticks)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return ticks * 1000 / frequency.QuadPart;
}

}  // namespace

bool ClampToScreen(const RECT& rect, const RECT& screen, RECT* clamped)
{
    return IntersectRect(clamped, &rect, &screen) != FALSE;
}

CScreenGrabber::CScreenGrabber()
{
    m_stopEvent.Create();
    m_readyEvent.Create();
    m_goEvent.Create();
}

CScreenGrabber::~CScreenGrabber()
{
    Stop();
}

void CScreenGrabber::SetRect(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    m_captureRect = RECT{left, top, right, bottom};
}

void CScreenGrabber::SetInterval(int32_t milliseconds)
{
    m_interval = milliseconds;
}

void CScreenGrabber::SetEncoder(IPicEncoder* encoder)
{
    m_encoder = encoder;
}

void CScreenGrabber::SetPreview(CMemCanvas* preview)
{
    m_preview = preview;
}

void CScreenGrabber::SetPause(int32_t paused)
{
    {
        CSectionGuard guard(m_clockLock);
        const int64_t now = NowTicks();
        if (paused && m_pauseStart < 0) {
            m_pauseStart = now;
        } else if (!paused && m_pauseStart >= 0) {
            m_pausedTicks += now - m_pauseStart;
            m_pauseStart = -1;
        }
    }
    m_paused = paused;
}

void CScreenGrabber::SetDrawPointer(bool draw)
{
    m_drawPointer = draw;
}

void CScreenGrabber::SetDrawClicks(bool draw)
{
    m_drawClicks = draw;
}

int64_t CScreenGrabber::RecordingMs()
{
    CSectionGuard guard(m_clockLock);
    const int64_t now = m_pauseStart >= 0 ? m_pauseStart : NowTicks();
    return TicksToMs(now - m_clockStart - m_pausedTicks);
}

int CScreenGrabber::Start()
{
    if (m_running || IsRectEmpty(&m_captureRect))
        return 0;
    if (!m_stopEvent || !m_readyEvent || !m_goEvent)
        return 0;
    ResetEvent(m_stopEvent.Get());
    ResetEvent(m_readyEvent.Get());
    ResetEvent(m_goEvent.Get());
    m_stopFlag = 0;
    m_paused = 0;  // every run starts capturing at once
    m_setupOk = 0;
    m_canvasesMade = 0;
    m_runDrawsPointer = m_drawPointer;
    m_runDrawsClicks = m_drawClicks;
    m_runDpi = WindowDpi(nullptr);
    {
        CSectionGuard guard(m_clockLock);
        m_clockStart = NowTicks();
        m_pausedTicks = 0;
        m_pauseStart = -1;
    }
    m_framesCaptured = 0;
    for (auto& ticks : m_stageTicks)
        ticks = 0;

    if (!m_captureThread.Start(CaptureProc, this))
        return 0;
    // The thread opens the display and sizes its canvas first, so that a rectangle wholly
    // off screen or a missing display is a refused start rather than a thread that quietly
    // ends, and the encoder is started only for a capture that runs.
    const HANDLE ready[2] = {m_readyEvent.Get(), m_captureThread.Get()};
    WaitForMultipleObjects(2, ready, FALSE, INFINITE);
    if (!m_setupOk) {
        m_captureThread.Wait(INFINITE);
        m_captureThread.Close();
        return 0;
    }
    if (m_encoder)
        m_encoder->Start();
    m_running = 1;
    m_goEvent.Set();
    return 1;
}

CaptureFigures CScreenGrabber::GetFigures() const
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const double msPerTick = 1000.0 / static_cast<double>(frequency.QuadPart);
    CaptureFigures figures;
    figures.frames = m_framesCaptured;
    figures.copyMs = m_stageTicks[0] * msPerTick;
    figures.previewMs = m_stageTicks[1] * msPerTick;
    figures.handOverMs = m_stageTicks[2] * msPerTick;
    return figures;
}

void CScreenGrabber::Stop()
{
    if (!m_running)
        return;
    m_stopFlag = 1;
    m_stopEvent.Set();
    // No time limit: the loop waits on the stop event and each of its steps is short, while
    // a thread killed mid-frame could leave the encoder's queue lock held.
    if (m_captureThread) {
        m_captureThread.Wait(INFINITE);
        m_captureThread.Close();
    }
    if (m_encoder) {
        m_encoder->SetEndTime(RecordingMs());
        m_encoder->AddFrame(nullptr);
    }
    m_running = 0;
}

DWORD WINAPI CScreenGrabber::CaptureProc(void* param)
{
    auto* grabber = static_cast<CScreenGrabber*>(param);
    if (!grabber)
        return 0;
    try {
        grabber->CaptureLoop();
    } catch (...) {
        // A capture that failed ends quietly; Stop still sends the end of frames.
    }
    // Start may still be waiting for the outcome of the set-up.
    grabber->m_readyEvent.Set();
    return 0;
}

void CScreenGrabber::CaptureLoop()
{
    RECT rect = m_captureRect;
    CDisplayDC display;
    std::unique_ptr<CMemCanvas> canvas;
    RECT clip = {};
    // The display context spans every monitor in screen coordinates.
    const RECT screen = VirtualScreenRect();
    if (display.Get()) {
        if (ClampToScreen(rect, screen, &clip)) {
            canvas = std::make_unique<CMemCanvas>();
            if (canvas->Resize(rect.bottom - rect.top, rect.right - rect.left))
                m_canvasesMade = 1;
            else
                canvas.reset();
        }
    }
    m_setupOk = canvas ? 1 : 0;
    m_readyEvent.Set();
    if (!canvas)
        return;
    const HANDLE go[2] = {m_goEvent.Get(), m_stopEvent.Get()};
    if (WaitForMultipleObjects(2, go, FALSE, INFINITE) != WAIT_OBJECT_0)
        return;

    int32_t wasPaused = 0;
    bool previewShown = false;
    DWORD lastPreview = 0;
    while (!m_stopFlag) {
        const DWORD t0 = GetTickCount();
        const int32_t paused = m_paused;
        if (!paused) {
            if (wasPaused && !EqualRect(&m_captureRect, &rect) && !IsRectEmpty(&m_captureRect)) {
                // A new rectangle wholly off screen is ignored like an empty one.
                RECT newClip;
                const RECT moved = m_captureRect;
                if (ClampToScreen(moved, screen, &newClip) &&
                    canvas->Resize(moved.bottom - moved.top, moved.right - moved.left)) {
                    rect = moved;
                    clip = newClip;
                    ++m_canvasesMade;
                } else if (canvas->Width() == 0) {
                    canvas->Resize(rect.bottom - rect.top, rect.right - rect.left);
                }
            }
            // The frame keeps the region's own size: what lies off screen stays the canvas's
            // black, and the on-screen pixels are copied 1:1 to their place in it. Shrinking the
            // frame to the visible part would have the encoder stretch it back to the region.
            const int64_t copyStart = NowTicks();
            BitBlt(canvas->Hdc(), clip.left - rect.left, clip.top - rect.top, clip.right - clip.left,
                   clip.bottom - clip.top, display.Get(), clip.left, clip.top, SRCCOPY);
            const int64_t previewStart = NowTicks();
            const int32_t w = canvas->Width();
            const int32_t h = canvas->Height();
            canvas->SetCaptureMs(RecordingMs());
            if (m_runDrawsClicks)
                DrawClickMark(canvas->Hdc(), rect.left, rect.top, m_runDpi);
            if (m_runDrawsPointer)
                DrawPointer(canvas->Hdc(), rect.left, rect.top);
            // The window shows the preview at its 100 ms poll: stretching every frame into it
            // at 30 frames per second would cost the capture thread for pictures nobody sees.
            CMemCanvas* preview = m_preview;
            if (preview && previewShown && GetTickCount() - lastPreview < kPreviewEveryMs)
                preview = nullptr;
            if (preview) {
                previewShown = true;
                lastPreview = GetTickCount();
                CSectionGuard guard(preview->PaintLock());
                SetStretchBltMode(preview->Hdc(), HALFTONE);
                SetBrushOrgEx(preview->Hdc(), 0, 0, nullptr);
                StretchBlt(preview->Hdc(), 0, 0, preview->Width(), preview->Height(), canvas->Hdc(),
                           0, 0, w, h, SRCCOPY);
            }
            const int64_t handOverStart = NowTicks();
            if (m_encoder)
                m_encoder->AddFrame(canvas.get());
            m_stageTicks[0] += previewStart - copyStart;
            m_stageTicks[1] += handOverStart - previewStart;
            m_stageTicks[2] += NowTicks() - handOverStart;
            ++m_framesCaptured;
        }
        wasPaused = paused;
        // Start to start: a late frame is followed at once, missed slots are not caught up.
        const int32_t remaining = m_interval - static_cast<int32_t>(GetTickCount() - t0);
        if (remaining > 0 &&
            m_stopEvent.Wait(static_cast<DWORD>(remaining)) == WAIT_OBJECT_0)
            break;
    }
}
