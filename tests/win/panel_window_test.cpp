#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "app/LumitraxDlg.h"
#include "controls/PanelPlacement.h"
#include "display/LayoutArithmetic.h"
#include "res/resource.h"
#include "shared/GpiDll.h"
#include "tests/win/PanelThread.h"
#include "tests/win/WaitUntil.h"
#include "tests/win/audio_test_support.h"
#include "tests/win/panel_pictures.h"
#include "tests/win/region_by_pixel.h"

namespace {
using namespace std::chrono_literals;
constexpr COLORREF kKey = RGB(0, 128, 128);
const char* kKeypadKey = "SOFTWARE\\Qor\\Keypad";

// The panel's template is laid out for the shell dialog font, Tahoma 8 pt,
// whose dialog base units are 6 × 13 pixels. Where Wine's own Tahoma lies
// outside the prefix's font folder, Wine falls back on a wider font and every
// template position lands further right; loading Wine's Tahoma for this
// process gives the panel the metrics it has on Windows (where the file is
// not there and Tahoma is installed anyway).
void UseShellDialogFont() {
    static const bool loaded = [] {
        for (const char* file : {"Z:\\usr\\share\\wine\\fonts\\tahoma.ttf",
                                 "Z:\\usr\\share\\wine\\fonts\\tahomabd.ttf"})
            AddFontResourceExA(file, FR_PRIVATE, nullptr);
        return true;
    }();
    (void)loaded;
}

// Whether the dialog's base units are those the template was laid out for.
bool HasShellDialogMetrics(HWND dialog) {
    RECT units{0, 0, 4, 8};
    MapDialogRect(dialog, &units);
    return units.right == 6 && units.bottom == 13;
}

// The controller and the registry as a panel with the given functions finds
// them: register 25 for dimming and buzzer, "HaveKeypad" for the lock; and
// the status register (extended registers always). The controller is this
// process's own, changed in place: the driver library keeps the first block
// it opens for the whole process, so all tests of this program name it alike
// (as the audio tests do).
void PrepareFunctions(uint8_t register25, bool lock, int brightness, int volume,
                      uint8_t status = 0x04) {
    const std::unique_ptr<KeypadSimClient> sim = OpenOwnController();
    ASSERT_TRUE(sim);
    GPIDLL_Open(); // the library's client keeps the block for the process
    sim->Run([&](keypad::KeypadModel& model, uint64_t) {
        model.Set(25, register25);
        model.Set(1, static_cast<uint8_t>(brightness));
        model.Set(2, static_cast<uint8_t>(volume));
        model.Set(18, status);
    });
    UseShellDialogFont();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKeypadKey);
    if (!lock) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeypadKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const BYTE zero = 0;
        RegSetValueExA(key, "HaveKeypad", 0, REG_BINARY, &zero, 1);
        RegCloseKey(key);
    }
}

// The panel dialog running modally on a thread of its own, as at start-up.
class PanelUnderTest {
public:
    PanelUnderTest()
        : thread_([this] {
              dialog.DoModal();
              ended_ = true;
          }) {}
    ~PanelUnderTest() {
        if (const HWND window = Window())
            PostMessageA(window, WM_CLOSE, 0, 0);
        // The dialog ends once its poll thread has (within 5 s of the close).
        if (WaitUntil([this] { return ended_.load(); }, 30s)) {
            thread_.join();
        } else {
            ADD_FAILURE() << "the panel did not close";
            thread_.detach();
        }
    }
    HWND Window() const { return dialog.GetSafeHwnd(); }
    // True once the initialisation has arranged the panel for brightness.
    bool WaitInitialised() {
        return WaitUntil([this] { return Window() && dialog.Layout().BrightnessLayout(); }, 30s) &&
               SendMessageTimeoutA(Window(), WM_NULL, 0, 0, SMTO_BLOCK, 30000, nullptr);
    }
    void Click(const CBitmapButton& button) { SendMessageA(button.GetSafeHwnd(), BM_CLICK, 0, 0); }
    // Runs work on the panel's thread and waits for it.
    bool OnPanelThread(std::function<void()> work) { return ::OnPanelThread(dialog.Queue(), work); }

