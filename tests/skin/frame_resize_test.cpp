// Edge and corner resizing of the skinned frame under real input: the zones' cursors, the
// minimum size, the edge following the cursor again after the limit, a top-edge press inside the
// caption, and the drag ending when another window comes to the front.
#include <gtest/gtest.h>

#include "gui_harness.h"
#include "skin_windows.h"

namespace {
constexpr int kMinWidth = 200;
constexpr int kMinHeight = 100;

class ResizableFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        dialog.EnableResize(true);
        dialog.SetMinSize(kMinWidth, kMinHeight);
        EnsureProcessForeground();
        ASSERT_TRUE(dialog.Create());
        ::SetWindowPos(dialog, HWND_TOP, 300, 200, 0, 0, SWP_NOSIZE);
        dialog.ShowWindow(SW_SHOW);
        ::SetForegroundWindow(dialog);
        MouseMoveTo(5, 5);
        ASSERT_TRUE(PumpUntil([&] { return dialog.IsActive(); }));
        start = Frame();
    }
    void TearDown() override
    {
        MouseButton(true, false);
        MouseMoveTo(5, 5);
        PumpFor(50);
        dialog.DestroyWindow();  // while every part of the object is still alive
    }

    RECT Frame() const { return dialog.GetWindowRect(); }
    static bool PointerAt(int x, int y)
    {
        POINT p{};
        ::GetCursorPos(&p);
        return p.x == x && p.y == y;
    }
    // Moves there without a button in two steps, so the frame has tested the zone under the
    // pointer and set the zone's cursor.
    void HoverAt(int x, int y)
    {
        MouseMoveTo(x - 1, y);
        PumpUntil([&] { return PointerAt(x - 1, y); });
        PumpFor(50);
        MouseMoveTo(x, y);
        PumpUntil([&] { return PointerAt(x, y); });
        PumpFor(50);
    }
    // The moves that follow must find the mouse captured, as a hand would give the program time.
    void Press()
    {
        MouseButton(true, true);
        ASSERT_TRUE(PumpUntil([&] { return ::GetCapture() == dialog.GetSafeHwnd(); })) << "capture taken";
    }
    void DragTo(int x, int y) { MouseMoveTo(x, y); }

    CTestSkinDlg dialog;
    RECT start{};
};
}  // namespace

TEST_F(ResizableFrame, RightEdgeFollowsTheCursorAndStopsAtTheMinimum)
{
    HoverAt(start.right - 2, start.top + 60);
    EXPECT_EQ(CSkinnedFrameDlg::EdgeZone::Right, dialog.GetEdgeZone());
    EXPECT_EQ(::LoadCursorW(nullptr, IDC_SIZEWE), ::GetCursor());

    Press();
    DragTo(start.right + 60, start.top + 60);
    ASSERT_TRUE(PumpUntil([&] { return Frame().right == start.right + 62; })) << "right at " << Frame().right;
    EXPECT_EQ(start.left, Frame().left);
    EXPECT_EQ(start.bottom, Frame().bottom);

    DragTo(start.left + 20, start.top + 60);
    ASSERT_TRUE(PumpUntil([&] { return Frame().right == start.left + kMinWidth; }))
        << "never narrower than the minimum; right at " << Frame().right;
    PumpFor(100);
    EXPECT_EQ(start.left + kMinWidth, Frame().right);

    // Back past the limit: the edge follows again, two pixels right of the cursor (also when the
    // cursor jumped past the limit in one step, as here).
    DragTo(start.left + kMinWidth + 40, start.top + 60);
    ASSERT_TRUE(PumpUntil([&] { return Frame().right == start.left + kMinWidth + 42; }))
        << "right at " << Frame().right;
    DragTo(start.left + kMinWidth + 70, start.top + 60);
    ASSERT_TRUE(PumpUntil([&] { return Frame().right == start.left + kMinWidth + 72; }))
        << "right at " << Frame().right;

    MouseButton(true, false);
    PumpUntil([&] { return ::GetCapture() == nullptr; });
    const RECT released = Frame();
    DragTo(released.right + 50, start.top + 60);
    PumpFor(200);
    EXPECT_EQ(released.right, Frame().right) << "no resizing after the button is up";
}

