#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "app/LumitraxDlg.h"
#include "controls/ArtworkScale.h"
#include "controls/PanelPlacement.h"
#include "display/LayoutArithmetic.h"
#include "framework/Dpi.h"
#include "res/resource.h"
#include "tests/win/PanelThread.h"
#include "tests/win/ProcessCounts.h"
#include "tests/win/WaitUntil.h"
#include "tests/win/audio_test_support.h"
#include "tests/win/panel_pictures.h"
#include "tests/win/region_by_pixel.h"

namespace {
using namespace std::chrono_literals;
constexpr COLORREF kKey = RGB(0, 128, 128);
const char* kKeypadKey = "SOFTWARE\\Qor\\Keypad";

// The folder of this test program, with its final backslash.
std::string Folder() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

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

// Whether the dialog's base units are those the template was laid out for
// (at 100 %).
bool HasShellDialogMetrics(HWND dialog) {
    RECT units{0, 0, 4, 8};
    MapDialogRect(dialog, &units);
    return units.right == 6 && units.bottom == 13;
}

// The panel's display scale, which is the system's here (one monitor), and
// in a Wine prefix made for a scale (LUMITRAX_WINE_DPI) that scale: a prefix
// whose LogPixels did not take effect does not pass for one at 96 dpi.
int PanelDpi(CLumitraxDlg& dialog) {
    const int dpi = dialog.Controls().artwork.Dpi();
    EXPECT_EQ(dpi, SystemDpi());
    char prefixDpi[16] = "";
    if (GetEnvironmentVariableA("LUMITRAX_WINE_DPI", prefixDpi, sizeof prefixDpi) > 0) {
        EXPECT_EQ(SystemDpi(), std::atoi(prefixDpi)) << "the prefix's display scale";
    }
    return dpi;
}

// Whether the rectangle lies inside the region but for the background's
// rounded corners (squares of the corner radius, 12 pixels at 100 %), which
// a control at the panel's edge may reach into as it does at 100 %.
bool InsideRegion(HRGN region, const PixelRect& r, PixelSize panel, int radius) {
    Region rest(CreateRectRgn(r.left, r.top, r.right, r.bottom));
    CombineRgn(rest.Get(), rest.Get(), region, RGN_DIFF);
    for (const PixelRect& corner :
         {PixelRect{0, 0, radius, radius}, PixelRect{panel.width - radius, 0, panel.width, radius},
          PixelRect{0, panel.height - radius, radius, panel.height},
          PixelRect{panel.width - radius, panel.height - radius, panel.width, panel.height}}) {
        Region square(CreateRectRgn(corner.left, corner.top, corner.right, corner.bottom));
        CombineRgn(rest.Get(), rest.Get(), square.Get(), RGN_DIFF);
    }
    return CombineRgn(rest.Get(), rest.Get(), nullptr, RGN_COPY) == NULLREGION;
}

// Each visible child of the panel that lies partly outside its shape.
std::string ControlsOutside(HWND panel) {
    Region shape(CreateRectRgn(0, 0, 0, 0));
    if (GetWindowRgn(panel, shape.Get()) == ERROR)
        return "no shape";
    RECT window{};
    GetWindowRect(panel, &window);
    const PixelSize size{window.right - window.left, window.bottom - window.top};
    const int radius = ScaleLength(12, SystemDpi());
    std::string outside;
    for (HWND child = GetWindow(panel, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!(GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE))
            continue;
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&r), 2);
        if (!InsideRegion(shape.Get(), {r.left, r.top, r.right, r.bottom}, size, radius))
            outside += " " + std::to_string(GetDlgCtrlID(child));
    }
    return outside;
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
    TestLibraries().driver.Open(); // the library's client keeps the block for the process
    sim->Run([&](keypad::KeypadModel& model, uint64_t) {
        model.Set(25, register25);
        model.Set(1, static_cast<uint8_t>(brightness));
        model.Set(2, static_cast<uint8_t>(volume));
        model.Set(18, status);
    });
    UseShellDialogFont();
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kKeypadKey, KEY_WOW64_32KEY, 0);
    if (!lock) {
        HKEY key = nullptr;
        // In the 32-bit view, where the program reads it.
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeypadKey, 0, nullptr, 0,
                                  KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr),
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
    bool OnPanelThread(std::function<void()> work, std::chrono::milliseconds timeout = 10s) {
        return ::OnPanelThread(dialog.Queue(), work, timeout);
    }

    CLumitraxDlg dialog{TestLibraries()};
    PanelControls& controls = dialog.Controls();

