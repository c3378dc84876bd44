#pragma once
// The tool window's status lines: their size and font at a DPI, and how two texts share a line
// (a count at the left, the file's size at the right). Kept apart from the window so that a test
// can lay out the longest texts of each language at every DPI.
#include <windows.h>

#include <string>

// One status box at a DPI (the design is at 96 DPI): wide enough for the longest count beside
// the longest size, in either language.
SIZE StatusBoxSize(int dpi);

// The status font at a DPI.
LOGFONTW StatusFont(int dpi);

// Where the text goes inside a status box: inset 4 at the left and top, 2 at the right and
// bottom.
RECT StatusTextRect(const RECT& box, int dpi);

// The room left in `text` for the left text of a line once `right` (in the font selected into
// dc) is against its right edge, with a gap between them.
RECT LeftTextRoom(HDC dc, const std::wstring& right, const RECT& text, int dpi);
