// The tool buttons under real input: the four state images of every skin strip, the choice
// between them, a double click as two clicks, the right click handed to the parent, and the
// strip arithmetic (remainder columns dropped, masked parts showing the parent's first pixels).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "gui_harness.h"
#include "skin_windows.h"
#include "win/dc.h"
#include "win/gdi_object.h"

namespace {
class ToolButtons : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureProcessForeground();
        ASSERT_TRUE(dialog.Create());
        ::SetWindowPos(dialog, HWND_TOP, 300, 300, 0, 0, SWP_NOSIZE);
        dialog.ShowWindow(SW_SHOW);
        ::SetForegroundWindow(dialog);
        MouseMoveTo(5, 5);
        ASSERT_TRUE(PumpUntil([&] { return AllShow(CHoverButton::Normal); }));
    }
    void TearDown() override
    {
        MouseButton(true, false);
        MouseMoveTo(5, 5);
        PumpFor(50);
        dialog.DestroyWindow();  // while every part of the object is still alive
    }

    RECT ToolRect(int i) const { return dialog.tools[i].GetWindowRect(); }
    POINT ToolCentre(int i) const
    {
        const RECT r = ToolRect(i);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    bool Shows(int i, CHoverButton::Image image) const
    {
        const std::vector<COLORREF> cell = BitmapPixels(SkinImage(kToolImages[i]), 36 * image, 0, 36, 36);
        return ShowsPixels(CScreenShot(ToolRect(i)), 0, 0, 36, 36, cell);
    }
    bool AllShow(CHoverButton::Image image) const
    {
        for (int i = 0; i < kToolCount; ++i)
            if (!Shows(i, image))
                return false;
        return true;
    }
    void SaveRow(const wchar_t* name) const
    {
        const RECT first = ToolRect(0);
        const RECT last = ToolRect(kToolCount - 1);
        CScreenShot(RECT{first.left - 4, first.top - 4, last.right + 4, last.bottom + 4}).Save(name);
    }
    void SetAll(BOOL latched, BOOL enabled)
    {
        for (CHoverButton& tool : dialog.tools) {
            tool.SetLatched(latched);
            ::EnableWindow(tool, enabled);
        }
    }

    CTestSkinDlg dialog;
};
}  // namespace

TEST(ToolButtonImage, LatchedWinsOverDisabledWhichWinsOverHover)
{
    using B = CHoverButton;
    EXPECT_EQ(B::Normal, B::ChooseImage(0, false, false));
    EXPECT_EQ(B::Hover, B::ChooseImage(0, false, true));
    EXPECT_EQ(B::Pressed, B::ChooseImage(ODS_SELECTED, false, true));
    EXPECT_EQ(B::Pressed, B::ChooseImage(ODS_DISABLED, true, true));
    EXPECT_EQ(B::Disabled, B::ChooseImage(ODS_DISABLED, false, true));
    EXPECT_EQ(B::Disabled, B::ChooseImage(ODS_DISABLED | ODS_FOCUS, false, false));

    using I = CImageButton;
    EXPECT_EQ(I::Pressed, I::ChooseImage(true, true, false));
    EXPECT_EQ(I::Pressed, I::ChooseImage(true, false, true));
    EXPECT_EQ(I::Hover, I::ChooseImage(false, true, true));
    EXPECT_EQ(I::InactiveHover, I::ChooseImage(false, true, false));
    EXPECT_EQ(I::Normal, I::ChooseImage(false, false, true));
    EXPECT_EQ(I::Inactive, I::ChooseImage(false, false, false));
}

TEST_F(ToolButtons, EveryStripShowsItsFourStates)
{
    for (int i = 0; i < kToolCount; ++i) {
        const RECT r = ToolRect(i);
        EXPECT_EQ(36, r.right - r.left) << "one image of the strip sets the size";
        EXPECT_EQ(36, r.bottom - r.top);
        EXPECT_EQ(BS_OWNERDRAW, ::GetWindowLongPtrW(dialog.tools[i], GWL_STYLE) & 0x1F)
            << "plain push buttons become owner-drawn too";
    }
    SaveRow(L"buttons_normal.bmp");

    SetAll(TRUE, TRUE);
    ASSERT_TRUE(PumpUntil([&] { return AllShow(CHoverButton::Pressed); })) << "latched shows pressed";
    SaveRow(L"buttons_pressed.bmp");
    SetAll(TRUE, FALSE);
    PumpFor(100);
    EXPECT_TRUE(AllShow(CHoverButton::Pressed)) << "latched wins over disabled";
    SetAll(FALSE, FALSE);
    ASSERT_TRUE(PumpUntil([&] { return AllShow(CHoverButton::Disabled); }));
    SaveRow(L"buttons_disabled.bmp");
    SetAll(FALSE, TRUE);
    ASSERT_TRUE(PumpUntil([&] { return AllShow(CHoverButton::Normal); }));

    for (int i = 0; i < kToolCount; ++i) {
        const POINT c = ToolCentre(i);
        MouseMoveTo(c.x - 2, c.y);
        MouseMoveTo(c.x, c.y);
        ASSERT_TRUE(PumpUntil([&] { return dialog.tools[i].IsHover() && Shows(i, CHoverButton::Hover); }))
            << "hover image of button " << i;
        if (i == 1)
            SaveRow(L"buttons_hover_rec.bmp");
    }
    MouseMoveTo(ToolRect(0).left - 6, ToolRect(0).bottom + 10);
    ASSERT_TRUE(PumpUntil([&] { return !dialog.tools[kToolCount - 1].IsHover() && AllShow(CHoverButton::Normal); }))
        << "leaving restores the normal image";

    // Held down: the pressed image while the button is selected.
    const POINT c = ToolCentre(2);
    MouseMoveTo(c.x, c.y);
    MouseButton(true, true);
    ASSERT_TRUE(PumpUntil([&] { return Shows(2, CHoverButton::Pressed); }));
    MouseButton(true, false);
    ASSERT_TRUE(PumpUntil([&] { return dialog.clicks[2] == 1; }));
}

