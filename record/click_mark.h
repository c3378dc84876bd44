#pragma once
#include <windows.h>

#include <cstdint>

// While a mouse button is down, draws a ring around the pointer's hot spot into dc, whose pixel
// (0, 0) shows the screen point (originX, originY); the ring's size follows dpi. Nothing while
// every button is up. The ring is drawn into the frames only, never on the screen.
void DrawClickMark(HDC dc, int32_t originX, int32_t originY, int dpi);

// The ring's radius and line width in pixels at dpi (designed at 96).
int ClickMarkRadius(int dpi);
int ClickMarkWidth(int dpi);

// The ring's colour: a warm yellow that screen content seldom has in so thin a circle.
constexpr COLORREF kClickMarkColour = RGB(255, 196, 0);
