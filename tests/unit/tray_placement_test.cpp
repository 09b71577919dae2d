#include <gtest/gtest.h>

#include "display/TrayIndication.h"
#include "display/TrayPlacement.h"
#include "display/TrayRecords.h"

namespace {
constexpr PixelSize kPanel{530, 70};

std::string At(PixelPoint p) {
    return std::to_string(p.x) + "," + std::to_string(p.y);
}
} // namespace

TEST(TrayPlacement, BottomTaskBarOnThePrimaryScreenGivesTheUsualNumbers) {
    const WorkArea work{{0, 0, 1024, 738}, TaskBarEdge::Bottom};
    const struct {
        const char* what;
        PixelRect icon;
        const char* at;
    } cases[] = {
        {"room to the right: at the icon's left", {300, 742, 316, 758}, "300,667"},
        {"left + width at the screen's width: still at the icon", {494, 742, 510, 758}, "494,667"},
        {"one more: flush with the right edge", {495, 742, 511, 758}, "494,667"},
        {"far right", {1000, 742, 1016, 758}, "494,667"},
        // An icon deep in a tall bar: still 5 pixels below the panel, which
        // then reaches over the bar's edge.
        {"icon 12 pixels into the bar", {600, 750, 616, 766}, "494,675"},
    };
    for (const auto& c : cases) {
        const PixelPoint at = PlaceBesideIcon(c.icon, kPanel, work);
        EXPECT_EQ(At(at), c.at) << c.what;
        EXPECT_EQ(at.y + kPanel.height, c.icon.top - 5) << "5 pixels above the icon";
    }
}

TEST(TrayPlacement, EveryTaskBarEdgeKeepsThePanelInTheWorkArea) {
    const struct {
        const char* what;
        WorkArea work;
        PixelRect icon;
        const char* at;
    } cases[] = {
        {"top: below the icon",
         {{0, 30, 1024, 768}, TaskBarEdge::Top},
         {1000, 7, 1016, 23},
         "494,28"},
        {"top, icon lower in the bar: 5 below it",
         {{0, 40, 1024, 768}, TaskBarEdge::Top},
         {600, 2, 616, 38},
         "494,43"},
        {"right: left of the icon",
         {{0, 0, 980, 768}, TaskBarEdge::Right},
         {990, 700, 1006, 716},
         "455,698"},
        {"left: right of the icon",
         {{44, 0, 1024, 768}, TaskBarEdge::Left},
         {10, 300, 26, 316},
         "31,300"},
        {"left, icon high: top-aligned",
         {{44, 0, 1024, 768}, TaskBarEdge::Left},
         {10, 740, 26, 756},
         "31,698"},
        // A second monitor right of the primary one, its own bar at the bottom.
        {"second monitor",
         {{1024, 0, 2304, 984}, TaskBarEdge::Bottom},
         {2280, 989, 2296, 1005},
         "1774,914"},
        {"second monitor, icon near its left edge",
         {{1024, 0, 2304, 984}, TaskBarEdge::Bottom},
         {1030, 989, 1046, 1005},
         "1030,914"},
        // A work area narrower than the panel: its left edge wins.
        {"narrow work area",
         {{100, 0, 400, 500}, TaskBarEdge::Bottom},
         {380, 510, 396, 526},
         "100,435"},
    };
    for (const auto& c : cases) {
        const PixelPoint at = PlaceBesideIcon(c.icon, kPanel, c.work);
        EXPECT_EQ(At(at), c.at) << c.what;
        const PixelRect& a = c.work.area;
        const PixelRect panel = PixelRect::At(at.x, at.y, kPanel);
        if (c.work.edge == TaskBarEdge::Bottom || c.work.edge == TaskBarEdge::Top) {
            // Along the bar inside the work area, across it 5 from the icon.
            if (a.Width() >= kPanel.width) {
                EXPECT_GE(panel.left, a.left) << c.what;
                EXPECT_LE(panel.right, a.right) << c.what;
            }
            EXPECT_TRUE(panel.bottom == c.icon.top - 5 || panel.top == c.icon.bottom + 5) << c.what;
        } else {
            EXPECT_GE(panel.top, a.top) << c.what;
            EXPECT_LE(panel.bottom, a.bottom) << c.what;
            EXPECT_TRUE(panel.right == c.icon.left - 5 || panel.left == c.icon.right + 5) << c.what;
        }
    }
}

TEST(TrayPlacement, BesideTheIconAtEveryScale) {
    // A 1920 x 1080 screen with a 40-pixel task bar at the bottom, or one
    // 48 wide at the left; the widest panel and the small icon at each
    // scale, and the gap of 5 pixels at 100 % scaled with them.
    const WorkArea bottomBar{{0, 0, 1920, 1040}, TaskBarEdge::Bottom};
    const WorkArea leftBar{{48, 0, 1920, 1080}, TaskBarEdge::Left};
    const struct {
        int dpi;
        PixelSize panel;
        int32_t icon;
        const char* aboveIcon;
        const char* rightOfIcon;
    } cases[] = {
        {96, {530, 70}, 16, "1390,973", "31,500"},   {120, {663, 88}, 20, "1257,954", "36,500"},
        {144, {795, 105}, 24, "1125,935", "42,500"}, {168, {928, 123}, 28, "992,916", "47,500"},
        {192, {1060, 140}, 32, "860,898", "52,500"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dpi);
        WorkArea bottom = bottomBar, left = leftBar;
        bottom.dpi = left.dpi = c.dpi;
        EXPECT_EQ(At(PlaceBesideIcon(PixelRect::At(1800, 1048, {c.icon, c.icon}), c.panel, bottom)),
                  c.aboveIcon);
        EXPECT_EQ(At(PlaceBesideIcon(PixelRect::At(10, 500, {c.icon, c.icon}), c.panel, left)),
                  c.rightOfIcon);
    }
}

