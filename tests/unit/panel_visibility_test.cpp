#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "FakeDriver.h"
#include "controls/ArtworkScale.h"
#include "display/PanelVisibility.h"

namespace {
constexpr PixelSize kPanel{530, 70};
// A bottom task bar on a 1024 × 768 screen, the icon at its right end.
constexpr PixelRect kWork{0, 0, 1024, 748};
constexpr PixelRect kIcon{1000, 750, 1016, 766};

class FakeHook : public HookControl {
public:
    bool SetPanelHook(const HookRect& r) override {
        if (!set)
            rect = r;
        set = true;
        ops.push_back("hook=" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                      std::to_string(r.right) + "," + std::to_string(r.bottom));
        return true;
    }
    bool RemovePanelHook() override {
        if (set)
            ops.push_back("unhook"); // the wrapper calls nothing when none is set
        set = false;
        return true;
    }
    bool set = false;
    HookRect rect;
    std::vector<std::string>& ops;
    explicit FakeHook(std::vector<std::string>& log) : ops(log) {}
};

// The panel window on a fake clock: timers fire when the test lets time
// pass; every other call is recorded in order.
class FakeWindow : public PanelWindow {
public:
    explicit FakeWindow(std::vector<std::string>& log) : ops(log) {}

    void SetTimer(PanelTimer timer) override { due[timer] = now + PeriodMs(timer); }
    void KillTimer(PanelTimer timer) override { due.erase(timer); }
    void SetOpacity(uint8_t alpha) override {
        opacity = alpha;
        opacities.push_back(alpha);
    }
    void MoveTo(PixelPoint origin) override {
        at = origin;
        ops.push_back("move=" + std::to_string(origin.x) + "," + std::to_string(origin.y));
    }
    void ShowAndActivate() override {
        shown = true;
        ops.push_back("show");
    }
    void Hide() override {
        shown = false;
        ops.push_back("hide");
    }
    PixelPoint Cursor() override { return cursor; }
    PixelRect WindowRect() override { return PixelRect::At(at.x, at.y, ScaleSize(kPanel, dpi)); }
    std::optional<PixelRect> TrayIconRect() override { return icon; }
    WorkArea WorkAreaFor(const std::optional<PixelRect>&) override {
        return {kWork, TaskBarEdge::Bottom, monitorDpi};
    }
    std::optional<PixelSize> LayOutFor(int to) override {
        if (to == dpi)
            return std::nullopt;
        dpi = to;
        ops.push_back("layout=" + std::to_string(to));
        return ScaleSize(kPanel, dpi);
    }
    void SendPanelFade() override { onFade(); }
    void Pause(uint32_t ms) override {
        ops.push_back("pause=" + std::to_string(ms));
        now += ms;
    }
    void ShowFunctionPicture() override { ops.push_back("function-picture"); }
    void RedrawFunctionButton() override { ops.push_back("redraw"); }

    // Lets ms pass, firing each timer as it falls due (a timer repeats
    // until killed).
    template <class Fire> void Advance(uint32_t ms, Fire fire) {
        const uint64_t end = now + ms;
        for (;;) {
            auto next = due.end();
            for (auto it = due.begin(); it != due.end(); ++it)
                if (it->second <= end && (next == due.end() || it->second < next->second))
                    next = it;
            if (next == due.end())
                break;
            now = next->second;
            const PanelTimer timer = next->first;
            next->second = now + PeriodMs(timer);
            fire(timer);
        }
        now = end;
    }
    bool Running(PanelTimer timer) const { return due.count(timer) != 0; }

    std::vector<std::string>& ops;
    std::map<PanelTimer, uint64_t> due;
    uint64_t now = 0;
    PixelPoint at{};
    PixelPoint cursor{5, 5}; // off the panel
    std::optional<PixelRect> icon = kIcon;
    int dpi = 96;        // the panel's scale
    int monitorDpi = 96; // the scale of the icon's monitor
    bool shown = false;
    uint8_t opacity = 255;
    std::vector<uint8_t> opacities;
    std::function<void()> onFade;
};

struct Visibility : ::testing::Test {
    std::vector<std::string> ops;
    FakeDriver driver;
    CMCU controller{driver, nullptr, std::chrono::milliseconds(0)};
    ControllerRequests requests{controller};
    PanelState state;
    FakeWindow window{ops};
    FakeHook hook{ops};
    PanelVisibility panel{state, requests, window, hook};

