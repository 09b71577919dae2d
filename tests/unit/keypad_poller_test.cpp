#include <atomic>
#include <condition_variable>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "FakeDriver.h"
#include "controller/CMCU.h"
#include "controller/KeypadPoller.h"
#include "display/ArrangeLevels.h"
#include "res/resource.h"
#include "shared/PanelState.h"

namespace {
// Records the panel operations in order, e.g. "arrange0 show slider=v12"
// (the volume slider; b for brightness), and keeps the function button's
// picture as the panel's thread would draw it: each operation with the
// state as it is when asked for.
class FakePanel : public PanelOperations {
public:
    explicit FakePanel(const PanelState& state) : state_(state) {}
    void ShowPanel() override { Add("show"); }
    void HidePanel() override { Add("hide"); }
    void ArrangePanel(Arrangement mode) override {
        Add("arrange" + std::to_string(static_cast<int>(mode)));
        shown_ = mode;
        picture_ = FunctionButtonPicture(mode, CurrentLevels(state_));
    }
    void SetSliderValue(Arrangement mode, int32_t v) override {
        Add(std::string("slider=") + (mode == Arrangement::Volume ? "v" : "b") + std::to_string(v));
    }
    void UpdateFunctionButton() override {
        Add("button");
        picture_ = FunctionButtonPicture(shown_, CurrentLevels(state_));
    }
    void UpdateTrayIndication() override { Add("tray"); }
    void SetAudioMute(int32_t flag) override { Add("mute=" + std::to_string(flag)); }
    void SetPanelHook(const HookRect& r) override {
        Add("hook=" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
            std::to_string(r.right) + "," + std::to_string(r.bottom));
    }
    void RemovePanelHook() override { Add("unhook"); }
    void PushSliderVolume(int32_t v) override { Add("push-volume=" + std::to_string(v)); }
    void FailInputLine() override {
        Add("fail-input-line");
        failed = true;
    }

    std::string Ops() {
        std::lock_guard<std::mutex> lock(mutex_);
        std::string out;
        for (const auto& op : ops_)
            out += (out.empty() ? "" : " ") + op;
        return out;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        ops_.clear();
    }
    std::atomic<bool> failed{false};
    // The function button's picture after the operations so far.
    int Picture() const { return picture_; }

private:
    void Add(std::string op) {
        std::lock_guard<std::mutex> lock(mutex_);
        ops_.push_back(std::move(op));
    }
    const PanelState& state_;
    std::mutex mutex_;
    std::vector<std::string> ops_;
    Arrangement shown_ = Arrangement::Brightness;
    int picture_ = IDB_BACKLIGHT_ON;
};

// The panel after start-up, in step with an extended controller at
// brightness 10, volume 10, not muted, backlight on, arranged for brightness.
struct Poll : ::testing::Test {
    FakeDriver driver;
    PanelState state;
    FakePanel panel{state};
    std::recursive_mutex panelLock;
    CMCU mcu{driver, nullptr, std::chrono::milliseconds(0)};
    ControllerRequests requests{mcu};
    KeypadPoller poller{state, mcu, requests, panel, panelLock, std::chrono::milliseconds(1)};

    void SetUp() override {
        driver.values = {{1, 10}, {2, 10}, {18, 0x04}, {23, 1}, {28, 0}};
        state.extendedRegisters = 1;
        state.statusBits = 0x04;
        state.appliedStatus = 0x04;
        state.audioMute = 0x04;
        state.showingBrightness = Arrangement::Brightness;
        state.brightness = state.shownBrightness = state.requestedBrightness = 10;
        state.keypadVolume = state.shownVolume = state.audioVolume = 10;
        state.backlightOn = 1;
    }
    void Basic() {
        state.extendedRegisters = 0;
        state.statusBits = state.appliedStatus = state.audioMute = 0;
        driver.values[18] = 0;
    }
};
} // namespace

