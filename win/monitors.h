#pragma once
// The desktop's monitors, in screen coordinates: the origin is the primary monitor's top-left
// corner, so a monitor left of or above it has negative coordinates.
#include <windows.h>

// The box around every monitor.
RECT VirtualScreenRect();
// The whole of the monitor that holds most of `rect` (the nearest one when none does).
RECT MonitorRectOf(const RECT& rect);
