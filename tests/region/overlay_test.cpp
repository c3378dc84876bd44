// The overlay's behaviour driven by messages: layered attributes, the painting of both looks read
// back pixel by pixel, and what commands do. Drags, moves, sizing, lock and keys under real
// input are exercised by overlay_gui_test.py.
#include "app/resource.h"
#include "region/selection_overlay.h"
#include "region/window_picker.h"
#include "win/monitors.h"

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
        ASSERT_TRUE(m_overlay.Create());
        m_overlay.ShowWindow(SW_MAXIMIZE);
        m_overlay.ShowWindow(SW_HIDE);
        m_hwnd = m_overlay.GetSafeHwnd();
    }

    // The select command, then a drag in client coordinates of the overlay, by messages.
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
    RECT overlay = m_overlay.GetClientRect();
    ::MapWindowPoints(m_hwnd, nullptr, reinterpret_cast<POINT*>(&overlay), 2);
    const RECT screen = VirtualScreenRect();
    EXPECT_TRUE(Same(overlay, screen)) << "the overlay covers every monitor";

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

    // Without its sizing style the frame may be thinner (Wine recomputes it at once), which
    // gives a larger client area: the region stays, and the marks stay just outside it.
    const RECT region = m_overlay.GetCaptureRect();
    m_overlay.LockFrame(true);
    const RECT lockedClient = m_overlay.GetClientRect();
    CDibCanvas locked(lockedClient.right, lockedClient.bottom);
    ::SendMessageW(m_hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(locked.Dc()), 0);
    EXPECT_TRUE(Same(m_overlay.GetCaptureRect(), region));
    RECT inside = region;
    ::MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&inside), 2);
    EXPECT_EQ(locked.CountOf(kRed), 4 * (25 * 5 * 2 - 25));
    EXPECT_EQ(locked.CountOf(kGreen), 0);
    EXPECT_EQ(locked.Pixel(inside.right + 4, inside.bottom + 4), kRed);
    EXPECT_EQ(locked.Pixel(inside.left - 5, inside.top - 5), kRed);
    EXPECT_EQ(locked.Pixel(inside.right - 1, inside.bottom - 1), kWhite);
}

TEST_F(Overlay, TheRegionIsTheBandAndHoldsNoMark)
{
    // Any band is the region, up to the whole screen. The frame stays on screen: a side with less
    // room than the margin gets thinner marks, a side on the screen's edge none, and no mark is
    // ever inside the region.
    const RECT screen = VirtualScreenRect();
    const LONG sw = screen.right - screen.left, sh = screen.bottom - screen.top;
    const int full = 25 * 5 * 2 - 25;  // one L of two 25 x 5 bars
    struct Case {
        POINT from, to;
        int green;
    };
    const Case cases[] = {{{100, 100}, {400, 300}, 4 * full},
                          {{400, 300}, {100, 100}, 4 * full},
                          {{700, 20}, {1000, 500}, 4 * full},
                          // Top and left on the edge: two half Ls and a whole one.
                          {{0, 0}, {200, 150}, 125 + 125 + full},
                          // Three pixels of room: Ls three pixels thick on those sides.
                          {{3, 3}, {200, 150}, (75 + 75 - 9) + 2 * (125 + 75 - 15) + full},
                          {{sw - 420, sh - 280}, {sw, sh}, 125 + 125 + full},
                          {{0, 0}, {sw, sh}, 0},
                          // The pointer's last pixel: the band takes in the screen's last row and column.
                          {{0, 0}, {sw - 1, sh - 1}, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.from.x) + "," + std::to_string(c.from.y) + " " + std::to_string(c.to.x));
        Select(c.from, c.to);
        // The overlay's client area starts at the virtual screen's origin.
        RECT band{std::min(c.from.x, c.to.x) + screen.left, std::min(c.from.y, c.to.y) + screen.top,
                  std::max(c.from.x, c.to.x) + screen.left, std::max(c.from.y, c.to.y) + screen.top};
        if (c.to.x == sw - 1 && c.to.y == sh - 1)
            band = screen;
        const RECT region = m_overlay.GetCaptureRect();
        EXPECT_TRUE(Same(region, band));
        RECT window{}, onScreen{};
        ::GetWindowRect(m_hwnd, &window);
        ::IntersectRect(&onScreen, &window, &screen);
        EXPECT_TRUE(Same(onScreen, window)) << "the frame reaches off the screen";

        const RECT client = m_overlay.GetClientRect();
        CDibCanvas canvas(client.right, client.bottom);
        ::SendMessageW(m_hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.Dc()), 0);
        RECT inside = region;
        ::MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&inside), 2);
        int marksInside = 0;
        for (int y = inside.top; y < inside.bottom; ++y)
            for (int x = inside.left; x < inside.right; ++x)
                marksInside += canvas.Pixel(x, y) == kGreen;
        EXPECT_EQ(marksInside, 0);
        EXPECT_EQ(canvas.CountOf(kGreen), c.green);
        EXPECT_TRUE(Same(m_overlay.GetCaptureRect(), band)) << "the paint moved the region";
    }
}