private:
    std::atomic<bool> ended_{false};
    std::thread thread_;
};

// Holds the panel's poll thread in a key's event, as a driver call that does
// not return would: reg (read in every event) hangs, and a key is pressed.
// True once the thread is held (it reads the input line no more).
bool HoldPollThreadInAnEvent(KeypadSimClient& sim, uint16_t reg) {
    sim.Run([reg](keypad::KeypadModel& model, uint64_t) { return model.Hang(reg); });
    const keypad::LogEntry press = sim.Run([](keypad::KeypadModel& model, uint64_t now) {
        return model.PressKey(keypad::Key::BrightnessUp, now);
    });
    return sim.WaitFor(keypad::LogPattern{'R', 28}, press.seq, 5000) &&
           WaitUntil(
               [&] {
                   return !sim.WaitFor(keypad::LogPattern{'G', std::nullopt}, LastSeq(sim), 500);
               },
               10s);
}

void ClearFaults(KeypadSimClient& sim) {
    sim.Run([](keypad::KeypadModel& model, uint64_t) { model.ClearFaults(); });
}

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
        // The window is the 100 % size times the scale.
        const int dpi = PanelDpi(panel.dialog);
        const int width = ScaleLength(c.width, dpi), height = ScaleLength(70, dpi);
        RECT initial{};
        GetWindowRect(window, &initial);
        EXPECT_NEAR(initial.right - initial.left, c.width * dpi / 96.0, 1.0);
        EXPECT_NEAR(initial.bottom - initial.top, 70 * dpi / 96.0, 1.0);
        EXPECT_EQ(ControlsOutside(window), "") << "every control on the panel's shape";
        EXPECT_EQ(HasVisibleStyle(panel.controls.lockButton.GetSafeHwnd()), c.lock);
        EXPECT_EQ(HasVisibleStyle(panel.controls.dimmingButton.GetSafeHwnd()),
                  (c.register25 & 1) != 0);
        EXPECT_EQ(HasVisibleStyle(panel.controls.buzzerButton.GetSafeHwnd()),
                  (c.register25 & 2) != 0);
        EXPECT_EQ(ClientRectOf(panel.controls.switchButton.GetSafeHwnd()).left,
                  ScaleLength(c.rowWidth, dpi))
            << "the level controls are shifted right by the row of function buttons";

        // Every WM_SIZE rebuilds shape, size and place, and drops the old picture.
        const HBITMAP before = panel.dialog.Shape().Background();
        SendMessageA(window, WM_SIZE, SIZE_RESTORED, 0);
        EXPECT_NE(panel.dialog.Shape().Background(), before);
        EXPECT_EQ(GetObjectType(before), 0) << "the previous background is released";
        EXPECT_EQ(panel.dialog.Shape().BackgroundInfo().bmWidth, width);
        EXPECT_EQ(panel.dialog.Shape().BackgroundInfo().bmHeight, height);

        RECT placed{};
        GetWindowRect(window, &placed);
        const PixelPoint origin = CentredOrigin(GetSystemMetrics(SM_CXSCREEN),
                                                GetSystemMetrics(SM_CYSCREEN), width, height);
        EXPECT_EQ(placed.left, origin.x);
        EXPECT_EQ(placed.top, origin.y);
        EXPECT_EQ(placed.right - placed.left, width);
        EXPECT_EQ(placed.bottom - placed.top, height);
        EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
        if (c.count == 0 && dpi == 96 && GetSystemMetrics(SM_CXSCREEN) == 1024 &&
            GetSystemMetrics(SM_CYSCREEN) == 768) {
            EXPECT_EQ(placed.left, 347);
            EXPECT_EQ(placed.top, 349);
        }

        Region shape(CreateRectRgn(0, 0, 0, 0));
        ASSERT_NE(GetWindowRgn(window, shape.Get()), ERROR);
        const Bitmap background = panel.controls.artwork.LoadPicture(c.background);
        const HDC screen = GetDC(nullptr);
        EXPECT_TRUE(EqualRgn(shape.Get(), RegionByPixel(screen, background.Get(), kKey).Get()));
        ReleaseDC(nullptr, screen);
        for (POINT corner :
             {POINT{0, 0}, POINT{width - 1, 0}, POINT{0, height - 1}, POINT{width - 1, height - 1}})
            EXPECT_FALSE(PtInRegion(shape.Get(), corner.x, corner.y));
        EXPECT_TRUE(PtInRegion(shape.Get(), width / 2, height / 2));
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

