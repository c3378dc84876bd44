// The skinned frame under real input: outlines, body and caption colours in both activation
// states, the close box images, the close path, and moving by the caption.
#include <gtest/gtest.h>

#include "gui_harness.h"
#include "skin_windows.h"

namespace {
const COLORREF kOuter = RGB(90, 90, 90);
const COLORREF kMiddle = RGB(120, 120, 120);
const COLORREF kInner = RGB(80, 80, 80);
const COLORREF kBody = RGB(50, 50, 50);
const COLORREF kCaptionActive = RGB(70, 60, 100);
const COLORREF kCaptionInactive = RGB(80, 80, 80);

class SkinnedFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureProcessForeground();
        ASSERT_TRUE(dialog.Create());
        ::SetWindowPos(dialog, HWND_TOP, 200, 150, 0, 0, SWP_NOSIZE);
        dialog.ShowWindow(SW_SHOW);
        ::SetForegroundWindow(dialog);
        ASSERT_TRUE(PumpUntil([&] { return dialog.IsActive() && CaptionShows(kCaptionActive); }));
    }
    void TearDown() override
    {
        MouseButton(true, false);
        MouseMoveTo(5, 5);
        PumpFor(50);
        dialog.DestroyWindow();  // while every part of the object is still alive
    }

    RECT Frame() const { return dialog.GetWindowRect(); }
    int Width() const { return Frame().right - Frame().left; }
    CScreenShot Shot() const { return CScreenShot(Frame()); }
    // A caption pixel between the end of the title box and the close image.
    bool CaptionShows(COLORREF colour) const
    {
        const RECT f = Frame();
        return CScreenShot(RECT{f.right - 40, f.top + 13, f.right - 39, f.top + 14}).At(0, 0) == colour;
    }
    std::vector<COLORREF> CloseImage(int index) const
    {
        return BitmapPixels(SkinImage(kCloseImages[index]), 0, 0, 20, 20);
    }
    bool CloseBoxShows(int index) const
    {
        return ShowsPixels(Shot(), Width() - 25, 4, 20, 20, CloseImage(index));
    }
    POINT CloseBoxCentre() const { return POINT{Frame().right - 15, Frame().top + 14}; }

    CTestSkinDlg dialog;
};
}  // namespace

TEST_F(SkinnedFrame, OutlinesBodyAndCaptionFollowTheActivation)
{
    CScreenShot active = Shot();
    active.Save(L"frame_active.bmp");
    const int w = active.Width();
    const int h = active.Height();
    for (int y : {30, h / 2, h - 4}) {
        EXPECT_EQ(kOuter, active.At(0, y));
        EXPECT_EQ(kMiddle, active.At(1, y));
        EXPECT_EQ(kInner, active.At(2, y));
        EXPECT_EQ(kBody, active.At(3, y));
        EXPECT_EQ(kOuter, active.At(w - 1, y));
        EXPECT_EQ(kMiddle, active.At(w - 2, y));
        EXPECT_EQ(kInner, active.At(w - 3, y));
    }
    EXPECT_EQ(kOuter, active.At(w / 2, h - 1));
    EXPECT_EQ(kMiddle, active.At(w / 2, h - 2));
    EXPECT_EQ(kInner, active.At(w / 2, h - 3));
    EXPECT_EQ(kBody, active.At(w - 4, 26)) << "the body starts at row 26";
    EXPECT_EQ(kOuter, active.At(w / 2, 0)) << "caption outline on the band's top row";
    EXPECT_EQ(kOuter, active.At(0, 10));
    EXPECT_EQ(kCaptionActive, active.At(1, 25)) << "the band fill reaches row 25 at the side";
    EXPECT_EQ(kCaptionActive, active.At(w - 2, 1));
    EXPECT_TRUE(active.Contains(RECT{4, 1, w - 51, 26}, RGB(255, 255, 255))) << "white title";
    EXPECT_FALSE(active.Contains(RECT{w - 51, 1, w - 26, 26}, RGB(255, 255, 255))) << "title box ends 50 early";
    EXPECT_TRUE(ShowsPixels(active, w - 25, 4, 20, 20, CloseImage(0))) << "close box, active";
    // The caption copy of the close image shows above the box, two rows from the top.
    EXPECT_EQ(CloseImage(0)[0], active.At(w - 25, 2));
    const RECT box = dialog.CloseButton().GetWindowRect();
    EXPECT_EQ(20, box.right - box.left);
    EXPECT_EQ(20, box.bottom - box.top);
    EXPECT_EQ(Frame().right - 25, box.left);
    EXPECT_EQ(Frame().top + 4, box.top);

    COtherDlg other;
    ASSERT_TRUE(other.Create());
    ::SetWindowPos(other, HWND_TOP, 800, 600, 0, 0, SWP_NOSIZE);
    other.ShowWindow(SW_SHOW);
    ::SetForegroundWindow(other);
    ASSERT_TRUE(PumpUntil([&] { return !dialog.IsActive() && CaptionShows(kCaptionInactive); }));
    ASSERT_TRUE(PumpUntil([&] { return CloseBoxShows(3); })) << "close box, inactive";
    CScreenShot inactive = Shot();
    inactive.Save(L"frame_inactive.bmp");
    EXPECT_TRUE(inactive.Contains(RECT{4, 1, w - 51, 26}, RGB(150, 150, 150))) << "grey title";
    EXPECT_FALSE(inactive.Contains(RECT{4, 1, w - 51, 26}, RGB(255, 255, 255)));
    EXPECT_EQ(CloseImage(3)[0], inactive.At(w - 25, 2));
    EXPECT_EQ(kBody, inactive.At(w / 2, h - 4)) << "the body does not change";

    ::SetForegroundWindow(dialog);
    EXPECT_TRUE(PumpUntil([&] { return dialog.IsActive() && CaptionShows(kCaptionActive) && CloseBoxShows(0); }));
}

