#pragma once
// Helpers for the window tests: pumping messages until a condition holds, real mouse input
// through the system's input queue, and reading (and keeping) what is on the screen.
#include <windows.h>

#include <string>
#include <vector>

#include "tests/pump_until.h"
#include "win/window.h"

// Makes this process the foreground one before a test window appears. Under Wine the first window
// of a process that is not yet in the foreground is activated without the active caption message.
void EnsureProcessForeground();

// Lets queued messages run for a moment (used only after a condition, never instead of one).
void PumpFor(DWORD ms);

void MouseMoveTo(int x, int y);
void MouseButton(bool left, bool down);

// Pixels of a screen rectangle, row by row.
class CScreenShot {
public:
    explicit CScreenShot(const RECT& screenRect);
    COLORREF At(int x, int y) const { return m_pixels[static_cast<size_t>(y) * m_width + x]; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Kept under artefacts\ in the test's working folder.
    void Save(const std::wstring& name) const;
    bool Contains(const RECT& area, COLORREF colour) const;

private:
    int m_width;
    int m_height;
    std::vector<COLORREF> m_pixels;
};

// The pixels of one bitmap (or a cell of it), for comparing with what was drawn.
std::vector<COLORREF> BitmapPixels(HBITMAP bitmap, int x, int y, int w, int h);
// Whether the screen shows those pixels at (left, top) of the shot.
bool ShowsPixels(const CScreenShot& shot, int left, int top, int w, int h, const std::vector<COLORREF>& expected);

std::wstring ModuleDir();