    void SetUp() override {
        panel.SetPanelSize(kPanel);
        window.onFade = [this] { panel.OnPanelFade(); };
    }
    void Advance(uint32_t ms) {
        window.Advance(ms, [this](PanelTimer timer) { panel.OnTimer(timer); });
    }
    std::string Ops() {
        std::string out;
        for (const auto& op : ops)
            out += (out.empty() ? "" : " ") + op;
        ops.clear();
        return out;
    }
    // The register writes asked for so far, once the poll thread has
    // carried them out.
    std::string Writes() {
        requests.RunQueued();
        return driver.Accesses(true);
    }
};
} // namespace

TEST_F(Visibility, HiddenUntilShownThenAboveTheIconWithItsHook) {
    EXPECT_FALSE(panel.PanelVisible()) << "the template's visible style does not show it";
    panel.ShowPanel();
    // 1000 - the icon's left; 750 - 70 - 5.
    EXPECT_EQ(Ops(), "move=494,675 hook=494,675,1024,745 show");
    EXPECT_TRUE(panel.PanelVisible());
    EXPECT_TRUE(panel.PanelOpen());
    EXPECT_FALSE(window.Running(PanelTimer::HideCheck)) << "a fresh show arms no timer";
    Advance(60000);
    EXPECT_TRUE(window.shown) << "it stays until something hides it";
}

TEST_F(Visibility, ASecondShowHidesItFiveSecondsLaterOnTheSchedule) {
    panel.ShowPanel();
    Advance(300);
    panel.ShowPanel();
    EXPECT_TRUE(window.Running(PanelTimer::HideCheck));
    Ops();
    Advance(999);
    EXPECT_FALSE(panel.FadingOut());
    Advance(1);
    EXPECT_TRUE(panel.FadingOut()) << "the cursor is off the panel at the check";
    EXPECT_FALSE(window.Running(PanelTimer::HideCheck));

    // Tick by tick: five ticks without a visible change, then 15 less a tick;
    // a second fade request half-way changes nothing.
    std::vector<int16_t> alphas;
    for (int tick = 1; tick <= 20; ++tick) {
        Advance(100);
        if (tick == 10)
            panel.OnPanelFade();
        Advance(100);
        alphas.push_back(panel.FadeAlpha());
        EXPECT_TRUE(window.shown) << "tick " << tick;
    }
    EXPECT_EQ(alphas, (std::vector<int16_t>{254, 253, 252, 251, 250, 235, 220, 205, 190, 175,
                                            160, 145, 130, 115, 100, 85,  70,  55,  40,  25}));
    EXPECT_EQ(window.opacities, (std::vector<uint8_t>{235, 220, 205, 190, 175, 160, 145, 130, 115,
                                                      100, 85, 70, 55, 40, 25}));
    Advance(199);
    EXPECT_TRUE(window.shown);
    Advance(1); // tick 21: 5.2 s after the second show
    EXPECT_FALSE(window.shown);
    EXPECT_EQ(window.opacity, 255) << "hidden, then opaque again for the next show";
    EXPECT_EQ(panel.FadeAlpha(), 255);
    EXPECT_FALSE(panel.FadingOut());
    EXPECT_FALSE(panel.PanelVisible());
    EXPECT_FALSE(panel.PanelOpen());
    EXPECT_FALSE(panel.ReshowBlocked()) << "the fade's end does not block a re-show";
    EXPECT_FALSE(hook.set);
    EXPECT_TRUE(window.Running(PanelTimer::Reshow));
    EXPECT_FALSE(window.Running(PanelTimer::Fade));
}

TEST_F(Visibility, ACursorOnThePanelKeepsItUpUntilTheNextShow) {
    panel.ShowPanel();
    panel.ShowPanel();
    // On the right and bottom edges counts as inside.
    for (PixelPoint inside : {PixelPoint{700, 700}, PixelPoint{1024, 745}}) {
        window.cursor = inside;
        panel.ShowPanel();
        Advance(1000);
        EXPECT_FALSE(panel.FadingOut());
        EXPECT_FALSE(window.Running(PanelTimer::HideCheck)) << "the check is not repeated";
        Advance(30000);
        EXPECT_TRUE(window.shown);
    }
    window.cursor = {1025, 745};
    panel.ShowPanel();
    Advance(1000);
    EXPECT_TRUE(panel.FadingOut());
}

