#pragma once
#include <windows.h>

#include <cstdint>

// Draws the mouse pointer, in its current shape and at its current place, into dc, whose
// pixel (0, 0) shows the screen point (originX, originY). Nothing when the pointer is hidden.
void DrawPointer(HDC dc, int32_t originX, int32_t originY);