    CLumitraxDlg dialog;
    PanelControls& controls = dialog.Controls();

private:
    std::atomic<bool> ended_{false};
    std::thread thread_;
};

// Shown as the panel's control, whether or not the panel itself is shown.
bool HasVisibleStyle(HWND control) {
    return (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

PixelRect ClientRectOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return PixelRect{r.left, r.top, r.right, r.bottom};
}

} // namespace

TEST(PanelWindow, ShapeSizeAndPlaceForEveryFunctionCount) {
    const struct {
        uint8_t register25;
        bool lock;
        int count;
        UINT background;
        int width;
        int rowWidth; // of the optional function buttons with their separators
    } cases[] = {
        {0, false, 0, IDB_BACKGROUND_0, 330, 0},
        {0, true, 1, IDB_BACKGROUND_1, 390, 8 + 55 + 8 + 3},
        {1, true, 2, IDB_BACKGROUND_2, 455, (4 + 55 + 4 + 3) + (2 + 77 + 2 + 3)},
        {3, true, 3, IDB_BACKGROUND_3, 530, 2 * (4 + 55 + 4 + 3) + (2 + 77 + 2 + 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " functions");
        PrepareFunctions(c.register25, c.lock, 13, 6);
        PanelUnderTest panel;
        ASSERT_TRUE(panel.WaitInitialised());
        EXPECT_EQ(panel.dialog.State().functionCount, c.count);
        const HWND window = panel.Window();
        EXPECT_EQ(HasVisibleStyle(panel.controls.lockButton.GetSafeHwnd()), c.lock);
        EXPECT_EQ(HasVisibleStyle(panel.controls.dimmingButton.GetSafeHwnd()),
                  (c.register25 & 1) != 0);
        EXPECT_EQ(HasVisibleStyle(panel.controls.buzzerButton.GetSafeHwnd()),
                  (c.register25 & 2) != 0);
        EXPECT_EQ(ClientRectOf(panel.controls.switchButton.GetSafeHwnd()).left, c.rowWidth)
            << "the level controls are shifted right by the row of function buttons";

        // Every WM_SIZE rebuilds shape, size and place, and drops the old picture.
        const HBITMAP before = panel.dialog.Shape().Background();
        SendMessageA(window, WM_SIZE, SIZE_RESTORED, 0);
        EXPECT_NE(panel.dialog.Shape().Background(), before);
        EXPECT_EQ(GetObjectType(before), 0) << "the previous background is released";
        EXPECT_EQ(panel.dialog.Shape().BackgroundInfo().bmWidth, c.width);
        EXPECT_EQ(panel.dialog.Shape().BackgroundInfo().bmHeight, 70);

        RECT placed{};
        GetWindowRect(window, &placed);
        const PixelPoint origin = CentredOrigin(GetSystemMetrics(SM_CXSCREEN),
                                                GetSystemMetrics(SM_CYSCREEN), c.width, 70);
        EXPECT_EQ(placed.left, origin.x);
        EXPECT_EQ(placed.top, origin.y);
        EXPECT_EQ(placed.right - placed.left, c.width);
        EXPECT_EQ(placed.bottom - placed.top, 70);
        EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
        if (c.count == 0 && GetSystemMetrics(SM_CXSCREEN) == 1024 &&
            GetSystemMetrics(SM_CYSCREEN) == 768) {
            EXPECT_EQ(placed.left, 347);
            EXPECT_EQ(placed.top, 349);
        }

        Region shape(CreateRectRgn(0, 0, 0, 0));
        ASSERT_NE(GetWindowRgn(window, shape.Get()), ERROR);
        Bitmap background(LoadBitmapResource(c.background));
        const HDC screen = GetDC(nullptr);
        EXPECT_TRUE(EqualRgn(shape.Get(), RegionByPixel(screen, background.Get(), kKey).Get()));
        ReleaseDC(nullptr, screen);
        for (POINT corner :
             {POINT{0, 0}, POINT{c.width - 1, 0}, POINT{0, 69}, POINT{c.width - 1, 69}})
            EXPECT_FALSE(PtInRegion(shape.Get(), corner.x, corner.y));
        EXPECT_TRUE(PtInRegion(shape.Get(), c.width / 2, 35));
    }
}

namespace {
LevelRects LevelControlRects(PanelControls& controls) {
    return {ClientRectOf(controls.switchButton.GetSafeHwnd()), ClientRectOf(controls.levelMarker),
            ClientRectOf(controls.functionButton.GetSafeHwnd()),
            ClientRectOf(controls.levelSlider.GetSafeHwnd())};
}

// Repaints the panel through its own message loop, in the order the system
// gives (controls with the transparent style after those beneath them);
// true once nothing is left to paint and the last paint has ended (a paint
// takes its update region away when it begins).
BOOL CALLBACK NotePending(HWND child, LPARAM pending) {
    *reinterpret_cast<bool*>(pending) |= GetUpdateRect(child, nullptr, FALSE) != 0;
    return TRUE;
}

// Waits until the panel has painted what is pending, without asking for more.
bool Settled(HWND window) {
    return WaitUntil(
               [window] {
                   bool pending = GetUpdateRect(window, nullptr, FALSE) != 0;
                   EnumChildWindows(window, NotePending, reinterpret_cast<LPARAM>(&pending));
                   return !pending;
               },
               10s) &&
           SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 10000, nullptr);
}

bool Repainted(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return Settled(window);
}

void ExpectRects(const LevelRects& actual, const LevelRects& expected) {
    const char* names[kLevelControls] = {"switch button", "separator", "function button", "slider"};
    for (int i = 0; i < kLevelControls; ++i)
        EXPECT_EQ(actual[i], expected[i]) << names[i];
}
} // namespace