// Places at 100 % where they stand at dpi.
LevelRects Scaled(const LevelRects& places, int dpi) {
    LevelRects scaled;
    for (int i = 0; i < kLevelControls; ++i)
        scaled[i] = ScaleRect(places[i], dpi);
    return scaled;
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
        const int dpi = PanelDpi(panel.dialog);

        const LevelRects brightness = LevelControlRects(controls);
        EXPECT_EQ(layout.Shown(), Arrangement::Brightness);
        EXPECT_EQ(controls.levelSlider.GetValue(), 13);
        ExpectRects(Scaled(*layout.BrightnessLayout(), dpi), brightness);
        // At their template places shifted right by the row of function
        // buttons: at 100 % where the shell dialog font puts the template's.
        const int32_t row = threeFunctions ? 216 : 74;
        ExpectRects(*layout.BrightnessLayout(),
                    BrightnessArrangement(row, {{{55, 62}, {3, 62}, {55, 62}, {182, 62}}}));
        if (dpi == 96 && HasShellDialogMetrics(panel.Window())) {
            const int ids[kLevelControls] = {IDC_SWITCH, IDC_LEVEL_MARKER, IDC_FUNCTION,
                                             IDC_LEVEL_SLIDER};
            const RECT units[kLevelControls] = {{0, 2, 0, 2},
                                                {37, 2, 37, 2},
                                                {43, 2, 43, 2},
                                                {81, 2, 81, 2}}; // the template's places
            for (int i = 0; i < kLevelControls; ++i) {
                RECT place = units[i];
                MapDialogRect(panel.Window(), &place);
                EXPECT_EQ(brightness[i].left, row + place.left) << ids[i];
                EXPECT_EQ(brightness[i].top, place.top) << ids[i];
            }
        }

        panel.Click(controls.switchButton);
        EXPECT_EQ(panel.dialog.State().showingBrightness, Arrangement::Volume);
        EXPECT_EQ(controls.levelSlider.GetValue(), 6);
        const LevelRects volume = LevelControlRects(controls);
        ExpectRects(*layout.VolumeLayout(), VolumeArrangement(*layout.BrightnessLayout()));
        ExpectRects(Scaled(*layout.VolumeLayout(), dpi), volume);
        EXPECT_EQ(ControlsOutside(panel.Window()), "");

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

namespace {
// A reference picture the artwork tool drew for the tests, beside bin/ in
// res/artwork/reference.
Picture ReadReference(const std::string& name) {
    const std::string path = Folder() + "..\\res\\artwork\\reference\\" + name + ".bmp";
    Bitmap bitmap(static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                                  LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    EXPECT_TRUE(bitmap) << "no reference picture " << path;
    return bitmap ? ReadBitmap(bitmap.Get()) : Picture{};
}

// The pixels of the panel's shape that differ from the reference (the
// window has no pixels outside its shape: what a capture shows there is
// not the panel's); -1 when the sizes differ.
int DifferencesInShape(HWND window, const Picture& shown, const Picture& reference) {
    if (shown.width != reference.width || shown.height != reference.height)
        return -1;
    Region shape(CreateRectRgn(0, 0, 0, 0));
    if (GetWindowRgn(window, shape.Get()) == ERROR)
        return -1;
    int count = 0;
    for (int y = 0; y < shown.height; ++y)
        for (int x = 0; x < shown.width; ++x)
            count += PtInRegion(shape.Get(), x, y) && shown.At(x, y) != reference.At(x, y);
    return count;
}
} // namespace

// Both arrangements, as the panel shows them at the system's scale, pixel
// for pixel as the artwork tool draws them from the set for that scale.
TEST(PanelWindow, ScreenshotsOfBothArrangements) {
    const struct {
        const char* name; // of the reference pictures
        uint8_t register25;
        uint8_t status; // register 18
        bool backlightOn;
    } cases[] = {
        {"lock", 0, 0x04, true},
        {"three", 3, 0x04, true},
        {"three_muted", 3, 0x04 | 0x01 | 0x10 | 0x80, false}, // muted, dimming, locked
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PrepareFunctions(c.register25, true, 13, 6, c.status);
        PanelUnderTest panel;
        ASSERT_TRUE(panel.WaitInitialised());
        PanelControls& controls = panel.controls;
        const HWND window = panel.Window();
        const int dpi = PanelDpi(panel.dialog);
        ASSERT_TRUE(panel.OnPanelThread([&] { panel.dialog.ShowPanel(); }));
        ASSERT_TRUE(IsWindowVisible(window));
        // After the show, which would wake the backlight.
        panel.dialog.State().backlightOn = c.backlightOn ? 1 : 0;

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
            const std::string name = std::string("panel_") + c.name + "_" +
                                     (brightness ? "brightness" : "volume") + "_" +
                                     std::to_string(dpi);
            SaveArtefact(shown, name);
            EXPECT_EQ(DifferencesInShape(window, shown, ReadReference(name)), 0)
                << "unlike the reference picture " << name;
            EXPECT_EQ(ControlsOutside(window), "") << "every control on the panel's shape";
        }
    }
}

// The thumb travels the whole channel: from its left edge at the lowest
// value to its right edge at the highest, at the panel's scale.
TEST(PanelWindow, TheThumbReachesBothEndsOfItsChannel) {
    PrepareFunctions(0, true, 13, 6);
    PanelUnderTest panel;
    ASSERT_TRUE(panel.WaitInitialised());
    const HWND window = panel.Window();
    CBitmapSlider& slider = panel.controls.levelSlider;
    ASSERT_TRUE(panel.OnPanelThread([&] { panel.dialog.ShowPanel(); }));
    const Picture channel =
        ReadBitmap(panel.controls.artwork.LoadPicture(IDB_CHANNEL_BRIGHTNESS).Get());
    for (const int value : {0, 20}) {
        SCOPED_TRACE(value);
        ASSERT_TRUE(panel.OnPanelThread([&] { slider.SetValue(value); }));
        ASSERT_TRUE(Settled(window));
        const Picture shown = CaptureWindow(slider.GetSafeHwnd());
        ASSERT_EQ(shown.width, channel.width);
        // The columns where the thumb covers the channel.
        int first = shown.width, last = -1;
        for (int y = 0; y < shown.height; ++y)
            for (int x = 0; x < shown.width; ++x)
                if (shown.At(x, y) != channel.At(x, y)) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
        const int thumb = ScaleLength(23, PanelDpi(panel.dialog));
        if (value == 0) {
            EXPECT_EQ(first, 0);
            EXPECT_EQ(last, thumb - 1);
        } else {
            EXPECT_EQ(first, channel.width - thumb);
            EXPECT_EQ(last, channel.width - 1);
        }
    }
}

namespace {
// The width of the icon's colour picture.
int IconWidth(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return 0;
    Bitmap colour(info.hbmColor), mask(info.hbmMask);
    BITMAP bitmap{};
    GetObjectA(colour ? colour.Get() : mask.Get(), sizeof bitmap, &bitmap);
    return bitmap.bmWidth;
}

// The panel with three functions as it must stand at dpi: the set for the
// scale, shape and size from its background, the controls at their places
// scaled, the slider's channel and thumb reloaded, the tray icon at the
// small-icon size.
void ExpectLaidOutFor(PanelUnderTest& panel, int dpi, const LevelRects& places) {
    SCOPED_TRACE(testing::Message() << "laid out for " << dpi << " dpi");
    const HWND window = panel.Window();
    EXPECT_EQ(panel.controls.artwork.Dpi(), dpi);
    RECT placed{};
    GetWindowRect(window, &placed);
    EXPECT_EQ(placed.right - placed.left, ScaleLength(530, dpi));
    EXPECT_EQ(placed.bottom - placed.top, ScaleLength(70, dpi));
    ExpectRects(LevelControlRects(panel.controls), Scaled(places, dpi));
    Region shape(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(window, shape.Get()), ERROR);
    const Bitmap background = panel.controls.artwork.LoadPicture(IDB_BACKGROUND_3);
    const HDC screen = GetDC(nullptr);
    EXPECT_TRUE(EqualRgn(shape.Get(), RegionByPixel(screen, background.Get(), kKey).Get()));
    ReleaseDC(nullptr, screen);
    const PixelRect button = ClientRectOf(panel.controls.lockButton.GetSafeHwnd());
    EXPECT_EQ(button, ScaleRect({4, 3, 59, 65}, dpi)) << "the padlock's place at the scale";
    // The thumb's last place and its top edge.
    const int thumb = ScaleLength(23, dpi);
    EXPECT_EQ(panel.controls.levelSlider.ValueToPixel(20),
              ScaleLength(182, dpi) - thumb + thumb / 2);
    EXPECT_EQ(panel.controls.levelSlider.ThumbTop(), ScaleLength(22, dpi));
    int iconWidth = 0;
    ASSERT_TRUE(
        panel.OnPanelThread([&] { iconWidth = IconWidth(panel.dialog.Tray().Record().hIcon); }));
    EXPECT_EQ(iconWidth, SmallIconSize(dpi)) << "the tray icon at the small-icon size";
}
} // namespace

// Laid out for a monitor of another scale (as a show on that monitor does;
// Wine has one monitor), then moved back to one of the window's own scale:
// WM_DPICHANGED as the system sends it, whose rectangle the panel's size
// was asked for before (WM_GETDPISCALEDSIZE). The scale is the window's,
// never the message's; the panel stands at the corner the system suggests;
// the scale changes leave no GDI object behind.
TEST(PanelWindow, AScaleChangeLaysThePanelOutAnewWhereTheSystemSuggests) {
    PrepareFunctions(3, true, 13, 6);
    PanelUnderTest panel;
    ASSERT_TRUE(panel.WaitInitialised());
    const HWND window = panel.Window();
    const int first = PanelDpi(panel.dialog);
    const LevelRects places = *panel.dialog.Layout().BrightnessLayout();

    for (const int dpi : {96, 120, 144, 168, 192, 1, 8000}) {
        SIZE size{1, 1};
        EXPECT_EQ(SendMessageA(window, WM_GETDPISCALEDSIZE, dpi, reinterpret_cast<LPARAM>(&size)),
                  TRUE);
        EXPECT_EQ(size.cx, ScaleLength(530, dpi)) << dpi;
        EXPECT_EQ(size.cy, ScaleLength(70, dpi)) << dpi;
    }
    EXPECT_EQ(SendMessageA(window, WM_GETDPISCALEDSIZE, 144, 0), FALSE);

    // A scale in the message that is not the window's changes nothing.
    RECT before{}, after{};
    GetWindowRect(window, &before);
    RECT elsewhere{30, 40, 50, 60};
    SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&elsewhere));
    GetWindowRect(window, &after);
    EXPECT_TRUE(EqualRect(&before, &after)) << "the panel keeps its place and size";
    ExpectLaidOutFor(panel, first, places);

    // 96 to 192 dpi and back, a few times; the first round opens what the
    // system keeps once made.
    long gdiObjects = 0;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        for (const int dpi : {96, 120, 144, 168, 192}) {
            if (dpi == first)
                continue;
            ASSERT_TRUE(panel.OnPanelThread([&] { panel.dialog.Scale().Apply(dpi); }, 60s));
            ExpectLaidOutFor(panel, dpi, places);
        }
        // Its size is the system's guess: the panel keeps its own.
        RECT suggested{30 + round, 40, 50, 60};
        SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(8000, 8000),
                     reinterpret_cast<LPARAM>(&suggested));
        ExpectLaidOutFor(panel, first, places);
        RECT placed{};
        GetWindowRect(window, &placed);
        EXPECT_EQ(placed.left, 30 + round);
        EXPECT_EQ(placed.top, 40);
        ASSERT_TRUE(Repainted(window));
        if (round == 0)
            gdiObjects = GdiObjectsOfThisProcess();
    }
    EXPECT_EQ(GdiObjectsOfThisProcess(), gdiObjects) << "GDI objects left by the scale changes";
}