TEST_F(Poll, VolumeKeyReadsRegistersInOrderAndShowsTheVolume) {
    driver.values[2] = 11;
    driver.values[28] = 0x02;
    poller.OnControllerEvent();
    EXPECT_EQ(driver.Accesses(), "R28 R1 R2 R18 R23");
    EXPECT_EQ(panel.Ops(), "arrange0 show slider=v11 push-volume=11 tray button");
    EXPECT_EQ(state.keypadVolume, 11);
    EXPECT_EQ(state.shownVolume, 11);
    EXPECT_EQ(state.audioVolume, 11) << "so that the periodic sync writes nothing back";
    EXPECT_EQ(state.showingBrightness, Arrangement::Volume);

    driver.ClearLog();
    panel.Clear();
    poller.SyncPendingChanges();
    EXPECT_EQ(driver.Accesses(), "");
    EXPECT_EQ(panel.Ops(), "");
}

TEST_F(Poll, ChangeFlagShowsAnUnchangedLevelOnlyOnExtendedControllers) {
    struct Case {
        const char* name;
        bool extended;
        uint32_t change;
        const char* ops;
        const char* accesses;
    } cases[] = {
        {"volume flag at range end", true, 0x02,
         "arrange0 show slider=v10 push-volume=10 tray button", "R28 R1 R2 R18 R23"},
        {"brightness flag", true, 0x01, "show slider=b10 tray button", "R28 R1 R2 R18 R23"},
        {"0xFF carries no information", true, 0xFF, "tray button", "R28 R1 R2 R18 R23"},
        {"no flags on a basic controller", false, 0x02, "tray button", "R1 R2 R18"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        if (!c.extended)
            Basic();
        driver.values[28] = c.change;
        driver.ClearLog();
        panel.Clear();
        poller.OnControllerEvent();
        EXPECT_EQ(panel.Ops(), c.ops);
        EXPECT_EQ(driver.Accesses(), c.accesses);
    }
}

TEST_F(Poll, LevelsAboveTheRangeCountAsTheTop) {
    driver.values[1] = 37;
    driver.values[2] = 255;
    poller.OnControllerEvent();
    EXPECT_EQ(state.brightness, 20);
    EXPECT_EQ(state.keypadVolume, 20);
    EXPECT_EQ(state.audioVolume, 20) << "what the device is then set to";
    EXPECT_EQ(panel.Ops(), "show slider=b20 arrange0 show slider=v20 push-volume=20 tray button");
}

TEST_F(Poll, BrightnessChangeWhileShowingVolumeArrangesForBrightness) {
    state.showingBrightness = Arrangement::Volume;
    driver.values[1] = 4;
    poller.OnControllerEvent();
    EXPECT_EQ(panel.Ops(), "arrange1 show slider=b4 tray button");
    EXPECT_EQ(state.shownBrightness, 4);
    EXPECT_EQ(state.requestedBrightness, 4) << "nothing to write back";
    EXPECT_EQ(state.pendingBrightness, 4);
}

TEST_F(Poll, FailedReadsLeaveFieldsAndShowNothing) {
    driver.readFailures = {{28, -1}, {1, -1}, {2, -1}, {18, -1}};
    driver.values[1] = 3;
    driver.values[18] = 0x85;
    poller.OnControllerEvent();
    EXPECT_EQ(state.brightness, 10);
    EXPECT_EQ(state.keypadVolume, 10);
    EXPECT_EQ(state.statusBits, 0x04);
    EXPECT_EQ(panel.Ops(), "tray button");
}

TEST_F(Poll, KeypadMuteFollowsToTheAudioDevice) {
    driver.values[18] = 0x05;
    poller.OnControllerEvent();
    EXPECT_EQ(panel.Ops(), "tray show arrange0 show mute=1 button");
    EXPECT_EQ(panel.Picture(), IDB_VOLUME_MUTED);
    EXPECT_EQ(state.appliedStatus, 0x05);
    // The device has not reported the mute back yet: the next cycle must not
    // take that for an un-mute made in Windows.
    panel.Clear();
    driver.ClearLog();
    poller.SyncPendingChanges();
    EXPECT_EQ(driver.Accesses(), "");
    EXPECT_EQ(panel.Ops(), "");

    panel.Clear();
    driver.values[18] = 0x94; // un-muted, dimming and lock on
    poller.OnControllerEvent();
    EXPECT_EQ(panel.Ops(), "tray show arrange0 show mute=0 button");
    EXPECT_EQ(panel.Picture(), IDB_VOLUME_SOUND);
    EXPECT_EQ(state.autoDimming, 1);
    EXPECT_EQ(state.keypadLocked, 1);

    panel.Clear();
    driver.values[18] = 0x84; // dimming off: shown, but no mute change
    poller.OnControllerEvent();
    EXPECT_EQ(panel.Ops(), "tray show button");
}

TEST_F(Poll, VolumeKeyWhileMutedUnmutesOnlyOnTheEndpointBackEnd) {
    struct Case {
        const char* name;
        bool endpoint;
        bool statusReadFails;
        const char* accesses;
        const char* ops;
        int32_t status; // afterwards
        int picture;    // of the function button, in the volume arrangement
    } cases[] = {
        // The arrangement, asked for while still muted, showed the muted
        // speaker: the button ends showing the sound on.
        {"endpoint", true, false, "R28 R1 R2 W7=254 R18 R23",
         "arrange0 show slider=v12 push-volume=12 mute=0 tray button", 0x04, IDB_VOLUME_SOUND},
        // A failed status read keeps the program's own status bits, with
        // only the mute released: nothing the controller did not report.
        {"endpoint, status read fails", true, true, "R28 R1 R2 W7=254 R18 R18 R18 R18 R18 R23",
         "arrange0 show slider=v12 push-volume=12 mute=0 tray button", 0x04, IDB_VOLUME_SOUND},
        {"legacy mixer", false, false, "R28 R1 R2 R18 R23",
         "arrange0 show slider=v12 push-volume=12 tray button", 0x05, IDB_VOLUME_MUTED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        driver.ClearLog();
        panel.Clear();
        state.useEndpointVolume = c.endpoint ? 1 : 0;
        state.statusBits = state.appliedStatus = state.audioMute = 0x05;
        driver.values[18] = 0x05;
        driver.values[2] = 12;
        driver.readFailures = {{18, c.statusReadFails ? 5 : 0}};
        poller.OnControllerEvent();
        EXPECT_EQ(driver.Accesses(true), c.accesses);
        EXPECT_EQ(panel.Ops(), c.ops);
        EXPECT_EQ(state.statusBits, c.status);
        EXPECT_EQ(state.appliedStatus, c.status);
        EXPECT_EQ(panel.Picture(), c.picture);
        if (c.endpoint) {
            EXPECT_EQ(state.audioMute & 1, 0) << "recorded as applied to the device";
        }
    }
}

TEST_F(Poll, BacklightOffHidesAndHooksOnWakesAgain) {
    driver.values[23] = 0;
    poller.OnControllerEvent();
    EXPECT_EQ(panel.Ops(), "tray arrange1 hide hook=0,0,0,0 button");
    EXPECT_EQ(panel.Picture(), IDB_BACKLIGHT_OFF);
    EXPECT_EQ(state.backlightOn, 0);

    panel.Clear();
    driver.values[23] = 1;
    poller.OnControllerEvent();
    EXPECT_EQ(panel.Ops(), "tray unhook show button");
    EXPECT_EQ(panel.Picture(), IDB_BACKLIGHT_ON);
    EXPECT_EQ(state.backlightOn, 1);

    panel.Clear();
    poller.OnControllerEvent();
    EXPECT_EQ(panel.Ops(), "tray button");

    // Mute and backlight keys in one event: the panel ends arranged for the
    // volume, whose button shows the mute, not the backlight.
    driver.values[23] = 0;
    poller.OnControllerEvent();
    panel.Clear();
    driver.values[23] = 1;
    driver.values[18] = 0x05;
    poller.OnControllerEvent();
    EXPECT_EQ(panel.Ops(), "tray show arrange0 show mute=1 unhook show button");
    EXPECT_EQ(panel.Picture(), IDB_VOLUME_MUTED);
}

TEST_F(Poll, ABacklightSwitchOfThePanelOutlivesAnEventThatReadTheRegisterBeforeItsWrite) {
    // The panel's thread switches the backlight (register 20) while the
    // event's read of register 23 is under way: the read gives the backlight
    // as it was before the switch, which the event must not take for a
    // change made at the keypad.
    struct Case {
        const char* name;
        bool onBefore; // backlight on before the switch
    } cases[] = {
        {"the function button switches it off", true},
        {"a wake switches it on", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        state.backlightOn = c.onBefore ? 1 : 0;
        driver.values[23] = c.onBefore ? 1 : 0;
        bool switched = false;
        driver.onAccess = [&](char op, uint16_t reg) {
            if (op == 'R' && reg == 23 && !switched) {
                switched = true;
                SwitchBacklight(state, requests, !c.onBefore);
            }
        };
        driver.ClearLog();
        panel.Clear();
        poller.OnControllerEvent();
        EXPECT_TRUE(switched);
        EXPECT_EQ(panel.Ops(), "tray button") << "neither hidden nor shown by the event";
        EXPECT_EQ(state.backlightOn, c.onBefore ? 0 : 1) << "the switch stands";
        EXPECT_EQ(state.backlightRequests, 1);

        // The next cycle writes it; from then on events follow the register.
        driver.onAccess = nullptr;
        driver.ClearLog();
        requests.RunQueued();
        EXPECT_EQ(driver.Accesses(true), c.onBefore ? "W20=0" : "W20=1");
        EXPECT_EQ(state.backlightRequests, 0);
        driver.values[23] = c.onBefore ? 0 : 1;
        panel.Clear();
        poller.OnControllerEvent();
        EXPECT_EQ(panel.Ops(), "tray button");
        driver.values[23] = c.onBefore ? 1 : 0; // switched back at the keypad
        panel.Clear();
        poller.OnControllerEvent();
        EXPECT_EQ(panel.Ops(), c.onBefore ? "tray unhook show button"
                                          : "tray arrange1 hide hook=0,0,0,0 button");
    }
}

TEST_F(Poll, BacklightReadThatGivesUpChangesNothing) {
    // A register 23 that never answers, with a last known value that differs
    // from the backlight's state: no "backlight went off".
    state.backlightValue = 0;
    driver.readFailures = {{23, -1}};
    poller.OnControllerEvent();
    EXPECT_EQ(panel.Ops(), "tray button");
    EXPECT_EQ(state.backlightOn, 1);
    EXPECT_EQ(state.backlightValue, 0);
    EXPECT_EQ(state.showingBrightness, Arrangement::Brightness);
}

TEST_F(Poll, AudioVolumeChangeIsWrittenToRegister9) {
    state.audioVolume = 15;
    poller.SyncPendingChanges();
    EXPECT_EQ(driver.Accesses(true), "W9=15");
    EXPECT_EQ(panel.Ops(), "arrange0 show slider=v15");
    EXPECT_EQ(state.keypadVolume, 15);
    EXPECT_EQ(state.shownVolume, 15);

    // The device's echo of a volume the panel pushed: the slider is left
    // alone once.
    driver.ClearLog();
    panel.Clear();
    state.skipSliderEcho = 16;
    state.audioVolume = 16;
    poller.SyncPendingChanges();
    EXPECT_EQ(driver.Accesses(true), "W9=16");
    EXPECT_EQ(panel.Ops(), "show");
    EXPECT_EQ(state.skipSliderEcho, kNoSliderEcho);

    // A push whose echo changes nothing (the keypad's own volume) leaves no
    // skip behind: the next change made in Windows is shown.
    driver.ClearLog();
    panel.Clear();
    state.skipSliderEcho = 16;
    state.audioVolume = 9;
    poller.SyncPendingChanges();
    EXPECT_EQ(driver.Accesses(true), "W9=9");
    EXPECT_EQ(panel.Ops(), "show slider=v9");
    EXPECT_EQ(state.skipSliderEcho, kNoSliderEcho);
}

TEST_F(Poll, AudioVolumeWhileMutedOnEndpointReleasesTheMuteAndKeepsBothSidesAgreeing) {
    struct Case {
        const char* name;
        int32_t deviceMute;
        const char* accesses;
        const char* ops;
        int32_t status; // afterwards, as the program holds it and register 7 was told
    } cases[] = {
        {"device un-muted with the volume change", 0, "W9=8 W7=4", "arrange0 show slider=v8 button",
         0x04},
        // The device is still muted: the release is undone at once, so that
        // controller, program and device all say muted.
        {"device still muted", 1, "W9=8 W7=4 W7=5", "arrange0 show slider=v8 button show button",
         0x05},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        driver.ClearLog();
        panel.Clear();
        state.useEndpointVolume = 1;
        state.statusBits = state.appliedStatus = 0x05;
        state.audioMute = c.deviceMute;
        state.audioVolume = 8;
        poller.SyncPendingChanges();
        EXPECT_EQ(driver.Accesses(true), c.accesses);
        EXPECT_EQ(panel.Ops(), c.ops);
        EXPECT_EQ(state.statusBits, c.status);
        EXPECT_EQ(state.appliedStatus, c.status);
        EXPECT_EQ(driver.values[18] & 1, static_cast<uint32_t>(c.deviceMute))
            << "the controller's mute follows the device";
        EXPECT_EQ(panel.Picture(), c.deviceMute ? IDB_VOLUME_MUTED : IDB_VOLUME_SOUND);

        driver.ClearLog();
        panel.Clear();
        poller.SyncPendingChanges();
        EXPECT_EQ(driver.Accesses(), "") << "nothing left to bring in line";
    }
}

TEST_F(Poll, SliderBrightnessIsWrittenWithoutShowingThePanel) {
    state.requestedBrightness = 17;
    poller.SyncPendingChanges();
    EXPECT_EQ(driver.Accesses(true), "W8=17");
    EXPECT_EQ(panel.Ops(), "");
    EXPECT_EQ(state.brightness, 17);
    EXPECT_EQ(state.shownBrightness, 17);
}

TEST_F(Poll, AudioMuteToggleReachesRegister7AndThePicture) {
    state.audioMute = 1;
    poller.SyncPendingChanges();
    EXPECT_EQ(driver.Accesses(true), "W7=5");
    EXPECT_EQ(panel.Ops(), "arrange0 show button");
    EXPECT_EQ(panel.Picture(), IDB_VOLUME_MUTED);
    EXPECT_EQ(state.statusBits, 0x05);
    EXPECT_EQ(state.appliedStatus, 0x05);

    driver.ClearLog();
    panel.Clear();
    state.audioMute = 0;
    poller.SyncPendingChanges();
    EXPECT_EQ(driver.Accesses(true), "W7=4");
    EXPECT_EQ(panel.Ops(), "show button");
    EXPECT_EQ(panel.Picture(), IDB_VOLUME_SOUND);
}

namespace {
template <class Pred> bool WaitFor(Pred pred, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
} // namespace

TEST_F(Poll, IdleLoopReadsOnlyTheInputLineAndStopsOnRequest) {
    std::atomic<int> readsAfterStop{0};
    driver.onAccess = [&](char op, uint16_t) {
        if (op == 'G' && !state.pollRunning)
            ++readsAfterStop;
    };
    // Accesses other threads asked for come first in a cycle, in order,
    // then the periodic sync.
    state.audioVolume = 12;
    requests.Post([](CMCU& controller) { controller.WriteRegister(33, 1); });
    requests.Post([](CMCU& controller) { controller.WriteRegister(32, 3); });
    state.pollRunning = 1;
    std::thread thread([&] { poller.PollThreadProc(); });
    EXPECT_TRUE(WaitFor([&] { return driver.GetValueCalls() >= 20; }, std::chrono::seconds(5)));
    EXPECT_EQ(driver.Accesses(), "W33 W32 W9")
        << "then no register is touched while the line stays high";
    driver.ClearLog();

    driver.Set(2, 14);
    driver.RaiseLine();
    EXPECT_TRUE(
        WaitFor([&] { return driver.Accesses() == "R28 R1 R2 R18 R23"; }, std::chrono::seconds(5)));

    // A stop request ends the loop after the cycle under way: at most that
    // cycle's input-line read comes after the request.
    state.pollRunning = 0;
    thread.join();
    EXPECT_LE(readsAfterStop, 1);
    EXPECT_EQ(state.keypadVolume, 14);

    // A close request that finds a request queued before it (a click just
    // before the close): that access is made, and nothing else.
    driver.ClearLog();
    const int reads = driver.GetValueCalls();
    requests.Post([](CMCU& controller) { controller.WriteRegister(33, 1); });
    EXPECT_EQ(poller.PollThreadProc(), 1);
    EXPECT_EQ(driver.Accesses(true), "W33=1");
    EXPECT_EQ(driver.GetValueCalls(), reads);
}

TEST(AwaitedAnswer, OneRequestAtATimeUntilItIsAnsweredOrTheBoundHasPassed) {
    using namespace std::chrono_literals;
    AwaitedAnswer answer;
    const AwaitedAnswer::Clock::time_point start{};
    EXPECT_TRUE(answer.Ask(start));
    EXPECT_FALSE(answer.Ask(start + 1ms)) << "one is on its way";
    EXPECT_FALSE(answer.Ask(start + AwaitedAnswer::kBound - 1ms));
    EXPECT_TRUE(answer.Ask(start + AwaitedAnswer::kBound)) << "unanswered for the bound";
    EXPECT_FALSE(answer.Ask(start + AwaitedAnswer::kBound + 1ms)) << "counted from the new one";
    answer.Answered();
    EXPECT_TRUE(answer.Ask(start + AwaitedAnswer::kBound + 2ms)) << "answered: at once";
}

TEST_F(Poll, InputLineFailureEndsTheLoop) {
    driver.gpiFails = true;
    state.pollRunning = 1;
    EXPECT_EQ(poller.PollThreadProc(), 1);
    EXPECT_TRUE(panel.failed);
    EXPECT_EQ(panel.Ops(), "fail-input-line");
}

TEST_F(Poll, AnEventHoldsThePanelLockFromItsFirstStepToItsLast) {
    // The driver holds the event up after its volume read, in the middle of
    // the event: the panel lock must be held then (a dimming or lock request
    // that takes it cannot come between its steps), and free once it ends.
    std::mutex gate;
    std::condition_variable changed;
    bool midEvent = false, release = false;
    driver.onAccess = [&](char op, uint16_t reg) {
        if (op != 'R' || reg != 2)
            return;
        std::unique_lock<std::mutex> lock(gate);
        midEvent = true;
        changed.notify_all();
        changed.wait(lock, [&] { return release; });
    };
    driver.Set(2, 14);
    driver.RaiseLine();
    state.pollRunning = 1;
    std::thread thread([&] { poller.PollThreadProc(); });
    bool reached;
    {
        std::unique_lock<std::mutex> lock(gate);
        reached = changed.wait_for(lock, std::chrono::seconds(5), [&] { return midEvent; });
    }
    EXPECT_TRUE(reached) << "the event did not come";
    if (reached) {
        EXPECT_FALSE(panelLock.try_lock()) << "a request could come between the event's steps";
    }
    {
        std::lock_guard<std::mutex> lock(gate);
        release = true;
    }
    changed.notify_all();
    EXPECT_TRUE(
        WaitFor([&] { return driver.Accesses() == "R28 R1 R2 R18 R23"; }, std::chrono::seconds(5)));
    EXPECT_TRUE(WaitFor(
        [&] {
            if (!panelLock.try_lock())
                return false;
            panelLock.unlock();
            return true;
        },
        std::chrono::seconds(5)))
        << "the lock is given back after the event";
    state.pollRunning = 0;
    thread.join();
}
