// The tool window's status lines hold their longest texts in both languages at every DPI from 96
// to 192: the count beside the file's size, and the whole-screen line, none cut or overlapped.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/resource.h"
#include "app/status_layout.h"
#include "app/ui_language.h"
#include "win/resource_text.h"

namespace {

int TextWidth(HDC dc, const std::wstring& text)
{
    RECT r{0, 0, 0, 0};
    ::DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    return r.right - r.left;
}

}  // namespace

TEST(StatusLayout, LongestTextsFitTheirLinesAtEveryDpi)
{
    const LANGID previous = ResourceLanguage();
    HDC screen = ::GetDC(nullptr);
    for (LANGID language : {kChineseLanguage, kEnglishLanguage}) {
        SetResourceLanguage(language);
        const std::wstring size = FormatText(IDS_SIZE_OF_LIMIT, {L"9999.9 MB", L"4000"});
        const struct {
            std::wstring left, right;
        } lines[] = {
            {FormatText(IDS_STATUS_RECORDED, {L"999999"}), L""},
            {FormatText(IDS_STATUS_ENCODED, {L"999999"}), size},
            {FormatText(IDS_WHOLE_SCREEN, {L"15360", L"8640"}), L""},
        };
        for (int dpi = 96; dpi <= 192; dpi += 24) {
            LOGFONTW logFont = StatusFont(dpi);
            HFONT font = ::CreateFontIndirectW(&logFont);
            HGDIOBJ old = ::SelectObject(screen, font);
            const SIZE box = StatusBoxSize(dpi);
            const RECT text = StatusTextRect(RECT{0, 0, box.cx, box.cy}, dpi);
            for (const auto& line : lines) {
                SCOPED_TRACE(testing::Message() << "language " << language << " dpi " << dpi << " line "
                                                << (&line - lines));
                const RECT room = LeftTextRoom(screen, line.right, text, dpi);
                EXPECT_LE(TextWidth(screen, line.left), room.right - room.left);
                EXPECT_LE(TextWidth(screen, line.right), text.right - text.left);
                EXPECT_LE(logFont.lfHeight, text.bottom - text.top);
            }
            ::SelectObject(screen, old);
            ::DeleteObject(font);
        }
    }
    ::ReleaseDC(nullptr, screen);
    SetResourceLanguage(previous);
}