TEST_F(Visibility, AShowOrTheMouseDuringAFadeMakesItOpaqueAgain) {
    panel.ShowPanel();
    panel.ShowPanel();
    Advance(1000 + 8 * 200);
    ASSERT_TRUE(panel.FadingOut());
    ASSERT_EQ(window.opacity, 205);
    panel.ShowPanel();
    EXPECT_FALSE(panel.FadingOut());
    EXPECT_EQ(window.opacity, 255);
    EXPECT_EQ(panel.FadeAlpha(), 255);
    EXPECT_FALSE(window.Running(PanelTimer::Fade));
    EXPECT_TRUE(window.Running(PanelTimer::HideCheck)) << "a new one-second check";

    Advance(1000 + 6 * 200);
    ASSERT_TRUE(panel.FadingOut());
    panel.StopFade(); // the mouse moved over the panel
    EXPECT_EQ(window.opacity, 255);
    // A tick already on its way when the fade stopped changes nothing.
    panel.OnTimer(PanelTimer::Fade);
    EXPECT_EQ(panel.FadeAlpha(), 255);
    EXPECT_EQ(window.opacity, 255);
    Advance(10000);
    EXPECT_TRUE(window.shown);
}

TEST_F(Visibility, AfterHidePanelAFadeRequestWaitsOneSecondButAShowDoesNot) {
    panel.ShowPanel();
    Ops();
    panel.HidePanel();
    EXPECT_EQ(Ops(), "unhook hide");
    EXPECT_TRUE(panel.ReshowBlocked());
    panel.OnPanelFade();
    EXPECT_FALSE(panel.FadingOut()) << "ignored while blocked";
    Advance(1000);
    EXPECT_FALSE(panel.ReshowBlocked());
    EXPECT_FALSE(window.Running(PanelTimer::Reshow));
    panel.OnPanelFade();
    EXPECT_TRUE(panel.FadingOut());

    panel.StopFade();
    panel.HidePanel();
    panel.ShowPanel();
    EXPECT_TRUE(window.shown) << "a show is not held back";
}

TEST_F(Visibility, HiddenFromOutsideItStillCountsAsOpen) {
    panel.ShowPanel();
    panel.OnPanelHide();
    EXPECT_FALSE(window.shown);
    EXPECT_TRUE(panel.PanelOpen());
    EXPECT_TRUE(hook.set) << "hook and timers stay";
    Ops();
    panel.ShowPanel();
    EXPECT_EQ(Ops(), "move=494,675 unhook hook=494,675,1024,745 show")
        << "shown again, the hook with its new place";
    panel.OnPanelHide();
    window.cursor = {600, 700};
    panel.OnTrayClick(window.cursor);
    EXPECT_EQ(Ops(), "hide move=494,625 unhook hide") << "the tray click takes the close branch";
    EXPECT_TRUE(panel.ReshowBlocked());
}

TEST_F(Visibility, TrayClicksOpenAtTheCursorAndClose) {
    const struct {
        PixelPoint cursor;
        const char* opened;
    } cases[] = {
        // Bottom 5 pixels above the cursor, hooked down to the cursor.
        {{300, 500}, "move=300,425 hook=300,425,830,500 show"},
        // On the task bar: 5 pixels above the cursor all the same.
        {{300, 758}, "move=300,683 hook=300,683,830,758 show"},
        // Near the right edge: flush with it.
        {{1010, 758}, "move=494,683 hook=494,683,1024,758 show"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cursor.x);
        Ops();
        panel.OnTrayClick(c.cursor);
        EXPECT_EQ(Ops(), c.opened);
        EXPECT_FALSE(window.Running(PanelTimer::HideCheck));
        panel.OnTrayClick(c.cursor);
        EXPECT_EQ(Ops(), std::string(c.opened).substr(0, std::string(c.opened).find(" hook")) +
                             " unhook hide");
        Advance(1000);
    }
}