TEST(PanelWindow, MissingBackgroundIsReportedAndChangesNothing) {
    PrepareFunctions(3, true, 13, 6);
    PanelUnderTest panel;
    ASSERT_TRUE(panel.WaitInitialised());
    const HWND window = panel.Window();
    RECT placeBefore{}, shapeBefore{}, placeAfter{}, shapeAfter{};
    GetWindowRect(window, &placeBefore);
    Region shape(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(window, shape.Get()), ERROR);
    GetRgnBox(shape.Get(), &shapeBefore);

    panel.dialog.State().functionCount = 4; // a count with no background bitmap
    PostMessageA(window, WM_SIZE, SIZE_RESTORED, 0);
    const DWORD panelThread = GetWindowThreadProcessId(window, nullptr);
    HWND box = nullptr;
    ASSERT_TRUE(
        WaitUntil([&] { return (box = FindThreadWindow(panelThread, IsMessageBox)); }, 10s));
    char caption[64] = "", text[128] = "";
    GetWindowTextA(box, caption, sizeof caption);
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_STREQ(text, "Error loading bitmap");
    EXPECT_STREQ(caption, "Lumitrax");
    EXPECT_FALSE(panel.dialog.Shape().Background());
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 10s));

    GetWindowRect(window, &placeAfter);
    ASSERT_NE(GetWindowRgn(window, shape.Get()), ERROR);
    GetRgnBox(shape.Get(), &shapeAfter);
    EXPECT_TRUE(EqualRect(&placeBefore, &placeAfter)) << "size and place are kept";
    EXPECT_TRUE(EqualRect(&shapeBefore, &shapeAfter)) << "the shape is kept";
    panel.dialog.State().functionCount = 3;
}

