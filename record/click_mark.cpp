#include "record/click_mark.h"

#include "win/dc.h"
#include "win/dpi.h"
#include "win/gdi_object.h"

namespace {

bool AnyButtonDown()
{
    for (int button : {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON})
        if (GetAsyncKeyState(button) & 0x8000)
            return true;
    return false;
}

}  // namespace

int ClickMarkRadius(int dpi)
{
    return ScaleToDpi(14, dpi);
}

int ClickMarkWidth(int dpi)
{
    return ScaleToDpi(3, dpi);
}

void DrawClickMark(HDC dc, int32_t originX, int32_t originY, int dpi)
{
    POINT at{};
    if (!AnyButtonDown() || !GetCursorPos(&at))
        return;
    const int x = at.x - originX, y = at.y - originY, r = ClickMarkRadius(dpi);
    CPen pen(PS_SOLID, ClickMarkWidth(dpi), kClickMarkColour);
    CSelectGuard penGuard(dc, pen);
    CSelectGuard brushGuard(dc, ::GetStockObject(NULL_BRUSH));
    ::Ellipse(dc, x - r, y - r, x + r + 1, y + r + 1);
}
