#pragma once
#include <windows.h>

#include <cstdint>
#include <future>
#include <memory>
#include <thread>

#include "tests/dib_canvas.h"

// A topmost window, on a thread of its own, that the tests put on screen to be recorded.
// Solid: one colour. Counter: a strip of red, green and blue bars above a row of eight
// black-or-white cells that spell, in binary with the highest bit on the left, the number of
// 40 ms steps since the scene was shown. Moving: a many-coloured picture that scrolls
// sideways by 6 pixels a step, for the benchmark. Window: the same picture standing still as a
// desktop, with a white text window sliding across it by 6 pixels a step.
class CTestScene {
public:
    enum class Kind { Solid, Counter, Moving, Window };
    static constexpr int kCounterStepMs = 40;

    CTestScene(Kind kind, RECT rect, COLORREF colour = RGB(0, 0, 0));
    ~CTestScene();
    CTestScene(const CTestScene&) = delete;
    CTestScene& operator=(const CTestScene&) = delete;

    // False when the window could not be shown within the time.
    bool WaitShown(DWORD timeoutMs = 10000) const;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Run();
    void Paint(HDC dc) const;
    void MakePicture();
    int32_t Step() const;

    Kind m_kind;
    RECT m_rect;
    COLORREF m_colour;
    DWORD m_shownAt = 0;
    int32_t m_paintedStep = -1;
    std::thread m_thread;
    std::promise<void> m_ready;
    DWORD m_threadId = 0;  // set by the thread before m_ready
    HWND m_window = nullptr;
    std::unique_ptr<CDibCanvas> m_picture;  // Moving: twice the window's width, scrolled through
};

// True once the screen shows `colour` (within `tolerance` per channel) at (x, y).
bool WaitForScreenColour(int x, int y, COLORREF colour, int tolerance = 8, DWORD timeoutMs = 10000);
bool ColourNear(COLORREF a, COLORREF b, int tolerance);
