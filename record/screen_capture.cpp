#include "record/screen_capture.h"

#include <algorithm>
#include <mutex>

#include "record/click_mark.h"
#include "record/mem_canvas.h"
#include "record/pointer_drawing.h"
#include "win/dpi.h"
#include "win/monitors.h"

namespace {

constexpr DWORD kPreviewEveryMs = 100;

int64_t NowTicks()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

RECT ToRect(const CaptureRect& rect)
{
    return RECT{rect.left, rect.top, rect.right, rect.bottom};
}

}  // namespace

bool ClampToScreen(const RECT& rect, const RECT& screen, RECT* clamped)
{
    return IntersectRect(clamped, &rect, &screen) != FALSE;
}

CScreenCapture::CScreenCapture(const CaptureRect& rect, ICanvasSink& sink, CMemCanvas* preview, bool drawPointer,
                               bool drawClicks)
    : m_sink(sink),
      m_preview(preview),
      m_drawPointer(drawPointer),
      m_drawClicks(drawClicks),
      m_rect(ToRect(rect)),
      m_wanted(m_rect)
{
}

CScreenCapture::~CScreenCapture() = default;

bool CScreenCapture::Open()
{
    if (IsRectEmpty(&m_rect))
        return false;
    if (!m_display.CreateDisplayDC())
        return false;
    m_dpi = WindowDpi(nullptr);
    m_screen = VirtualScreenRect();
    if (!ClampToScreen(m_rect, m_screen, &m_clip))
        return false;
    m_canvas = std::make_unique<CMemCanvas>();
    if (!m_canvas->Resize(m_rect.right - m_rect.left, m_rect.bottom - m_rect.top)) {
        m_canvas.reset();
        return false;
    }
    m_canvasesMade = 1;
    // Windows ends timed waits on its timer's tick, 15.6 ms unless asked for finer: at 20 frames
    // per second, most frames would start a tick after their slot.
    m_fineTimer = CTimerPeriod(1);
    return true;
}

void CScreenCapture::MoveTo(const CaptureRect& rect)
{
    m_wanted = ToRect(rect);
}

// A new rectangle that is empty or wholly off screen is ignored, and the old one kept.
void CScreenCapture::AdoptMovedRect()
{
    if (EqualRect(&m_wanted, &m_rect) || IsRectEmpty(&m_wanted))
        return;
    const RECT moved = m_wanted;
    m_wanted = m_rect;
    RECT clip;
    if (ClampToScreen(moved, m_screen, &clip) &&
        m_canvas->Resize(moved.right - moved.left, moved.bottom - moved.top)) {
        m_rect = moved;
        m_wanted = moved;
        m_clip = clip;
        ++m_canvasesMade;
    } else if (m_canvas->Width() == 0) {
        m_canvas->Resize(m_rect.right - m_rect.left, m_rect.bottom - m_rect.top);
    }
}

void CScreenCapture::CaptureFrame(int64_t recordingMs)
{
    AdoptMovedRect();
    CMemCanvas& canvas = *m_canvas;
    // The frame keeps the region's own size: what lies off screen stays the canvas's black, and
    // the on-screen pixels are copied 1:1 to their place in it. Shrinking the frame to the
    // visible part would have the encoder stretch it back to the region.
    const int64_t copyStart = NowTicks();
    BitBlt(canvas.Hdc(), m_clip.left - m_rect.left, m_clip.top - m_rect.top, m_clip.right - m_clip.left,
           m_clip.bottom - m_clip.top, m_display, m_clip.left, m_clip.top, SRCCOPY);
    const int64_t previewStart = NowTicks();
    canvas.SetCaptureMs(recordingMs);
    if (m_drawClicks)
        DrawClickMark(canvas.Hdc(), m_rect.left, m_rect.top, m_dpi);
    if (m_drawPointer)
        DrawPointer(canvas.Hdc(), m_rect.left, m_rect.top);
    UpdatePreview(canvas);
    const int64_t handOverStart = NowTicks();
    m_sink.AddFrame(canvas);
    m_stageTicks[0] += previewStart - copyStart;
    m_stageTicks[1] += handOverStart - previewStart;
    m_stageTicks[2] += NowTicks() - handOverStart;
    ++m_framesCaptured;
}

// The window shows the preview every 100 ms: stretching every frame into it at 30 frames per
// second would cost the capture thread for pictures nobody sees.
void CScreenCapture::UpdatePreview(CMemCanvas& canvas)
{
    if (!m_preview || (m_previewShown && GetTickCount() - m_lastPreview < kPreviewEveryMs))
        return;
    m_previewShown = true;
    m_lastPreview = GetTickCount();
    std::lock_guard<std::mutex> guard(m_preview->PaintLock());
    SetStretchBltMode(m_preview->Hdc(), HALFTONE);
    SetBrushOrgEx(m_preview->Hdc(), 0, 0, nullptr);
    StretchBlt(m_preview->Hdc(), 0, 0, m_preview->Width(), m_preview->Height(), canvas.Hdc(), 0, 0,
               canvas.Width(), canvas.Height(), SRCCOPY);
}

CaptureFigures CScreenCapture::GetFigures() const
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
