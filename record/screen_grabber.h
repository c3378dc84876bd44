#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>

#include "record/section_lock.h"
#include "win/handles.h"

class CMemCanvas;
class IPicEncoder;

// The on-screen part of `rect` on `screen`, the box around every monitor (its origin lies below
// zero when a monitor is left of or above the primary one). False when nothing of it is on screen.
bool ClampToScreen(const RECT& rect, const RECT& screen, RECT* clamped);

// Milliseconds the capture thread spent per stage, summed over the frames of the current or
// last run. For the benchmark.
struct CaptureFigures {
    int32_t frames = 0;
    double copyMs = 0;     // the screen copy
    double previewMs = 0;  // the pointer, when drawn, and the preview stretch
    double handOverMs = 0; // the encoder's AddFrame: its pixel copy and queueing
};

// Copies a rectangle of the screen at a fixed interval on a thread of its own, stretches each
// frame into the preview canvas and hands it to the encoder. Lives as long as the main window
// and serves one recording after another; it can pause, and on resume it follows a rectangle
// that was moved while paused. Frames always have the rectangle's size: a part off screen is
// black, the rest is copied pixel for pixel.
class CScreenGrabber {
public:
    CScreenGrabber();
    ~CScreenGrabber();
    CScreenGrabber(const CScreenGrabber&) = delete;
    CScreenGrabber& operator=(const CScreenGrabber&) = delete;

    // Only before Start or while paused: the capture thread reads it then.
    void SetRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
    void SetInterval(int32_t milliseconds);
    void SetEncoder(IPicEncoder* encoder);  // not owned
    void SetPreview(CMemCanvas* preview);   // not owned
    void SetPause(int32_t paused);
    // Draw the mouse pointer into the frames; read at Start.
    void SetDrawPointer(bool draw);
    // A ring around the pointer in the frames while a mouse button is down.
    void SetDrawClicks(bool draw);

    // 1 when capture runs. 0, with nothing started and the encoder untouched, while running,
    // for an empty rectangle or one wholly off screen, or when the display or the capture
    // canvas cannot be had.
    int Start();
    // Ends the capture thread, then tells the encoder that no more frames come.
    void Stop();

    bool IsRunning() const { return m_running != 0; }
    // Capture canvases made in the current or last run: 1, plus one per adopted new rectangle.
    int32_t CanvasesMade() const { return m_canvasesMade; }
    // Milliseconds since the current or last Start, less the time spent paused: the clock of
    // the frames' capture times.
    int64_t RecordingMs();
    CaptureFigures GetFigures() const;

private:
    static DWORD WINAPI CaptureProc(void* param);
    void CaptureLoop();

    CThread m_captureThread;
    RECT m_captureRect = {0, 0, 0, 0};
    std::atomic<int32_t> m_interval{40};
    IPicEncoder* m_encoder = nullptr;
    std::atomic<int32_t> m_stopFlag{0};
    CEvent m_stopEvent;   // only Stop signals it
    CEvent m_readyEvent;  // the thread has its display and canvas, or failed to
    CEvent m_goEvent;     // the encoder is started: capture may begin
    std::atomic<int32_t> m_running{0};
    CMemCanvas* m_preview = nullptr;
    std::atomic<int32_t> m_paused{0};
    std::atomic<int32_t> m_setupOk{0};
    std::atomic<int32_t> m_canvasesMade{0};
    std::atomic<bool> m_drawPointer{false};
    bool m_runDrawsPointer = false;
    std::atomic<bool> m_drawClicks{false};
    bool m_runDrawsClicks = false;
    int m_runDpi = 96;

    // The recording clock, written by Start and SetPause and read by the capture thread.
    CSectionLock m_clockLock;
    int64_t m_clockStart = 0;  // performance-counter ticks
    int64_t m_pausedTicks = 0;
    int64_t m_pauseStart = -1;  // ticks at the pause that holds now, or -1
    std::atomic<int32_t> m_framesCaptured{0};
    std::atomic<int64_t> m_stageTicks[3] = {};  // copy, preview, hand-over
};
