// The tray icon of the running panel: its picture and tooltip follow the
// controller's status, the Environment item its ambient-light setting; and
// the icon object on a window of the test's own: a shell that refuses the
// icon at first gets it again a few seconds later.
#include <gtest/gtest.h>

#include "controller/RegisterMap.h"
#include "display/TrayIcon.h"
#include "display/TrayIndication.h"
#include "res/resource.h"
#include "tests/win/PanelThread.h"
#include "tests/win/ShellIcon.h"
#include "tests/win/audio_test_support.h"
#include "tests/win/panel_pictures.h"

namespace {
using namespace std::chrono_literals;
using keypad::Key;
using keypad::KeypadModel;

// An icon's colour picture.
Picture IconPicture(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return {};
    Bitmap colour(info.hbmColor), mask(info.hbmMask);
    return ReadBitmap(colour.Get());
}
// The image of icon resource id drawn at size × size, as it is stored (no
// image of another size scaled to it); null when the icon has none.
HICON StoredIconImage(UINT id, int size) {
    const HMODULE module = GetModuleHandleA(nullptr);
    const HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14));
    const auto* directory =
        group ? static_cast<const BYTE*>(LockResource(LoadResource(module, group))) : nullptr;
    if (!directory)
        return nullptr;
    // A group's header is 6 bytes (its count at 4), each entry 14 (width
    // first, the image's resource id last).
    const WORD count = *reinterpret_cast<const WORD*>(directory + 4);
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = directory + 6 + 14 * i;
        if (entry[0] != size)
            continue;
        const WORD image = *reinterpret_cast<const WORD*>(entry + 12);
        const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(image), MAKEINTRESOURCEA(3));
        auto* bits =
            found ? static_cast<BYTE*>(LockResource(LoadResource(module, found))) : nullptr;
        return bits ? CreateIconFromResourceEx(bits, SizeofResource(module, found), TRUE,
                                               0x00030000, size, size, LR_DEFAULTCOLOR)
                    : nullptr;
    }
    return nullptr;
}
} // namespace

TEST(TrayIconOfThePanel, PictureAndTooltipFollowDimmingAndTheLock) {
    std::unique_ptr<KeypadSimClient> sim = OpenOwnController();
    ASSERT_TRUE(sim);
    RunningPanel running([](CLumitraxDlg&) {});
    ASSERT_TRUE(running.WaitUntilPolling(20s));
    CLumitraxDlg& panel = running.Panel();
    const struct {
        Key key;
        UINT icon;
        const char* tooltip;
    } steps[] = {
        {Key::Dimming, IDI_AUTODIMMING, "AutoDimming"},
        {Key::Lock, IDI_LOCKED_AUTODIMMING, "Lumitrax Locked / AutoDimming"},
        {Key::Dimming, IDI_LOCKED, "Lumitrax Locked"},
        {Key::Lock, IDI_LUMITRAX, "Lumitrax"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.tooltip);
        const uint64_t seq = LastSeq(*sim);
        sim->Run([&](KeypadModel& model, uint64_t now) { model.PressKey(step.key, now); });
        ASSERT_TRUE(sim->WaitFor(keypad::LogPattern{'R', 23}, seq, 5000));
        NOTIFYICONDATAA record{};
        ASSERT_TRUE(WaitUntil(
            [&] {
                OnPanelThread(panel.Queue(), [&] { record = panel.Tray().Record(); });
                return std::string(record.szTip) == step.tooltip;
            },
            5s));
        // The picture of the indication drawn for the small-icon size of
        // the system's scale (16 pixels at 100 %, 24 at 150 %).
        const int size = GetSystemMetrics(SM_CXSMICON);
        const Picture shown = IconPicture(record.hIcon);
        const HICON expected = StoredIconImage(step.icon, size);
        ASSERT_NE(expected, nullptr) << "no image of " << size << " pixels";
        EXPECT_EQ(shown.width, size);
        EXPECT_EQ(shown.pixels, IconPicture(expected).pixels);
        DestroyIcon(expected);
        EXPECT_TRUE(ShellHasTrayIcon(panel.GetSafeHwnd())) << "the shell has the icon";
    }
}

TEST(TrayIconOfThePanel, TheEnvironmentItemCheckedIsTheControllersSetting) {
    std::unique_ptr<KeypadSimClient> sim = OpenOwnController();
    ASSERT_TRUE(sim);
    for (int lux = 0; lux <= 5; ++lux) {
        SCOPED_TRACE(lux);
        sim->Run(
            [lux](KeypadModel& model, uint64_t) { model.Set(REG_LUX, static_cast<uint8_t>(lux)); });
        RunningPanel running([](CLumitraxDlg&) {});
        ASSERT_TRUE(running.WaitUntilPolling(20s));
        CLumitraxDlg& panel = running.Panel();
        std::vector<UINT> checked;
        OnPanelThread(panel.Queue(), [&] {
            for (UINT item = ID_ENV_OFFICE; item <= ID_ENV_OUTDOOR; ++item)
                if (GetMenuState(panel.Tray().TrayMenu(), item, MF_BYCOMMAND) & MF_CHECKED)
                    checked.push_back(item);
        });
        if (lux >= 1 && lux <= 4)
            EXPECT_EQ(checked, std::vector<UINT>{*EnvironmentItemFor(lux)});
        else
            EXPECT_EQ(checked, std::vector<UINT>{}) << "no item for a value out of range";
    }
}