namespace {
// Sends the panel a WM_DPICHANGED, as the system does, while it handles the
// first move or resize of its window after Arm: the move of a layout onto a
// monitor of another scale. Notes the panel's scale once that has returned.
class NestedScaleChange {
public:
    NestedScaleChange(HWND window, const PanelArtwork& artwork)
        : window_(window), artwork_(artwork),
          previous_(reinterpret_cast<WNDPROC>(
              SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure)))) {
        current = this;
    }
    ~NestedScaleChange() {
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        current = nullptr;
    }
    int DpiAfterIt() const { return dpiAfter_; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        NestedScaleChange& self = *current;
        const LRESULT result = CallWindowProcA(self.previous_, window, message, wParam, lParam);
        if (message == WM_WINDOWPOSCHANGED && self.dpiAfter_ == 0) {
            self.dpiAfter_ = -1;
            RECT suggested{0, 0, 10, 10};
            SendMessageA(window, WM_DPICHANGED, 0, reinterpret_cast<LPARAM>(&suggested));
            self.dpiAfter_ = self.artwork_.Dpi();
        }
        return result;
    }

    static inline NestedScaleChange* current = nullptr;
    HWND window_;
    const PanelArtwork& artwork_;
    WNDPROC previous_;
    int dpiAfter_ = 0;
};
} // namespace

