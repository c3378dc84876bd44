#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "pipeline/frame_source.h"
#include "win/dc.h"
#include "win/timer_period.h"

class CMemCanvas;

// The on-screen part of `rect` on `screen`, the box around every monitor (its origin lies below
// zero when a monitor is left of or above the primary one). False when nothing of it is on screen.
bool ClampToScreen(const RECT& rect, const RECT& screen, RECT* clamped);

// Where captured canvases go: the encoder, or a test's log.
class ICanvasSink {
public:
    virtual ~ICanvasSink() = default;
    // The canvas is the capture's and changes after the call: a sink copies what it keeps.
    // False when the frame was dropped.
    virtual bool AddFrame(CMemCanvas& canvas) = 0;
};

// Milliseconds the capture thread spent per stage, summed over the frames of the recording.
// For the benchmark.
struct CaptureFigures {
    int32_t frames = 0;
    double copyMs = 0;     // the screen copy
    double previewMs = 0;  // the pointer, when drawn, and the preview stretch
    double handOverMs = 0; // the sink's AddFrame: its pixel copy and queueing
};

// Copies a rectangle of the screen into a canvas of its own, once per CaptureFrame, stretches
// it now and then into the preview canvas and hands it to the sink. Frames always have the
// rectangle's size: a part off screen is black, the rest is copied pixel for pixel. A
// rectangle moved while paused is followed from the next frame on.
class CScreenCapture : public IFrameSource {
public:
    // sink and preview (null for none) are not owned and outlive the capture. drawPointer: the
    // mouse pointer is drawn into the frames; drawClicks: so is a ring around it while a mouse
    // button is down.
    CScreenCapture(const CaptureRect& rect, ICanvasSink& sink, CMemCanvas* preview, bool drawPointer,
                   bool drawClicks = false);
    ~CScreenCapture() override;
    CScreenCapture(const CScreenCapture&) = delete;
    CScreenCapture& operator=(const CScreenCapture&) = delete;

    // False for an empty rectangle or one wholly off screen, or when the display or the
    // capture canvas cannot be had.
    bool Open() override;
    void CaptureFrame(int64_t recordingMs) override;
    void MoveTo(const CaptureRect& rect) override;

    // Capture canvases made so far: 1, plus one per adopted new rectangle.
    int32_t CanvasesMade() const { return m_canvasesMade; }
    CaptureFigures GetFigures() const;

private:
    void AdoptMovedRect();
    void UpdatePreview(CMemCanvas& canvas);

    ICanvasSink& m_sink;
    CMemCanvas* const m_preview;
    const bool m_drawPointer;
    const bool m_drawClicks;
    int m_dpi = 96;  // the screen's, for the click ring's size
    RECT m_rect;          // the capture thread's from Open on
    RECT m_wanted;        // set by MoveTo while paused
    CDC m_display;
    CTimerPeriod m_fineTimer;  // a 1 ms tick while the capture is open
    std::unique_ptr<CMemCanvas> m_canvas;  // after the display: goes first
    RECT m_clip = {};
    RECT m_screen = {};  // every monitor, in screen coordinates as the display context has them
    bool m_previewShown = false;
    DWORD m_lastPreview = 0;
    std::atomic<int32_t> m_canvasesMade{0};
    std::atomic<int32_t> m_framesCaptured{0};
    std::atomic<int64_t> m_stageTicks[3] = {};  // copy, preview, hand-over
};
