#include "win/mem_dc.h"

#include "tests/dib_canvas.h"

#include <gtest/gtest.h>

namespace {

const COLORREF kOutside = RGB(0, 200, 0);
const COLORREF kBackground = RGB(10, 20, 30);
const COLORREF kDrawn = RGB(220, 0, 0);

TEST(MemDC, DrawsOffScreenAndCopiesItsRectangleWhenItGoes)
{
    CDibCanvas target(100, 80);
    target.Fill(kOutside);
    ::SetBkColor(target.Dc(), kBackground);
    const RECT area{20, 10, 60, 50};
    {
        CMemDC memory(target.Dc(), &area);
        EXPECT_TRUE(memory.IsOffScreen());
        memory.FillSolidRect(RECT{30, 20, 40, 30}, kDrawn);
        EXPECT_EQ(target.Pixel(35, 25), kOutside) << "nothing reaches the target before the copy";
    }
    EXPECT_EQ(target.Pixel(35, 25), kDrawn) << "drawn at the same logical place";
    EXPECT_EQ(target.Pixel(30, 20), kDrawn);
    EXPECT_EQ(target.Pixel(40, 30), kBackground);
    EXPECT_EQ(target.Pixel(20, 10), kBackground) << "the rectangle starts filled with the background colour";
    EXPECT_EQ(target.Pixel(59, 49), kBackground);
    EXPECT_EQ(target.Pixel(60, 50), kOutside) << "nothing outside the rectangle is touched";
    EXPECT_EQ(target.Pixel(19, 9), kOutside);
    EXPECT_EQ(target.CountOf(kDrawn), 100);
    EXPECT_EQ(target.CountOf(kBackground), 40 * 40 - 100);
}

TEST(MemDC, DefaultsToTheClipBoxAndFollowsTheTargetsMapping)
{
    CDibCanvas target(100, 80);
    target.Fill(kOutside);
    ::SetBkColor(target.Dc(), kBackground);
    HRGN clip = ::CreateRectRgn(50, 40, 90, 70);
    ::SelectClipRgn(target.Dc(), clip);
    ::DeleteObject(clip);
    ::SetViewportOrgEx(target.Dc(), 10, 5, nullptr);  // logical (0, 0) is device (10, 5)
    {
        CMemDC memory(target.Dc());
        EXPECT_EQ(memory.Rect().left, 40);  // the clip box, in logical units
        EXPECT_EQ(memory.Rect().top, 35);
        EXPECT_EQ(memory.Rect().right, 80);
        EXPECT_EQ(memory.Rect().bottom, 65);
        memory.FillSolidRect(RECT{45, 40, 50, 45}, kDrawn);
    }
    EXPECT_EQ(target.Pixel(55, 45), kDrawn);
    EXPECT_EQ(target.Pixel(59, 49), kDrawn);
    EXPECT_EQ(target.Pixel(60, 50), kBackground);
    EXPECT_EQ(target.Pixel(50, 40), kBackground);
    EXPECT_EQ(target.Pixel(49, 39), kOutside);
    EXPECT_EQ(target.CountOf(kDrawn), 25);
}

TEST(MemDC, ManyPaintsLeaveNoGdiObjectsBehind)
{
    // Even one GDI object lost per paint would use up the process's 65536 GDI handles before the
    // end, and the last paint could not be made. (Wine keeps no count for GetGuiResources.)
    CDibCanvas target(64, 64);
    target.Fill(kOutside);
    const DWORD before = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    const RECT small{0, 0, 8, 8};
    for (int i = 0; i < 70000; ++i) {
        CMemDC memory(target.Dc(), &small);
        memory.FillSolidRect(small, kDrawn);
    }
    const DWORD after = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    EXPECT_LE(after, before + 2);
    {
        const RECT last{32, 32, 40, 40};
        CMemDC memory(target.Dc(), &last);
        memory.FillSolidRect(last, kBackground);
    }
    EXPECT_EQ(target.Pixel(7, 7), kDrawn);
    EXPECT_EQ(target.Pixel(39, 39), kBackground);
}

}  // namespace