namespace {
// A window of the test's own whose timer messages reach a tray icon object.
struct TrayWindow {
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* tray = reinterpret_cast<TrayIcon*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (tray && message == WM_TIMER && wParam == kTrayRetryTimer) {
            tray->OnRetryTimer();
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    TrayWindow() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "LumitraxTrayTest";
        RegisterClassA(&windowClass);
        window = CreateWindowA("LumitraxTrayTest", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&tray));
    }
    ~TrayWindow() {
        tray.DeleteTrayIcon();
        DestroyWindow(window);
    }
    // Serves the thread's messages until done() holds or the timeout passes.
    template <class Done> bool Serve(Done done, std::chrono::milliseconds timeout) {
        return WaitUntil(
            [&] {
                MSG msg;
                while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                    DispatchMessageA(&msg);
                return done();
            },
            timeout);
    }

    PanelState state;
    GpiDllDriver driver{TestLibraries().driver, TestLibraries().driver.Open()};
    CMCU controller{driver, nullptr};
    PanelControls controls;
    TrayIcon tray{state, controller, controls};
    HWND window = nullptr;
};
} // namespace

TEST(TrayIconObject, AnIconTheShellRefusesIsAddedAgainAndGoesWhenDeleted) {
    TrayWindow tray;
    // Something holds the icon's owner and id already: the shell refuses
    // the add, at start-up and again when the task bar has restarted.
    NOTIFYICONDATAA other{};
    other.cbSize = sizeof other;
    other.hWnd = tray.window;
    other.uID = kTrayIconId;
    const auto refusedThenAddedAgain = [&](const char* when, auto add) {
        SCOPED_TRACE(when);
        ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &other));
        add();
        ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &other));
        EXPECT_FALSE(ShellHasTrayIcon(tray.window));
        EXPECT_TRUE(tray.Serve([&] { return ShellHasTrayIcon(tray.window); }, 10s))
            << "added again a few seconds later";
    };
    refusedThenAddedAgain("start-up", [&] { tray.tray.AddTrayIcon(tray.window); });
    ShellForgetsTrayIcon(tray.window);
    refusedThenAddedAgain("task bar restarted", [&] { tray.tray.OnTaskbarCreated(); });

    tray.tray.DeleteTrayIcon();
    EXPECT_FALSE(ShellHasTrayIcon(tray.window)) << "gone while its window is still there";
}

TEST(TrayIconObject, TheIndicationAndTheMenuAtTheirEdges) {
    std::unique_ptr<KeypadSimClient> sim = OpenOwnController();
    ASSERT_TRUE(sim);
    {
        // Two updates of one indication in a row send the shell one modify:
        // an icon the shell forgets in between stays forgotten.
        TrayWindow tray;
        tray.tray.AddTrayIcon(tray.window);
        tray.state.autoDimming = 1;
        tray.tray.UpdateTrayIndication();
        ASSERT_TRUE(ShellForgetsTrayIcon(tray.window));
        tray.tray.UpdateTrayIndication();
        EXPECT_FALSE(ShellHasTrayIcon(tray.window));
    }
    {
        // Without extended registers the Environment submenu is greyed and
        // the controller is not asked.
        TrayWindow tray;
        const uint64_t seq = LastSeq(*sim);
        tray.tray.LoadTrayMenu();
        EXPECT_TRUE(GetMenuState(GetSubMenu(tray.tray.TrayMenu(), 0), 1, MF_BYPOSITION) &
                    MF_GRAYED);
        EXPECT_TRUE(EntriesAfter(*sim, seq).empty());
    }
    {
        // A failed read of the ambient-light setting checks no item.
        sim->Run([](KeypadModel& model, uint64_t) {
            model.Set(REG_LUX, 3);
            model.FailNextReads(REG_LUX, 5);
        });
        TrayWindow tray;
        tray.state.extendedRegisters = 1;
        tray.tray.LoadTrayMenu();
        EXPECT_EQ(tray.tray.EnvironmentItem(), 0u);
        for (UINT item = ID_ENV_OFFICE; item <= ID_ENV_OUTDOOR; ++item)
            EXPECT_FALSE(GetMenuState(tray.tray.TrayMenu(), item, MF_BYCOMMAND) & MF_CHECKED)
                << item;
    }
}
