// The region's rectangle arithmetic on desktops this test display cannot show: monitors left of
// and above the primary one (negative coordinates), regions spanning two monitors, and monitors
// of different DPI.
#include "region/screen_geometry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Text(const RECT& r)
{
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}

void ExpectRect(const RECT& actual, const RECT& expected)
{
    EXPECT_TRUE(::EqualRect(&actual, &expected)) << "got " << Text(actual) << ", expected " << Text(expected);
}

// Virtual screens: a 1920 x 1080 primary with a 1280 x 1024 monitor on its left (origin below
// zero), a 2560 x 1440 monitor above it, and the primary alone.
const RECT kLeftAndPrimary{-1280, 0, 1920, 1080};
const RECT kAboveAndPrimary{0, -1440, 2560, 1080};
const RECT kPrimaryOnly{0, 0, 1920, 1080};

TEST(ScreenGeometry, MovesStopAtTheVirtualScreensEdgesAndSizingIsCutThere)
{
    struct Case {
        const char* name;
        RECT current, requested, bounds, expected;
    };
    const Case cases[] = {
        // Moves: the size is kept.
        {"inside the left monitor, negative x", {-900, 100, -500, 400}, {-800, 150, -400, 450}, kLeftAndPrimary,
         {-800, 150, -400, 450}},
        {"past the left monitor's edge", {-900, 100, -500, 400}, {-1400, 100, -1000, 400}, kLeftAndPrimary,
         {-1280, 100, -880, 400}},
        {"spanning both monitors", {1600, 200, 2000, 500}, {-200, 200, 200, 500}, kLeftAndPrimary,
         {-200, 200, 200, 500}},
        {"past the primary's right edge", {1600, 200, 1800, 500}, {1800, 200, 2000, 500}, kLeftAndPrimary,
         {1720, 200, 1920, 500}},
        {"above the primary, negative y", {100, -300, 500, 100}, {100, -1500, 500, -1100}, kAboveAndPrimary,
         {100, -1440, 500, -1040}},
        {"past a corner", {100, 100, 500, 400}, {-50, -80, 350, 220}, kPrimaryOnly, {0, 0, 400, 300}},
        {"past the bottom right corner", {100, 100, 500, 400}, {1700, 900, 2100, 1200}, kPrimaryOnly,
         {1520, 780, 1920, 1080}},
        // Sizing: cut at the edges.
        {"left edge past the left monitor", {-900, 100, -500, 400}, {-1500, 100, -500, 400}, kLeftAndPrimary,
         {-1280, 100, -500, 400}},
        {"grown across both monitors", {-900, 100, -500, 400}, {-900, 100, 1000, 400}, kLeftAndPrimary,
         {-900, 100, 1000, 400}},
        {"top edge past the upper monitor", {100, -300, 500, 100}, {100, -1600, 500, 100}, kAboveAndPrimary,
         {100, -1440, 500, 100}},
        {"larger than the screen on every side", {100, 100, 500, 400}, {-10, -10, 1930, 1090}, kPrimaryOnly,
         kPrimaryOnly},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectRect(KeepInside(c.requested, c.current, c.bounds), c.expected);
    }
}

TEST(ScreenGeometry, TypedSizesAreCentredAndCutToTheMonitor)
{
    const RECT leftMonitor{-1280, 0, 0, 1024};
    struct Case {
        const char* name;
        int width, height;
        RECT around, bounds, expected;
        bool cut;
    };
    const Case cases[] = {
        {"640x480 on the primary", 640, 480, kPrimaryOnly, kPrimaryOnly, {640, 300, 1280, 780}, false},
        {"1920x1080 fills the primary", 1920, 1080, kPrimaryOnly, kPrimaryOnly, kPrimaryOnly, false},
        {"800x600 on a monitor left of the primary", 800, 600, leftMonitor, leftMonitor, {-1040, 212, -240, 812},
         false},
        {"1920x1080 cut to the left monitor", 1920, 1080, leftMonitor, leftMonitor, leftMonitor, true},
        {"wider only", 3000, 100, kPrimaryOnly, kPrimaryOnly, {0, 490, 1920, 590}, true},
        {"resized around the current region's centre", 640, 480, {1000, 500, 1200, 700}, kPrimaryOnly,
         {780, 360, 1420, 840}, false},
        {"around a region near the edge, moved inside", 1280, 720, {1700, 900, 1900, 1000}, kPrimaryOnly,
         {640, 360, 1920, 1080}, false},
        {"around a region on the upper monitor", 800, 600, {100, -1000, 300, -900}, {0, -1440, 2560, 0},
         {0, -1250, 800, -650}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SizedRegion sized = RegionOfSize(c.width, c.height, c.around, c.bounds);
        ExpectRect(sized.rect, c.expected);
        EXPECT_EQ(sized.cut, c.cut);
    }
}

TEST(ScreenGeometry, TheMarksMarginFollowsTheMonitorsDpiAndTheRegionComesBackExactly)
{
    struct Case {
        int dpi;
        int margin;
    };
    const Case cases[] = {{96, 5}, {120, 6}, {144, 8}, {192, 10}, {288, 15}};
    const RECT regions[] = {{100, 100, 740, 580}, {-1280, -20, -600, 400}, {-7, -3, 5, 9}};
    for (const Case& c : cases) {
        SCOPED_TRACE("dpi " + std::to_string(c.dpi));
        EXPECT_EQ(MarkMargin(c.dpi), c.margin);
        for (const RECT& region : regions) {
            const RECT client = ClientForRegion(region, c.dpi);
            ExpectRect(client, RECT{region.left - c.margin, region.top - c.margin, region.right + c.margin,
                                    region.bottom + c.margin});
            ExpectRect(RegionInClient(client, c.dpi), region);
        }
    }
}

// The edge frame: the margin only where it lies on the virtual screen, also where that screen
// starts below zero; a whole monitor against the screen's outer edges keeps a margin only
// towards its neighbour.
TEST(ScreenGeometry, TheMarkedAreaIsTheMarginThatLiesOnTheScreen)
{
    struct Case {
        const char* name;
        RECT region, screen;
        int dpi;
        RECT expected;
    };
    const Case cases[] = {
        {"well inside", {100, 100, 740, 580}, kPrimaryOnly, 96, {95, 95, 745, 585}},
        {"the whole primary alone", kPrimaryOnly, kPrimaryOnly, 96, kPrimaryOnly},
        {"three pixels from the corner", {3, 3, 200, 150}, kPrimaryOnly, 96, {0, 0, 205, 155}},
        {"the left monitor, whole", {-1280, 0, 0, 1024}, kLeftAndPrimary, 96, {-1280, 0, 5, 1029}},
        {"the primary beside a left monitor", {0, 0, 1920, 1080}, kLeftAndPrimary, 96, {-5, 0, 1920, 1080}},
        {"the monitor above, whole, at 144 DPI", {0, -1440, 2560, 0}, kAboveAndPrimary, 144, {0, -1440, 2560, 8}},
        {"the whole virtual screen", kAboveAndPrimary, kAboveAndPrimary, 192, kAboveAndPrimary},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectRect(MarkedArea(c.region, c.dpi, c.screen), c.expected);
    }
}

}  // namespace