// A scale change that comes while the panel is laid out for another scale
// waits until that layout is done, and is carried out then: the panel ends
// laid out for its window's scale, whole.
TEST(PanelWindow, AScaleChangeDuringALayoutComesAfterIt) {
    PrepareFunctions(3, true, 13, 6);
    PanelUnderTest panel;
    ASSERT_TRUE(panel.WaitInitialised());
    const int first = PanelDpi(panel.dialog);
    const int other = first == 144 ? 192 : 144;
    const LevelRects places = *panel.dialog.Layout().BrightnessLayout();
    int dpiAfterNested = 0;
    bool changed = false;
    ASSERT_TRUE(panel.OnPanelThread(
        [&] {
            NestedScaleChange nested(panel.Window(), panel.controls.artwork);
            changed = panel.dialog.Scale().Apply(other);
            dpiAfterNested = nested.DpiAfterIt();
        },
        60s));
    EXPECT_TRUE(changed);
    EXPECT_EQ(dpiAfterNested, other) << "the nested change was carried out inside the layout";
    ExpectLaidOutFor(panel, first, places);
}

TEST(PanelWindow, OneBoxOfEachKindOwnedByThePanelWhichStillSeesEveryMessage) {
    // While a box runs its loop, an arrow on the panel's slider still shows
    // the panel, and Escape in the box still closes the box.
    PrepareFunctions(3, true, 13, 6);
    std::unique_ptr<KeypadSimClient> sim = KeypadSimClient::Open();
    ASSERT_TRUE(sim);
    PanelUnderTest panel;
    ASSERT_TRUE(panel.WaitInitialised());
    const HWND window = panel.Window();
    for (const PanelBox kind : {PanelBox::About, PanelBox::Firmware}) {
        SCOPED_TRACE(kind == PanelBox::About ? "About box" : "firmware box");
        const HWND box = OpenPanelBox(panel.dialog, kind);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(GetWindow(box, GW_OWNER), window);
        // A second request; work queued behind it runs once it is handled.
        // It only brings the box to the front: nothing is read for it.
        const uint64_t seq = LastSeq(*sim);
        if (kind == PanelBox::About)
            PostMessageA(window, WM_SYSCOMMAND, 16, 0);
        else
            panel.dialog.Queue().Post([&] { panel.dialog.Commands().ShowFirmwareBox(); });
        ASSERT_TRUE(panel.OnPanelThread([] {}));
        EXPECT_EQ(ShownBoxesOf(window), std::vector<HWND>{box});
        EXPECT_EQ(panel.dialog.Requests().WaitingCount(), 0u);
        ASSERT_TRUE(TwoPollCyclesPass(*sim));
        for (const keypad::LogEntry& entry : EntriesAfter(*sim, seq))
            EXPECT_EQ(entry.op, 'G') << "read for the box that was up: " << entry.op << entry.reg;

        ASSERT_FALSE(IsWindowVisible(window));
        PostMessageA(panel.controls.levelSlider.GetSafeHwnd(), WM_KEYDOWN, VK_LEFT, 0);
        EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != 0; }, 5s));
        ASSERT_TRUE(panel.OnPanelThread([&] { panel.dialog.HidePanel(); }));

        PostMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5s));
        for (const HWND left : ShownBoxesOf(window))
            PostMessageA(left, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitUntil([&] { return ShownBoxesOf(window).empty(); }, 5s));
    }
}