TEST_F(Visibility, NoIconFoundPutsItInTheCornerBesideTheTray) {
    window.icon.reset();
    panel.ShowPanel();
    EXPECT_EQ(Ops(), "move=494,678 hook=494,678,1024,748 show");
}

TEST_F(Visibility, WakeTurnsTheBacklightOnAndShowsThePanel) {
    panel.OnHookWake();
    EXPECT_EQ(Ops(), "redraw") << "the backlight is on: nothing else";
    EXPECT_EQ(Writes(), "");

    hook.set = true; // the backlight hook, all zero
    hook.rect = HookRect{};
    state.backlightOn = 0;
    state.backlightValue = 0;
    panel.OnHookWake();
    EXPECT_EQ(Ops(), "pause=500 unhook function-picture move=494,675 hook=494,675,1024,745 show "
                     "redraw");
    EXPECT_EQ(state.backlightRequests, 1) << "events leave the backlight alone until the write";
    EXPECT_EQ(Writes(), "W20=1");
    EXPECT_EQ(state.backlightRequests, 0);
    EXPECT_EQ(state.backlightOn, 1);
    EXPECT_EQ(state.backlightValue, 1);
    EXPECT_EQ(hook.rect.right, 1024) << "the panel's hook, not the backlight's";

    // A show while the backlight is off wakes it first.
    driver.ClearLog();
    panel.HidePanel();
    state.backlightOn = 0;
    Ops();
    panel.ShowPanel();
    EXPECT_EQ(Writes(), "W20=1");
    EXPECT_TRUE(window.shown);

    // A show the poll thread asked for while the backlight was on, which
    // went off before the panel's thread came to it (a later step of the
    // same event, the function button): the backlight stays off and the
    // panel hidden, with the hook that wakes it.
    driver.ClearLog();
    panel.HidePanel();
    state.backlightOn = 0;
    hook.set = true; // the backlight's all-zero hook
    hook.rect = HookRect{};
    Ops();
    panel.ShowPanel(false);
    EXPECT_EQ(Ops(), "") << "no wake, no show, the hook kept";
    EXPECT_EQ(Writes(), "");
    EXPECT_EQ(state.backlightOn, 0);
    EXPECT_FALSE(panel.PanelVisible());
    EXPECT_FALSE(window.shown);
}

TEST_F(Visibility, AWakeOfAPanelOpenedFromTheTrayWithTheBacklightOffPlacesItAgain) {
    // Opened at the cursor while the backlight is off (the tray click does
    // not look at the backlight), then the first input wakes it.
    state.backlightOn = 0;
    hook.set = true; // the backlight's all-zero hook
    panel.OnTrayClick({300, 500});
    ASSERT_TRUE(panel.PanelVisible());
    Ops();
    panel.OnHookWake();
    EXPECT_EQ(Ops(), "pause=500 unhook function-picture move=494,675 hook=494,675,1024,745 show "
                     "redraw")
        << "shown afresh beside the tray, not left where the click put it";
    EXPECT_EQ(Writes(), "W20=1");
}

TEST_F(Visibility, AShowOnAMonitorOfAnotherScaleLaysThePanelOutForItFirst) {
    window.monitorDpi = 144;
    panel.ShowPanel();
    // 795 × 105 at 150 %, flush right; 750 - 105 - 8 (the 5-pixel gap scaled).
    EXPECT_EQ(Ops(), "layout=144 move=229,637 hook=229,637,1024,742 show");
    panel.HidePanel();
    panel.OnTrayClick({600, 760});
    EXPECT_EQ(Ops(), "unhook hide move=229,647 hook=229,647,1024,760 show")
        << "the same scale: laid out once";

    // Moved to a monitor of 200 % while up (WM_DPICHANGED): the hook follows.
    window.dpi = 192;
    panel.OnRescaled(ScaleSize(kPanel, 192));
    EXPECT_EQ(Ops(), "unhook hook=229,647,1289,787");
    panel.HidePanel();
    Ops();
    panel.OnRescaled(kPanel);
    EXPECT_EQ(Ops(), "") << "a hidden panel sets no hook";
}
