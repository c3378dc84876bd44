// The overlay's behaviour driven by messages: layered attributes, the painting of both looks read
// back pixel by pixel, and what commands do. Drags, moves, sizing, lock and keys under real
// input are exercised by overlay_gui_test.py.
#include "app/resource.h"
#include "region/selection_overlay.h"

#include "tests/dib_canvas.h"

#include <gtest/gtest.h>

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGrey = RGB(128, 128, 128);
const COLORREF kBlack = RGB(0, 0, 0);

void Pump()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

struct Layered {
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
};

Layered LayeredOf(HWND hwnd)
{
    Layered l;
    ::GetLayeredWindowAttributes(hwnd, &l.key, &l.alpha, &l.flags);
    return l;
}

bool Same(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

LPARAM At(int x, int y)
{
    return MAKELPARAM(x, y);
}

class Overlay : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The main window's start-up sequence.
        m_overlay.SetSelectMode(1);
        ASSERT_TRUE(m_overlay.Create());
        m_overlay.ShowWindow(SW_MAXIMIZE);
        m_overlay.ShowWindow(SW_HIDE);
        m_hwnd = m_overlay.GetSafeHwnd();
    }

    // The select command, then a drag in client coordinates of the veil, by messages.
    void Select(POINT from, POINT to)
    {
        m_overlay.ShowOverlay(false);
        m_overlay.ShowOverlay(true);
        Pump();
        ::SendMessageW(m_hwnd, WM_LBUTTONDOWN, MK_LBUTTON, At(from.x, from.y));
        ::SendMessageW(m_hwnd, WM_MOUSEMOVE, MK_LBUTTON, At((from.x + to.x) / 2, (from.y + to.y) / 2));
        ::SendMessageW(m_hwnd, WM_MOUSEMOVE, MK_LBUTTON, At(to.x, to.y));
        ::SendMessageW(m_hwnd, WM_LBUTTONUP, 0, At(to.x, to.y));
        Pump();
    }

    CSelectionOverlay m_overlay{IDD_CAPTURE, nullptr};
    HWND m_hwnd = nullptr;
};

TEST_F(Overlay, LayeredAttributesFollowTheLook)
{
    EXPECT_TRUE(::GetWindowLongW(m_hwnd, GWL_EXSTYLE) & WS_EX_LAYERED);
    Layered l = LayeredOf(m_hwnd);
    EXPECT_EQ(l.flags, static_cast<DWORD>(LWA_COLORKEY | LWA_ALPHA));
    EXPECT_EQ(l.alpha, 128);
    EXPECT_EQ(l.key, kWhite);
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(m_hwnd, IDOK)));
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(m_hwnd, IDCANCEL)));

    m_overlay.ShowOverlay(true);
    l = LayeredOf(m_hwnd);
    EXPECT_EQ(l.flags, static_cast<DWORD>(LWA_ALPHA));
    EXPECT_EQ(l.alpha, 128);
    EXPECT_TRUE(::IsZoomed(m_hwnd));

    Select(POINT{100, 100}, POINT{300, 250});
    l = LayeredOf(m_hwnd);
    EXPECT_EQ(l.flags, static_cast<DWORD>(LWA_COLORKEY));
    EXPECT_EQ(l.key, kWhite);
    EXPECT_FALSE(::IsZoomed(m_hwnd)) << "a maximised frame could be neither moved nor sized";
}

TEST_F(Overlay, FrameLookPaintsEightMarksOnTheColourKey)
{
    Select(POINT{100, 100}, POINT{400, 300});
    const RECT client = m_overlay.GetClientRect();
    const int w = client.right, h = client.bottom;
    CDibCanvas canvas(w, h);
    canvas.Fill(kBlack);
    ::SendMessageW(m_hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.Dc()), 0);

    // Each corner holds an L of two 25 x 5 bars: 25*5*2 - 5*5 pixels.
    EXPECT_EQ(canvas.CountOf(kGreen), 4 * (25 * 5 * 2 - 25));
    EXPECT_EQ(canvas.CountOf(kWhite), w * h - 4 * (25 * 5 * 2 - 25));
    for (POINT p : {POINT{0, 0}, POINT{24, 4}, POINT{4, 24}, POINT{w - 1, 0}, POINT{w - 25, 4}, POINT{w - 5, 24},
                    POINT{0, h - 1}, POINT{24, h - 5}, POINT{w - 1, h - 1}, POINT{w - 25, h - 1}, POINT{w - 5, h - 25}})
        EXPECT_EQ(canvas.Pixel(p.x, p.y), kGreen) << p.x << "," << p.y;
    for (POINT p : {POINT{25, 0}, POINT{5, 5}, POINT{0, 25}, POINT{w - 26, 0}, POINT{w / 2, h / 2}})
        EXPECT_EQ(canvas.Pixel(p.x, p.y), kWhite) << p.x << "," << p.y;

    // Without its sizing style the frame may be thinner (Wine recomputes it at once): the marks
    // follow the client area.
    m_overlay.LockFrame(true);
    const RECT lockedClient = m_overlay.GetClientRect();
    CDibCanvas locked(lockedClient.right, lockedClient.bottom);
    ::SendMessageW(m_hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(locked.Dc()), 0);
    EXPECT_EQ(locked.CountOf(kRed), 4 * (25 * 5 * 2 - 25));
    EXPECT_EQ(locked.CountOf(kGreen), 0);
    EXPECT_EQ(locked.Pixel(lockedClient.right - 1, lockedClient.bottom - 1), kRed);
}