TEST(PanelWindow, CommandsOfWhatThePanelDoesNotOfferDoNothing) {
    // Whoever sends them: each command as its button or menu item sends it.
    const struct {
        const char* what;
        uint8_t register25;
        bool lock;
        uint8_t status;
        int command;
        const char* writes;
    } cases[] = {
        {"dimming offered", 1, true, 0x04, IDC_DIMMING, "W21=1"},
        {"dimming not offered", 0, true, 0x04, IDC_DIMMING, ""},
        {"Lock offered", 0, true, 0x04, IDC_LOCK, "W33=1"},
        {"Lock without HaveKeypad", 0, false, 0x04, IDC_LOCK, ""},
        {"Environment with the extended registers", 0, true, 0x04, ID_ENV_FACTORY, "W32=3"},
        {"Environment without them (greyed)", 0, true, 0x00, ID_ENV_FACTORY, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PrepareFunctions(c.register25, c.lock, 13, 6, c.status);
        std::unique_ptr<KeypadSimClient> sim = KeypadSimClient::Open();
        ASSERT_TRUE(sim);
        PanelUnderTest panel;
        ASSERT_TRUE(panel.WaitInitialised());
        const uint64_t seq = LastSeq(*sim);
        const HWND button = GetDlgItem(panel.Window(), c.command);
        SendMessageA(panel.Window(), WM_COMMAND, MAKEWPARAM(c.command, button ? BN_CLICKED : 0),
                     reinterpret_cast<LPARAM>(button));
        // What the command writes has been written two poll cycles later.
        ASSERT_TRUE(TwoPollCyclesPass(*sim));
        EXPECT_EQ(WritesAfter(*sim, seq), c.writes);
    }
}

TEST(PanelWindow, WhileThePollThreadIsHeldEachBoxAsksOnceAndAgainOnlyAfterTheBound) {
    // The panel's thread never waits for the poll thread: while that is held
    // by a driver call, a flood of requests for a box asks for one read; a
    // request after the bound asks again; once the poll thread answers, each
    // box comes, once.
    PrepareFunctions(3, true, 13, 6);
    std::unique_ptr<KeypadSimClient> sim = KeypadSimClient::Open();
    ASSERT_TRUE(sim);
    PanelUnderTest panel;
    ASSERT_TRUE(panel.WaitInitialised());
    const HWND window = panel.Window();
    ControllerRequests& requests = panel.dialog.Requests();
    ASSERT_TRUE(HoldPollThreadInAnEvent(*sim, 23));
    for (const PanelBox kind : {PanelBox::About, PanelBox::Firmware}) {
        SCOPED_TRACE(kind == PanelBox::About ? "About box" : "firmware box");
        // As the tray menu's About and Ctrl+F3 ask, on the panel's thread.
        const auto ask = [&] {
            if (kind == PanelBox::About)
                PostMessageA(window, WM_COMMAND, ID_ABOUT, 0);
            else
                panel.dialog.Queue().Post([&] { panel.dialog.Commands().ShowFirmwareBox(); });
        };
        const size_t before = requests.WaitingCount();
        const auto first = std::chrono::steady_clock::now();
        for (int i = 0; i < 50; ++i)
            ask();
        ASSERT_TRUE(panel.OnPanelThread([] {}));
        EXPECT_EQ(requests.WaitingCount(), before + 1) << "one read for the flood";
        EXPECT_TRUE(WaitUntil(
            [&] {
                ask();
                return panel.OnPanelThread([] {}) && requests.WaitingCount() == before + 2;
            },
            10s))
            << "a request after the bound did not ask again";
        EXPECT_GE(std::chrono::steady_clock::now() - first, AwaitedAnswer::kBound);
        EXPECT_EQ(ShownBoxesOf(window), std::vector<HWND>{});
    }
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(panel.OnPanelThread([] {})) << "the panel's thread answers";

    ClearFaults(*sim);
    std::vector<HWND> boxes;
    EXPECT_TRUE(WaitUntil([&] { return (boxes = ShownBoxesOf(window)).size() == 2; }, 10s));
    EXPECT_TRUE(WaitUntil([&] { return requests.WaitingCount() == 0; }, 10s));
    ASSERT_TRUE(panel.OnPanelThread([] {})) << "every answer has come";
    EXPECT_EQ(ShownBoxesOf(window).size(), 2u) << "one box of each kind";
    EXPECT_NE(FindWindowA(nullptr, "About Lumitrax"), nullptr);
    for (int round = 0; round < 2 && !(boxes = ShownBoxesOf(window)).empty(); ++round) {
        for (const HWND box : boxes)
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        WaitUntil([&] { return ShownBoxesOf(window).size() < boxes.size(); }, 5s);
    }
    EXPECT_TRUE(WaitUntil([&] { return ShownBoxesOf(window).empty(); }, 5s));
}

TEST(PanelWindow, ADimmingOrLockChangeOutlivesAnEventThatReadTheOldStatus) {
    // The click comes while an event is held between its first reads and
    // its status read: the event then reads the status from before the
    // click's write and sets the field back; the click's request, which the
    // poll thread runs after the event, makes the change again and writes it.
    const struct {
        const char* what;
        int command;
        Shared<uint8_t> PanelState::*field;
        const char* writes;
    } cases[] = {
        {"dimming", IDC_DIMMING, &PanelState::autoDimming, "W21=1"},
        {"Lock", IDC_LOCK, &PanelState::keypadLocked, "W33=1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PrepareFunctions(3, true, 13, 6);
        std::unique_ptr<KeypadSimClient> sim = KeypadSimClient::Open();
        ASSERT_TRUE(sim);
        PanelUnderTest panel;
        ASSERT_TRUE(panel.WaitInitialised());
        const Shared<uint8_t>& field = panel.dialog.State().*c.field;
        ASSERT_TRUE(HoldPollThreadInAnEvent(*sim, 2)); // the volume, read before the status
        const uint64_t seq = LastSeq(*sim);
        const HWND button = GetDlgItem(panel.Window(), c.command);
        SendMessageA(panel.Window(), WM_COMMAND, MAKEWPARAM(c.command, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        EXPECT_EQ(static_cast<int>(field), 1) << "changed at once";
        ClearFaults(*sim);
        ASSERT_TRUE(sim->WaitFor(keypad::LogPattern{'W', std::nullopt}, seq, 5000));
        EXPECT_EQ(WritesAfter(*sim, seq), c.writes);
        std::string reads;
        for (const keypad::LogEntry& entry : EntriesAfter(*sim, seq))
            if (entry.op == 'R')
                reads += (reads.empty() ? "R" : " R") + std::to_string(entry.reg);
        EXPECT_EQ(reads, "R2 R18 R23") << "the event's status read came before the write";
        EXPECT_EQ(static_cast<int>(field), 1) << "the event's old status undid the click";
    }
}