TEST(TrayPlacement, WithoutAnIconTheCornerBesideTheNotificationArea) {
    EXPECT_EQ(At(PlaceInCorner(kPanel, {{0, 0, 1024, 748}, TaskBarEdge::Bottom})), "494,678");
    EXPECT_EQ(At(PlaceInCorner(kPanel, {{0, 30, 1024, 768}, TaskBarEdge::Top})), "494,30");
    EXPECT_EQ(At(PlaceInCorner(kPanel, {{0, 0, 980, 768}, TaskBarEdge::Right})), "450,698");
    EXPECT_EQ(At(PlaceInCorner(kPanel, {{44, 0, 1024, 768}, TaskBarEdge::Left})), "44,698");
}

TEST(TrayPlacement, TheTaskBarsEdgeFromTheWorkArea) {
    const PixelRect monitor{0, 0, 1024, 768};
    EXPECT_EQ(EdgeOfWorkArea(monitor, {0, 0, 1024, 738}), TaskBarEdge::Bottom);
    EXPECT_EQ(EdgeOfWorkArea(monitor, {0, 30, 1024, 768}), TaskBarEdge::Top);
    EXPECT_EQ(EdgeOfWorkArea(monitor, {44, 0, 1024, 768}), TaskBarEdge::Left);
    EXPECT_EQ(EdgeOfWorkArea(monitor, {0, 0, 980, 768}), TaskBarEdge::Right);
    EXPECT_EQ(EdgeOfWorkArea(monitor, monitor), TaskBarEdge::Bottom) << "no bar: bottom";
}

TEST(TrayPlacement, OnlyAnIconSizedRectangleOnTheScreenIsTheIcon) {
    // Two monitors side by side, the second one reaching higher.
    const PixelRect screen{0, -200, 2304, 768};
    const struct {
        PixelRect icon;
        bool taken;
    } cases[] = {
        {{1000, 742, 1016, 758}, true},
        {{0, -200, 255, 55}, true},     // 255 wide and high, in the top-left corner
        {{2049, 513, 2304, 768}, true}, // and in the bottom-right one
        {{0, 0, 256, 22}, false},       // 256 wide
        {{0, 0, 24, 256}, false},       // 256 high
        {{10, 10, 10, 30}, false},      // no width
        {{10, 10, 30, 10}, false},      // no height
        {{0, 0, 0, 0}, false},          // the empty rectangle
        {{30, 10, 10, 30}, false},      // right of left
        {{10, 30, 30, 10}, false},      // bottom above top
        {{-1, 0, 15, 16}, false},       // past each edge by one
        {{0, -201, 16, -185}, false},
        {{2289, 0, 2305, 16}, false},
        {{0, 753, 16, 769}, false},
        {{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, false},
        {{INT32_MAX - 16, 0, INT32_MAX, 16}, false},
        {{INT32_MAX, 0, INT32_MIN, 16}, false}, // a side that wraps to 1 in 32 bits
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsTrayIconRect(c.icon, screen), c.taken) << c.icon;
}

TEST(TrayRecords, ButtonAndIconRecordsOfBothShells) {
    // A 32-bit shell's button: state at 8, data at 12.
    uint8_t button32[20] = {};
    button32[8] = 0x04 | kButtonHidden;
    button32[12] = 0x78, button32[13] = 0x56, button32[14] = 0x34, button32[15] = 0x12;
    const TrayButton b32 = ParseTrayButton(button32, kShell32Layout);
    EXPECT_TRUE(b32.hidden);
    EXPECT_EQ(b32.iconRecord, 0x12345678u);
    button32[8] = 0x04;
    EXPECT_FALSE(ParseTrayButton(button32, kShell32Layout).hidden);

    // A 64-bit shell's button: six reserved bytes, then an 8-byte data word.
    uint8_t button64[32] = {};
    for (int i = 0; i < 8; ++i)
        button64[16 + i] = static_cast<uint8_t>(0x11 * (i + 1));
    EXPECT_EQ(ParseTrayButton(button64, kShell64Layout).iconRecord, 0x8877665544332211u);

    const uint8_t icon32[8] = {0x34, 0x12, 0, 0, 100, 0, 0, 0};
    const TrayIconOwner o32 = ParseTrayIconOwner(icon32, kShell32Layout);
    EXPECT_EQ(o32.window, 0x1234u);
    EXPECT_EQ(o32.id, 100u);
    const uint8_t icon64[12] = {0x34, 0x12, 0, 0, 0, 0, 0, 0x01, 100, 0, 0, 0};
    const TrayIconOwner o64 = ParseTrayIconOwner(icon64, kShell64Layout);
    EXPECT_EQ(o64.window, 0x0100000000001234u);
    EXPECT_EQ(o64.id, 100u);
}

TEST(TrayIndication, EnvironmentItemsOnlyForTheFourValues) {
    for (int32_t lux = 1; lux <= 4; ++lux) {
        ASSERT_TRUE(EnvironmentItemFor(lux)) << lux;
        EXPECT_EQ(EnvironmentValueOf(*EnvironmentItemFor(lux)), lux);
    }
    for (int32_t lux = -1; lux <= 255; ++lux) {
        if (lux >= 1 && lux <= 4)
            continue;
        EXPECT_FALSE(EnvironmentItemFor(lux)) << lux;
    }
    EXPECT_EQ(*EnvironmentItemFor(3), 32776u) << "Factory";
}