TEST_F(Overlay, SelectionLookPaintsTheBandOnlyWhileDragging)
{
    m_overlay.ShowOverlay(false);
    m_overlay.ShowOverlay(true);
    Pump();
    const RECT client = m_overlay.GetClientRect();
    CDibCanvas canvas(client.right, client.bottom);
    ::SendMessageW(m_hwnd, WM_LBUTTONDOWN, MK_LBUTTON, At(300, 200));
    ::SendMessageW(m_hwnd, WM_MOUSEMOVE, MK_LBUTTON, At(100, 50));
    ::SendMessageW(m_hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.Dc()), 0);
    EXPECT_EQ(canvas.Pixel(5, 5), kGrey);
    EXPECT_EQ(canvas.Pixel(100, 50), kBlack) << "outline from the normalised band";
    EXPECT_EQ(canvas.Pixel(299, 199), kBlack);
    EXPECT_EQ(canvas.Pixel(150, 100), kWhite) << "default white brush";
    EXPECT_EQ(canvas.Pixel(300, 200), kGrey);
    EXPECT_EQ(canvas.CountOf(kWhite), 198 * 148);

    ::SendMessageW(m_hwnd, WM_KEYDOWN, VK_ESCAPE, 0);  // ignored: Esc arrives as IDCANCEL
    ::SendMessageW(m_hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(::IsWindowVisible(m_hwnd));
    ::SendMessageW(m_hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.Dc()), 0);
    EXPECT_EQ(canvas.CountOf(kGrey), client.right * client.bottom) << "a cancelled band is not drawn";
}

TEST_F(Overlay, KeysAndCommandsNeverEndTheOverlay)
{
    // During a selection: Enter does nothing, Esc and close cancel.
    m_overlay.ShowOverlay(true);
    ::SendMessageW(m_hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(::IsWindowVisible(m_hwnd));
    ::SendMessageW(m_hwnd, WM_CLOSE, 0, 0);  // the dialog manager posts IDCANCEL
    Pump();
    EXPECT_FALSE(::IsWindowVisible(m_hwnd));

    // On a chosen region none of them hides the frame or changes the region.
    Select(POINT{100, 100}, POINT{300, 200});
    const RECT region = m_overlay.GetCaptureRect();
    for (UINT id : {IDOK, IDCANCEL})
        ::SendMessageW(m_hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    ::SendMessageW(m_hwnd, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_TRUE(::IsWindowVisible(m_hwnd));
    EXPECT_TRUE(Same(m_overlay.GetCaptureRect(), region));
    EXPECT_TRUE(::IsWindow(m_hwnd));
}

TEST_F(Overlay, EmptyBandsAndStrayReleasesChooseNothing)
{
    Select(POINT{100, 100}, POINT{300, 200});
    const RECT region = m_overlay.GetCaptureRect();

    Select(POINT{500, 400}, POINT{500, 400});  // a click
    EXPECT_FALSE(::IsWindowVisible(m_hwnd));
    Select(POINT{500, 400}, POINT{800, 400});  // a line
    EXPECT_FALSE(::IsWindowVisible(m_hwnd));

    // A release without a press on the veil (the press went elsewhere).
    m_overlay.ShowOverlay(false);
    m_overlay.ShowOverlay(true);
    ::SendMessageW(m_hwnd, WM_LBUTTONUP, 0, At(600, 500));
    EXPECT_FALSE(::IsWindowVisible(m_hwnd));
    EXPECT_TRUE(Same(m_overlay.GetCaptureRect(), region));
}

}  // namespace
