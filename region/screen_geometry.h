#pragma once
// Rectangle arithmetic of the region on a desktop of one or more monitors. Every rectangle is in
// screen coordinates, whose origin is the primary monitor's top-left corner: a monitor left of or
// above the primary one has negative coordinates, and the virtual screen (the box around all
// monitors) may start below zero.
#include <windows.h>

// The band around the region that holds the corner marks, at a monitor's DPI. The marks lie in
// it, outside the region, so that no copy of the region's pixels can hold them.
int MarkMargin(int dpi);

// The overlay's client area for a region (the region and the margin on every side), and back.
RECT ClientForRegion(const RECT& region, int dpi);
RECT RegionInClient(const RECT& client, int dpi);
// The region and as much of its margin as lies on `screen`: a side on the screen's edge has none.
RECT MarkedArea(const RECT& region, int dpi, const RECT& screen);

// Where a rectangle goes when the user moves or sizes it from `current` toward `requested`, kept
// inside `bounds`: a move keeps the size and stops at the edges, sizing is cut at them, and a
// rectangle larger than the bounds is cut to them.
RECT KeepInside(const RECT& requested, const RECT& current, const RECT& bounds);

// A region of a typed size.
struct SizedRegion {
    RECT rect;
    bool cut;  // the size was larger than the bounds and was cut to them
};

// A region of width x height centred on `around` (the current region, or the monitor when there
// is none), then moved wholly inside `bounds`; larger than the bounds, it is cut to them.
SizedRegion RegionOfSize(int width, int height, const RECT& around, const RECT& bounds);