TEST(PanelWindow, SwitchingTwiceReturnsToTheFirstArrangement) {
    for (const bool threeFunctions : {false, true}) {
        SCOPED_TRACE(threeFunctions ? "three functions" : "padlock only");
        PrepareFunctions(threeFunctions ? 3 : 0, true, 13, 6);
        PanelUnderTest panel;
        ASSERT_TRUE(panel.WaitInitialised());
        PanelControls& controls = panel.controls;
        PanelLayout& layout = panel.dialog.Layout();

        const LevelRects brightness = LevelControlRects(controls);
        EXPECT_EQ(layout.Shown(), Arrangement::Brightness);
        EXPECT_EQ(controls.levelSlider.GetValue(), 13);
        ExpectRects(*layout.BrightnessLayout(), brightness);
        // The slider stands at its template place shifted right by the row of
        // function buttons, as the switch button (template x 0) does.
        const RECT home = controls.levelSlider.GetTemplateRect();
        EXPECT_EQ(brightness[kLevelSlider].left, home.left + brightness[kSwitchButton].left);
        EXPECT_EQ(brightness[kLevelSlider].top, home.top);
        EXPECT_GT(brightness[kLevelSlider].left, brightness[kFunctionButton].left)
            << "right of the function button, not over the switch button";

        panel.Click(controls.switchButton);
        EXPECT_EQ(panel.dialog.State().showingBrightness, Arrangement::Volume);
        EXPECT_EQ(controls.levelSlider.GetValue(), 6);
        const LevelRects volume = LevelControlRects(controls);
        ExpectRects(volume, VolumeArrangement(brightness));
        ExpectRects(*layout.VolumeLayout(), volume);

        panel.Click(controls.switchButton);
        EXPECT_EQ(panel.dialog.State().showingBrightness, Arrangement::Brightness);
        EXPECT_EQ(controls.levelSlider.GetValue(), 13);
        ExpectRects(LevelControlRects(controls), brightness);

        panel.Click(controls.switchButton);
        SCOPED_TRACE("the stored volume places again");
        ExpectRects(LevelControlRects(controls), volume);
    }
}

TEST(PanelWindow, TheSwitchActsOnTheArrangementOnTheScreen) {
    PrepareFunctions(0, true, 13, 6);
    PanelUnderTest panel;
    ASSERT_TRUE(panel.WaitInitialised());
    PanelControls& controls = panel.controls;
    // The poll thread has asked for the volume arrangement, which the
    // panel's thread has not carried out yet; the screen shows brightness.
    panel.dialog.State().showingBrightness = Arrangement::Volume;
    panel.Click(controls.switchButton);
    EXPECT_EQ(panel.dialog.Layout().Shown(), Arrangement::Volume)
        << "the click brings up the level the switch button showed";
    EXPECT_EQ(controls.levelSlider.GetValue(), 6);
}

