#include "record/pointer_drawing.h"

void DrawPointer(HDC dc, int32_t originX, int32_t originY)
{
    CURSORINFO cursor = {};
    cursor.cbSize = sizeof(cursor);
    if (!GetCursorInfo(&cursor) || !(cursor.flags & CURSOR_SHOWING) || !cursor.hCursor)
        return;
    ICONINFO icon = {};
    if (!GetIconInfo(cursor.hCursor, &icon))
        return;
    // GetIconInfo hands over copies of the pointer's bitmaps; only its hot spot is wanted.
    if (icon.hbmMask)
        DeleteObject(icon.hbmMask);
    if (icon.hbmColor)
        DeleteObject(icon.hbmColor);
    const int x = cursor.ptScreenPos.x - static_cast<int>(icon.xHotspot) - originX;
    const int y = cursor.ptScreenPos.y - static_cast<int>(icon.yHotspot) - originY;
    DrawIconEx(dc, x, y, cursor.hCursor, 0, 0, 0, nullptr, DI_NORMAL);
}
