#pragma once
#include <windows.h>

#include <cstdint>

// Where a w x h picture is drawn in `area`: as large as it fits with its shape kept, centred,
// and small pictures at their own size rather than blown up.
inline RECT FitPicture(const RECT& area, int w, int h)
{
    const int areaW = area.right - area.left, areaH = area.bottom - area.top;
    if (w <= 0 || h <= 0)
        return RECT{area.left, area.top, area.left, area.top};
    int drawW = areaW, drawH = static_cast<int>(static_cast<int64_t>(areaW) * h / w);
    if (drawH > areaH) {
        drawH = areaH;
        drawW = static_cast<int>(static_cast<int64_t>(areaH) * w / h);
    }
    if (drawW > w && drawH > h) {
        drawW = w;
        drawH = h;
    }
    const int left = area.left + (areaW - drawW) / 2, top = area.top + (areaH - drawH) / 2;
    return RECT{left, top, left + drawW, top + drawH};
}