TEST(PanelWindow, ScreenshotsOfBothArrangements) {
    const struct {
        const char* name;
        uint8_t register25;
        uint8_t status; // register 18
        bool backlightOn;
        UINT backlightPicture, volumePicture, lockPicture, dimmingPicture;
    } cases[] = {
        {"padlock only", 0, 0x04, true, IDB_BACKLIGHT_ON, IDB_VOLUME_SOUND, IDB_UNLOCKED, 0},
        {"three functions", 3, 0x04, true, IDB_BACKLIGHT_ON, IDB_VOLUME_SOUND, IDB_UNLOCKED,
         IDB_DIMMING_OFF},
        {"muted, locked, dimming, backlight off", 3, 0x04 | 0x01 | 0x10 | 0x80, false,
         IDB_BACKLIGHT_OFF, IDB_VOLUME_MUTED, IDB_LOCKED, IDB_DIMMING_ON},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const bool threeFunctions = c.register25 == 3;
        PrepareFunctions(c.register25, true, 13, 6, c.status);
        PanelUnderTest panel;
        ASSERT_TRUE(panel.WaitInitialised());
        PanelControls& controls = panel.controls;
        const HWND window = panel.Window();
        ASSERT_TRUE(HasShellDialogMetrics(window)) << "the panel's font is not Tahoma 8 pt";
        ASSERT_TRUE(panel.OnPanelThread([&] { panel.dialog.ShowPanel(); }));
        ASSERT_TRUE(IsWindowVisible(window));
        // After the show, which would wake the backlight.
        panel.dialog.State().backlightOn = c.backlightOn ? 1 : 0;
        const Picture background =
            ReadBitmapResource(threeFunctions ? IDB_BACKGROUND_3 : IDB_BACKGROUND_1);
        ASSERT_EQ(panel.dialog.Shape().BackgroundInfo().bmWidth, background.width);

        for (const bool brightness : {false, true}) {
            SCOPED_TRACE(brightness ? "brightness" : "volume");
            // Each arrangement reached by a click, so that it shows the
            // state as it is now.
            panel.Click(controls.switchButton);
            ASSERT_EQ(panel.dialog.Layout().Shown(),
                      brightness ? Arrangement::Brightness : Arrangement::Volume);
            // As the switch leaves it, and after a full repaint: the same,
            // with no stale pixels where a control stood before.
            ASSERT_TRUE(Settled(window));
            const Picture switched = CaptureWindow(window);
            ASSERT_TRUE(Repainted(window));
            const Picture shown = CaptureWindow(window);
            EXPECT_EQ(Differences(shown, 0, 0, switched), 0) << "the switch left stale pixels";
            SaveArtefact(shown, std::string("panel_") + (threeFunctions ? "3" : "1") +
                                    "_functions_" + (brightness ? "brightness" : "volume") +
                                    (c.status & 0x01 ? "_muted" : ""));
            ASSERT_EQ(shown.width, background.width);

            const auto expectPicture = [&](HWND control, const Picture& picture, const char* what) {
                const PixelRect r = ClientRectOf(control);
                EXPECT_EQ(Differences(shown, r.left, r.top, picture), 0) << what;
            };
            const int value = brightness ? 13 : 6;
            expectPicture(
                controls.levelSlider.GetSafeHwnd(),
                SliderPicture(brightness ? IDB_CHANNEL_BRIGHTNESS : IDB_CHANNEL_VOLUME, value),
                "slider: channel with its caption, thumb at the value's pixel");
            expectPicture(controls.switchButton.GetSafeHwnd(),
                          ReadBitmapResource(brightness ? IDB_VOLUME : IDB_BACKLIGHT),
                          "switch button");
            expectPicture(controls.functionButton.GetSafeHwnd(),
                          ReadBitmapResource(brightness ? c.backlightPicture : c.volumePicture),
                          "function button");
            expectPicture(controls.lockButton.GetSafeHwnd(), ReadBitmapResource(c.lockPicture),
                          "padlock button");
            if (threeFunctions) {
                expectPicture(controls.buzzerButton.GetSafeHwnd(),
                              ReadBitmapResource(IDB_BUZZER_ON), "buzzer button");
                expectPicture(controls.dimmingButton.GetSafeHwnd(),
                              ReadBitmapResource(c.dimmingPicture), "dimming button");
            }
            // The background that fits the functions shows where no control
            // stands, its rim all round.
            for (int x = 20; x < shown.width - 20; x += 37) {
                EXPECT_EQ(shown.At(x, 0), background.At(x, 0)) << "top rim at " << x;
                EXPECT_EQ(shown.At(x, 69), background.At(x, 69)) << "bottom rim at " << x;
            }
            for (int x : {0, 1, 2, shown.width - 3, shown.width - 2, shown.width - 1})
                EXPECT_EQ(shown.At(x, 35), background.At(x, 35)) << "side rim at " << x;
        }
    }
}
