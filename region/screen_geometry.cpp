#include "screen_geometry.h"

#include "win/dpi.h"

#include <algorithm>

namespace {

// The marks' thickness at 96 DPI: the margin is exactly as wide as a mark.
const int kMarkThickness = 5;

LONG Width(const RECT& r)
{
    return r.right - r.left;
}

LONG Height(const RECT& r)
{
    return r.bottom - r.top;
}

// The offset that brings [low, low + length) inside [lowest, highest), preferring the low edge
// when it cannot fit.
LONG ShiftInside(LONG low, LONG length, LONG lowest, LONG highest)
{
    return std::max(lowest, std::min(low, highest - length)) - low;
}

}  // namespace

int MarkMargin(int dpi)
{
    return ScaleToDpi(kMarkThickness, dpi);
}

RECT ClientForRegion(const RECT& region, int dpi)
{
    RECT client = region;
    const int margin = MarkMargin(dpi);
    ::InflateRect(&client, margin, margin);
    return client;
}

RECT RegionInClient(const RECT& client, int dpi)
{
    RECT region = client;
    const int margin = MarkMargin(dpi);
    ::InflateRect(&region, -margin, -margin);
    return region;
}

RECT MarkedArea(const RECT& region, int dpi, const RECT& screen)
{
    const RECT client = ClientForRegion(region, dpi);
    RECT area{};
    ::IntersectRect(&area, &client, &screen);
    return area;
}

RECT KeepInside(const RECT& requested, const RECT& current, const RECT& bounds)
{
    RECT next = requested;
    if (Width(next) == Width(current) && Height(next) == Height(current)) {
        ::OffsetRect(&next, ShiftInside(next.left, Width(next), bounds.left, bounds.right),
                     ShiftInside(next.top, Height(next), bounds.top, bounds.bottom));
    }
    next.left = std::max(next.left, bounds.left);
    next.top = std::max(next.top, bounds.top);
    next.right = std::min(next.right, bounds.right);
    next.bottom = std::min(next.bottom, bounds.bottom);
    return next;
}

SizedRegion RegionOfSize(int width, int height, const RECT& around, const RECT& bounds)
{
    const LONG w = std::min<LONG>(width, Width(bounds));
    const LONG h = std::min<LONG>(height, Height(bounds));
    const LONG left = around.left + (Width(around) - w) / 2;
    const LONG top = around.top + (Height(around) - h) / 2;
    RECT rect{left, top, left + w, top + h};
    ::OffsetRect(&rect, ShiftInside(rect.left, w, bounds.left, bounds.right),
                 ShiftInside(rect.top, h, bounds.top, bounds.bottom));
    return SizedRegion{rect, w < width || h < height};
}
