#include "app/status_layout.h"

#include "win/dpi.h"

namespace {

// The longest count beside the longest size ("Encoded: 999999", "9999.9 MB / 4000 MB") needs
// 221 pixels at 96 DPI and grows a little faster than the DPI (letters round to whole pixels):
// the status layout test measures both languages from 96 to 192 DPI.
const int kBoxWidth = 250;
const int kBoxHeight = 25;
const int kFontHeight = 15;
const int kGap = 8;

int TextWidth(HDC dc, const std::wstring& text)
{
    if (text.empty())
        return 0;
    RECT r{0, 0, 0, 0};
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    return r.right - r.left;
}

}  // namespace

SIZE StatusBoxSize(int dpi)
{
    return SIZE{ScaleToDpi(kBoxWidth, dpi), ScaleToDpi(kBoxHeight, dpi)};
}

LOGFONTW StatusFont(int dpi)
{
    LOGFONTW font{};
    font.lfHeight = ScaleToDpi(kFontHeight, dpi);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = ANSI_CHARSET;
    font.lfPitchAndFamily = FF_SWISS;
    lstrcpynW(font.lfFaceName, L"Arial", LF_FACESIZE);
    return font;
}

RECT StatusTextRect(const RECT& box, int dpi)
{
    return RECT{box.left + ScaleToDpi(4, dpi), box.top + ScaleToDpi(4, dpi), box.right - ScaleToDpi(2, dpi),
                box.bottom - ScaleToDpi(2, dpi)};
}

RECT LeftTextRoom(HDC dc, const std::wstring& right, const RECT& text, int dpi)
{
    RECT room = text;
    if (!right.empty())
        room.right -= TextWidth(dc, right) + ScaleToDpi(kGap, dpi);
    return room;
}
