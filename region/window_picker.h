#pragma once
// Finding the window to record by pointing at it: the topmost visible top-level window under a
// screen point, passing over the windows of one process (Ravlin's own, the overlay among them).
#include <windows.h>

// The topmost window under `screenPoint` that is visible, not minimised, not cloaked and not of
// process `skipProcess`; null when there is none.
HWND PickableWindowAt(POINT screenPoint, DWORD skipProcess);

// What the user sees of `window`: its visible frame where the system can tell it (current
// Windows adds invisible resize borders to the window rectangle), else the window rectangle.
RECT VisibleFrameOf(HWND window);