TEST_F(ToolButtons, DoubleClickIsTwoClicksAndRightClickReachesTheParent)
{
    const POINT c = ToolCentre(1);
    MouseMoveTo(c.x, c.y);
    PumpFor(50);
    MouseButton(true, true);
    MouseButton(true, false);
    MouseButton(true, true);
    MouseButton(true, false);
    ASSERT_TRUE(PumpUntil([&] { return dialog.clicks[1] >= 2; })) << "clicks: " << dialog.clicks[1];
    PumpFor(200);
    EXPECT_EQ(2, dialog.clicks[1]);

    MouseButton(false, true);
    MouseButton(false, false);
    ASSERT_TRUE(PumpUntil([&] { return dialog.rightDowns == 1; }));
    EXPECT_EQ(0u, dialog.lastRightW);
    EXPECT_EQ(0, dialog.lastRightL) << "posted with 0, 0, not the click position";
}

TEST_F(ToolButtons, TooltipHoldsOneToolWithTheLatestText)
{
    CHoverButton& tool = dialog.tools[4];
    HWND tip = tool.ToolTipWindow();
    ASSERT_NE(nullptr, tip);
    EXPECT_EQ(1, ::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0));
    tool.SetTipText(L"About", TRUE);
    tool.SetTipText(nullptr, FALSE);  // ignored
    EXPECT_EQ(1, ::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0)) << "the text is replaced, not a tool added";
    wchar_t text[64] = {};
    TTTOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = tool;
    info.uId = 1;
    info.lpszText = text;
    ::SendMessageW(tip, TTM_GETTEXTW, 64, reinterpret_cast<LPARAM>(&info));
    EXPECT_STREQ(L"About", text);
}

TEST_F(ToolButtons, StripRemainderColumnsAreDroppedAndMaskShowsTheFirstBackground)
{
    // 150 columns: four images of 37, the last two columns belong to none.
    CClientDC screen(nullptr);
    CBitmap strip;
    ASSERT_TRUE(strip.CreateCompatibleBitmap(screen, 150, 20));
    {
        CDC memory;
        memory.CreateCompatibleDC(screen);
        CSelectGuard select(memory, strip);
        for (int x = 0; x < 150; ++x)
            memory.FillSolidRect(RECT{x, 0, x + 1, 20}, RGB(x, 255 - x, x / 2));
        // The centre of the normal image is the mask colour.
        memory.FillSolidRect(RECT{10, 5, 27, 15}, RGB(255, 0, 255));
    }
    CHoverButton& tool = dialog.tools[3];
    ASSERT_EQ(1, tool.SetImageStrip(strip, RGB(255, 0, 255), TRUE));
    EXPECT_EQ(37, tool.ImageSize().cx);
    const RECT r = ToolRect(3);
    EXPECT_EQ(37, r.right - r.left);
    EXPECT_EQ(20, r.bottom - r.top);
    ASSERT_TRUE(PumpUntil([&] { return CScreenShot(ToolRect(3)).At(0, 0) == RGB(0, 255, 0); }));
    // The masked centre shows the parent's body, as it was at the button's first paint.
    EXPECT_EQ(RGB(50, 50, 50), CScreenShot(ToolRect(3)).At(15, 10));

    tool.SetLatched(TRUE);
    ASSERT_TRUE(PumpUntil([&] { return CScreenShot(ToolRect(3)).At(0, 0) == RGB(74, 181, 37); }))
        << "the pressed image starts at column 74";
    EXPECT_EQ(RGB(110, 145, 55), CScreenShot(ToolRect(3)).At(36, 5)) << "and ends at column 110";

    EXPECT_EQ(0, tool.SetImageStrip(nullptr, RGB(255, 0, 255), FALSE)) << "a null strip changes nothing";
    EXPECT_EQ(37, tool.ImageSize().cx);
}
