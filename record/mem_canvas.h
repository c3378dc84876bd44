#pragma once
#include <windows.h>

#include <cstdint>
#include <mutex>
#include <optional>

#include "win/dc.h"
#include "win/gdi_object.h"

// A resizable off-screen surface: the memory drawing context itself, with a screen-compatible
// bitmap of its own that stays selected into it. The screen capture copies each frame into one; the
// main window keeps another as its live preview.
class CMemCanvas : public CDC {
public:
    // An 800 x 600 canvas filled with black.
    CMemCanvas();
    ~CMemCanvas() override;
    CMemCanvas(const CMemCanvas&) = delete;
    CMemCanvas& operator=(const CMemCanvas&) = delete;

    // Replaces the bitmap by a new one of width x height filled with the fill colour; the old
    // pixels are lost. A size of zero or less, or a bitmap that cannot be created, leaves an
    // empty 0 x 0 canvas and returns false.
    bool Resize(int32_t width, int32_t height);

    HDC Hdc() const { return m_hDC; }
    HBITMAP Bitmap() const { return m_bitmap.Get(); }
    int32_t Width() const { return m_width; }
    // Counts the Resize calls: frames of one generation come from the same screen rectangle.
    uint32_t Generation() const { return m_generation; }
    int32_t Height() const { return m_height; }
    int BitsPerPixel() const;

    // A device-independent copy of the pixels (bottom-up rows, the canvas's depth) that the
    // caller owns and releases with array delete, or null; see CopyBitmapDib.
    uint8_t* CopyDib(uint32_t* byteCount, BITMAPINFO* info) const;
    // What CopyDib would allocate now, without copying; 0 for an empty canvas.
    uint32_t DibSize() const;

    // The preview canvas is drawn into by the capture thread and painted from by the window:
    // both hold this lock for just their stretch.
    std::mutex& PaintLock() { return m_paintLock; }

    // When the picture now in the canvas was captured, in recording milliseconds; the capture
    // sets it, the encoder keeps it with the frame.
    int64_t CaptureMs() const { return m_captureMs; }
    void SetCaptureMs(int64_t ms) { m_captureMs = ms; }

private:
    void Fill();
    void DropBitmap();

    CBitmap m_bitmap;
    std::optional<CSelectGuard> m_selection;  // after the bitmap: deselects it before it goes
    int32_t m_height = 0;
    int32_t m_width = 0;
    uint32_t m_generation = 0;
    COLORREF m_fillColour = RGB(0, 0, 0);
    std::mutex m_paintLock;
    int64_t m_captureMs = 0;
};