TEST_F(SkinnedFrame, CloseBoxShowsHoverAndPressedAndAsksTheWindowToClose)
{
    const POINT box = CloseBoxCentre();
    MouseMoveTo(box.x - 3, box.y);
    MouseMoveTo(box.x, box.y);
    ASSERT_TRUE(PumpUntil([&] { return dialog.CloseButton().IsHover() && CloseBoxShows(1); }));
    Shot().Save(L"close_hover.bmp");

    MouseButton(true, true);
    ASSERT_TRUE(PumpUntil([&] { return CloseBoxShows(2); })) << "pressed image";
    Shot().Save(L"close_pressed.bmp");
    MouseButton(true, false);
    ASSERT_TRUE(PumpUntil([&] { return dialog.closeRequests == 1; })) << "the close path runs";
    EXPECT_TRUE(dialog.IsWindowVisible()) << "the derived window refused";

    // The second press of a double click is reported as a double click, not a click: no second ask.
    MouseButton(true, true);
    MouseButton(true, false);
    MouseButton(true, true);
    MouseButton(true, false);
    ASSERT_TRUE(PumpUntil([&] { return dialog.closeRequests >= 2; }));
    PumpFor(300);
    EXPECT_EQ(2, dialog.closeRequests);

    MouseMoveTo(Frame().left + 100, Frame().top + 50);
    ASSERT_TRUE(PumpUntil([&] { return !dialog.CloseButton().IsHover() && CloseBoxShows(0); }));

    // Inactive: the hover image is the inactive one.
    COtherDlg other;
    ASSERT_TRUE(other.Create());
    ::SetWindowPos(other, HWND_TOP, 900, 700, 0, 0, SWP_NOSIZE);
    other.ShowWindow(SW_SHOW);
    ::SetForegroundWindow(other);
    ASSERT_TRUE(PumpUntil([&] { return !dialog.IsActive() && CloseBoxShows(3); }));
    MouseMoveTo(box.x, box.y);
    ASSERT_TRUE(PumpUntil([&] { return CloseBoxShows(4); })) << "inactive hover image";
    Shot().Save(L"close_inactive_hover.bmp");
}

TEST_F(SkinnedFrame, CaptionMovesTheWindowAndTheBodyDoesNot)
{
    const RECT before = Frame();
    MouseMoveTo(before.left + 40, before.top + 12);
    PumpUntil([] { return false; }, 100);
    MouseButton(true, true);
    for (int step = 1; step <= 10; ++step)
        MouseMoveTo(before.left + 40 + 12 * step, before.top + 12 + 6 * step);
    MouseButton(true, false);
    ASSERT_TRUE(PumpUntil([&] { return Frame().left == before.left + 120 && Frame().top == before.top + 60; }))
        << "moved to " << Frame().left << "," << Frame().top;

    const RECT moved = Frame();
    MouseMoveTo(moved.left + 100, moved.top + 80);
    PumpFor(50);
    MouseButton(true, true);
    for (int step = 1; step <= 5; ++step)
        MouseMoveTo(moved.left + 100 + 10 * step, moved.top + 80 + 5 * step);
    MouseButton(true, false);
    PumpFor(300);
    EXPECT_EQ(moved.left, Frame().left) << "a press on the body moves nothing";
    EXPECT_EQ(moved.top, Frame().top);
}

namespace {
// Wine's GDI table answers for a handle with an empty upper half as that slot's object, and
// GetGuiResources is a stub there, so live objects are counted slot by slot.
int LiveGdiObjects()
{
    int count = 0;
    for (UINT_PTR slot = 1; slot < 0x10000; ++slot)
        count += ::GetObjectType(reinterpret_cast<HGDIOBJ>(slot)) != 0;
    return count;
}

void ShowPaintAndClose()
{
    CTestSkinDlg dialog;
    ASSERT_TRUE(dialog.Create());
    ::SetWindowPos(dialog, HWND_TOP, 400, 300, 0, 0, SWP_NOSIZE);
    dialog.ShowWindow(SW_SHOW);
    ::SetForegroundWindow(dialog);
    const RECT tool = dialog.tools[1].GetWindowRect();
    MouseMoveTo(tool.left + 10, tool.top + 10);
    ASSERT_TRUE(PumpUntil([&] { return dialog.tools[1].IsHover(); }));
    dialog.tools[0].SetLatched(TRUE);
    ::RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    MouseMoveTo(5, 5);
    PumpUntil([&] { return !dialog.tools[1].IsHover(); });
    dialog.DestroyWindow();
    PumpFor(50);
}
}  // namespace

TEST(SkinnedWindowResources, WindowsComeAndGoWithoutLeavingGdiObjects)
{
    EnsureProcessForeground();
    ShowPaintAndClose();  // the first run loads the shared skin images, which stay
    const int before = LiveGdiObjects();
    for (int run = 0; run < 3; ++run)
        ShowPaintAndClose();
    EXPECT_EQ(before, LiveGdiObjects());
}