TEST_F(ResizableFrame, CornerMovesBothEdgesAndTopEdgeInCaptionResizes)
{
    HoverAt(start.right - 3, start.bottom - 3);
    EXPECT_EQ(CSkinnedFrameDlg::EdgeZone::BottomRight, dialog.GetEdgeZone());
    Press();
    DragTo(start.right + 37, start.bottom + 27);
    ASSERT_TRUE(PumpUntil([&] { return Frame().right == start.right + 40 && Frame().bottom == start.bottom + 30; }))
        << Frame().right - start.right << "," << Frame().bottom - start.bottom;
    MouseButton(true, false);
    ASSERT_TRUE(PumpUntil([&] { return ::GetCapture() == nullptr; }));

    const RECT grown = Frame();
    HoverAt(grown.left + 150, grown.top + 1);
    EXPECT_EQ(CSkinnedFrameDlg::EdgeZone::Top, dialog.GetEdgeZone());
    Press();
    DragTo(grown.left + 150, grown.top - 29);
    ASSERT_TRUE(PumpUntil([&] { return Frame().top == grown.top - 30; })) << "top at " << Frame().top;
    EXPECT_EQ(grown.bottom, Frame().bottom) << "a resize of the top, not a move";
    EXPECT_EQ(grown.left, Frame().left);
    MouseButton(true, false);
}

TEST_F(ResizableFrame, AnotherWindowInFrontEndsTheDragAndFreesTheMouse)
{
    HoverAt(start.left + 1, start.top + 60);
    EXPECT_EQ(CSkinnedFrameDlg::EdgeZone::Left, dialog.GetEdgeZone());
    Press();
    DragTo(start.left - 30, start.top + 60);
    ASSERT_TRUE(PumpUntil([&] { return Frame().left == start.left - 31; })) << "left at " << Frame().left;
    EXPECT_EQ(dialog.GetSafeHwnd(), ::GetCapture());

    COtherDlg other;
    ASSERT_TRUE(other.Create());
    ::SetWindowPos(other, HWND_TOP, 1200, 800, 0, 0, SWP_NOSIZE);
    other.ShowWindow(SW_SHOW);
    ::SetForegroundWindow(other);
    ASSERT_TRUE(PumpUntil([&] { return ::GetCapture() != dialog.GetSafeHwnd(); })) << "the mouse is released";
    const RECT after = Frame();
    DragTo(start.left - 80, start.top + 60);
    PumpFor(200);
    EXPECT_EQ(after.left, Frame().left) << "the drag has ended";
}

TEST(FixedFrame, CursorStaysTheArrowOverTheEdges)
{
    EnsureProcessForeground();
    CTestSkinDlg dialog;
    ASSERT_TRUE(dialog.Create());
    ::SetWindowPos(dialog, HWND_TOP, 300, 200, 0, 0, SWP_NOSIZE);
    dialog.ShowWindow(SW_SHOW);
    ::SetForegroundWindow(dialog);
    const RECT r = dialog.GetWindowRect();
    MouseMoveTo(r.right - 3, r.top + 60);
    MouseMoveTo(r.right - 2, r.top + 60);
    ASSERT_TRUE(PumpUntil([&] {
        POINT p{};
        ::GetCursorPos(&p);
        return p.x == r.right - 2;
    }));
    PumpFor(100);
    EXPECT_EQ(CSkinnedFrameDlg::CursorKind::None, dialog.GetCursorKind());
    EXPECT_EQ(::LoadCursorW(nullptr, IDC_ARROW), ::GetCursor());
    MouseMoveTo(5, 5);
    PumpFor(50);
}
