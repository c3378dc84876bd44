#include "record/pointer_drawing.h"

void DrawPointer(HDC dc, int32_t originX, int32_t originY)
{
    CURSORINFO cursor = {};
    cursor.cbSize = sizeof(cursor);
    if (!GetCursorInfo(&cursor) || !(cursor.flags & CURSOR_SHOWING) || !cursor.hCursor)
        return;
    HCURSOR shape = cursor.hCursor;
    ICONINFO icon = {};
    if (!GetIconInfo(shape, &icon)) {
        // Wine keeps a cursor's pictures in the process that made it, so another program's
        // pointer cannot be read from here: the standard arrow stands in for it.
        shape = LoadCursorW(nullptr, IDC_ARROW);
        if (!shape || !GetIconInfo(shape, &icon))
            return;
    }
    // GetIconInfo hands over copies of the pointer's bitmaps; only its hot spot is wanted.
    if (icon.hbmMask)
        DeleteObject(icon.hbmMask);
    if (icon.hbmColor)
        DeleteObject(icon.hbmColor);
    const int x = cursor.ptScreenPos.x - static_cast<int>(icon.xHotspot) - originX;
    const int y = cursor.ptScreenPos.y - static_cast<int>(icon.yHotspot) - originY;
    DrawIconEx(dc, x, y, shape, 0, 0, 0, nullptr, DI_NORMAL);
}