TEST_F(Overlay, AGivenRegionEndsLikeADrag)
{
    const RECT given{200, 150, 840, 630};
    for (bool fromOverlay : {false, true}) {
        SCOPED_TRACE(fromOverlay ? "from the overlay" : "from hidden");
        m_overlay.ShowOverlay(false);
        if (fromOverlay)
            m_overlay.ShowOverlay(true);
        m_overlay.ShowRegion(given);
        Pump();
        EXPECT_TRUE(m_overlay.ShowsRegion());
        EXPECT_TRUE(Same(m_overlay.GetCaptureRect(), given));
        EXPECT_EQ(LayeredOf(m_hwnd).flags, static_cast<DWORD>(LWA_COLORKEY));
        RECT client = m_overlay.GetClientRect();
        ::MapWindowPoints(m_hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
        EXPECT_TRUE(Same(client, RECT{195, 145, 845, 635}));
    }
}

TEST_F(Overlay, TabAndSpaceSwitchBetweenDraggingAndPicking)
{
    m_overlay.ShowOverlay(true);
    struct Case {
        WPARAM key;
        bool picking;
    };
    const Case cases[] = {{VK_TAB, true}, {VK_TAB, false}, {VK_SPACE, true}, {'X', true}, {VK_SPACE, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.key));
        MSG msg{m_hwnd, WM_KEYDOWN, c.key, 0, 0, {0, 0}};
        m_overlay.PreTranslateMessage(msg);
        EXPECT_EQ(m_overlay.IsPicking(), c.picking);
    }
    // A new selection starts by dragging.
    MSG tab{m_hwnd, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    m_overlay.PreTranslateMessage(tab);
    m_overlay.ShowOverlay(false);
    m_overlay.ShowOverlay(true);
    EXPECT_FALSE(m_overlay.IsPicking());
}

// Top-level windows of this process for the picker to find (it is told to skip no process).
HWND MakeWindow(const RECT& r, DWORD exStyle = 0)
{
    HWND hwnd = ::CreateWindowExW(exStyle | WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, r.left, r.top,
                                  r.right - r.left, r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
    ::ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    return hwnd;
}

TEST(WindowPicker, FindsTheTopmostVisibleWindowUnderThePoint)
{
    HWND lower = MakeWindow({100, 100, 500, 400});
    HWND upper = MakeWindow({300, 200, 700, 600});
    HWND clickThrough = MakeWindow({0, 0, 800, 700}, WS_EX_TRANSPARENT | WS_EX_LAYERED);
    HWND hidden = MakeWindow({0, 0, 800, 700});
    ::ShowWindow(hidden, SW_HIDE);
    Pump();
    struct Case {
        const char* name;
        POINT point;
        HWND expected;
    };
    const Case cases[] = {
        {"only the lower one", {150, 150}, lower},
        {"both: the upper one", {400, 300}, upper},
        {"only the upper one", {650, 550}, upper},
        {"edge of the lower one", {499, 399}, upper},
        {"left edge of the lower one", {100, 399}, lower},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PickableWindowAt(c.point, 0), c.expected);
    }
    // Skipping this process finds none of them.
    for (POINT p : {POINT{150, 150}, POINT{400, 300}}) {
        HWND found = PickableWindowAt(p, ::GetCurrentProcessId());
        EXPECT_TRUE(found != lower && found != upper && found != clickThrough && found != hidden);
    }
    const RECT frame = VisibleFrameOf(upper);
    EXPECT_TRUE(Same(frame, RECT{300, 200, 700, 600}));
    for (HWND hwnd : {lower, upper, clickThrough, hidden})
        ::DestroyWindow(hwnd);
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

    // A release without a press on the overlay (the press went elsewhere).
    m_overlay.ShowOverlay(false);
    m_overlay.ShowOverlay(true);
    ::SendMessageW(m_hwnd, WM_LBUTTONUP, 0, At(600, 500));
    EXPECT_FALSE(::IsWindowVisible(m_hwnd));
    EXPECT_TRUE(Same(m_overlay.GetCaptureRect(), region));
}

}  // namespace
