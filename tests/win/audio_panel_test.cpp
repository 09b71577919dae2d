// The running panel on the endpoint back-end with a fake playback device:
// start-up pushes the keypad's levels to the device, and the poll thread
// carries changes both ways between the simulated controller and the device.
#include <gtest/gtest.h>

#include "app/QueuedPanelOperations.h"
#include "audio/EndpointVolumeBackEnd.h"
#include "audio_fake_endpoint.h"
#include "audio_test_support.h"
#include "controller/RegisterMap.h"
#include "res/resource.h"
#include "tests/win/PanelThread.h"

namespace {

using namespace std::chrono_literals;
using keypad::Key;
using keypad::KeypadModel;
using keypad::LogEntry;

class AudioPanel : public ::testing::Test {
protected:
    void SetUp() override {
        sim = OpenOwnController();
        ASSERT_TRUE(sim);
        speakers = &devices->AddDevice(L"speakers", 0.9f);
    }

    // Starts the panel; the Windows version must choose the endpoint back-end.
    void Start() {
        running = std::make_unique<RunningPanel>(
            [](CLumitraxDlg&) {},
            [this](const AudioContext& context) -> std::unique_ptr<AudioBackEnd> {
                if (!context.state.useEndpointVolume)
                    return MakeAudioBackEnd(context); // fails the check below
                return std::make_unique<EndpointVolumeBackEnd>(
                    context, [this](IMMDeviceEnumerator** e) { return devices.CopyTo(e); });
            });
        ASSERT_TRUE(running->WaitUntilPolling(20s));
        ASSERT_EQ(running->Panel().State().useEndpointVolume, 1)
            << "needs a Windows version with the endpoint interfaces (Wine's default)";
    }

    void Press(Key key) {
        sim->Run([key](KeypadModel& model, uint64_t now) { model.PressKey(key, now); });
    }
    // The first write of reg after seq, waited for.
    std::optional<LogEntry> WaitForWrite(uint16_t reg, uint64_t seq) {
        return sim->WaitFor(keypad::LogPattern{'W', reg}, seq, 5000);
    }
    // Input-line reads (one per poll cycle) after seq and before entry.
    int PollCyclesBefore(const LogEntry& entry, uint64_t seq) {
        int cycles = 0;
        for (const LogEntry& e : EntriesAfter(*sim, seq))
            cycles += e.op == 'G' && e.seq < entry.seq;
        return cycles;
    }

    std::unique_ptr<KeypadSimClient> sim;
    ComPtr<FakeDeviceEnumerator> devices = MakeComObject<FakeDeviceEnumerator>();
    FakeDevice* speakers = nullptr;
    std::unique_ptr<RunningPanel> running; // goes before the fakes
};

TEST_F(AudioPanel, StartUpMakesTheDeviceFollowTheKeypad) {
    sim->Run([](KeypadModel& model, uint64_t) {
        model.Set(REG_VOLUME, 4);
        model.Set(REG_STATUS, kStatusExtended | kStatusMute);
    });
    Start();
    EXPECT_EQ(speakers->Endpoint().Level(), 0.2f);
    EXPECT_TRUE(speakers->Endpoint().Muted());
    const uint64_t seq = LastSeq(*sim);
    ASSERT_TRUE(TwoPollCyclesPass(*sim));
    EXPECT_EQ(WritesAfter(*sim, seq), "") << "the device's reports match the keypad";
}

TEST_F(AudioPanel, ChangesMadeInWindowsReachTheControllerWithinOnePollCycle) {
    Start();
    FakeEndpointVolume& endpoint = speakers->Endpoint();
    const struct {
        const char* change;
        std::function<void()> make;
        uint16_t reg;
        uint32_t value;
    } cases[] = {
        {"volume to 75 %", [&] { endpoint.SetMasterVolumeLevelScalar(0.75f, nullptr); },
         REG_SET_VOLUME, 15},
        {"volume to 50 %", [&] { endpoint.SetMasterVolumeLevelScalar(0.5f, nullptr); },
         REG_SET_VOLUME, 10},
        {"mute", [&] { endpoint.SetMute(TRUE, nullptr); }, REG_MUTE, kStatusExtended | kStatusMute},
        {"unmute", [&] { endpoint.SetMute(FALSE, nullptr); }, REG_MUTE, kStatusExtended},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        const uint64_t seq = LastSeq(*sim);
        c.make();
        const std::optional<LogEntry> write = WaitForWrite(c.reg, seq);
        ASSERT_TRUE(write);
        EXPECT_EQ(write->value, c.value);
        EXPECT_LE(PollCyclesBefore(*write, seq), 1);
    }
}

TEST_F(AudioPanel, AVolumeMadeInWindowsAfterAKeypadVolumeIsShown) {
    Start();
    CLumitraxDlg& panel = running->Panel();
    // The keypad's volume goes to the device, whose report of it changes
    // nothing: no echo is left to skip.
    Press(Key::VolumeUp);
    ASSERT_TRUE(WaitUntil([&] { return speakers->Endpoint().Level() == 0.55f; }, 5s));
    const uint64_t seq = LastSeq(*sim);
    speakers->Endpoint().SetMasterVolumeLevelScalar(0.75f, nullptr);
    ASSERT_TRUE(WaitForWrite(REG_SET_VOLUME, seq));
    int slider = -1;
    EXPECT_TRUE(WaitUntil(
        [&] {
            OnPanelThread(panel.Queue(), [&] { slider = panel.Controls().levelSlider.GetValue(); });
            return slider == 15;
        },
        5s))
        << "the slider shows " << slider;
}

TEST_F(AudioPanel, VolumeKeyWhileMutedUnmutesKeypadAndDevice) {
    Start();
    Press(Key::Mute);
    ASSERT_TRUE(WaitUntil([&] { return speakers->Endpoint().Muted(); }, 5s))
        << "the keypad's mute reaches the device";

    const uint64_t seq = LastSeq(*sim);
    Press(Key::VolumeUp);
    const std::optional<LogEntry> unmute = WaitForWrite(REG_MUTE, seq);
    ASSERT_TRUE(unmute);
    EXPECT_EQ(unmute->value, 0xFEu);
    EXPECT_TRUE(WaitUntil([&] { return !speakers->Endpoint().Muted(); }, 5s));
}

TEST_F(AudioPanel, DeviceChangeMessageBuildsANewEndpointSet) {
    // Also while a box of the panel runs its loop: the message is for the
    // panel's pre-translation, which sees it there too.
    Start();
    const std::optional<PanelBox> boxes[] = {std::nullopt, PanelBox::About, PanelBox::Firmware};
    for (const std::optional<PanelBox>& box : boxes) {
        SCOPED_TRACE(!box ? "no box" : *box == PanelBox::About ? "About box" : "message box");
        HWND shown = nullptr;
        if (box) {
            ASSERT_TRUE(shown = OpenPanelBox(running->Panel(), *box));
        }
        const std::vector<ComPtr<IMMNotificationClient>> before = devices->Clients();
        ASSERT_EQ(before.size(), 1u);
        running->Panel().State().skipSliderEcho = 7;

        PostMessageA(running->Panel().GetSafeHwnd(), RegisterWindowMessageA("winmm_devicechange"),
                     0, 0);
        EXPECT_TRUE(WaitUntil(
            [&] {
                const auto now = devices->Clients();
                return now.size() == 1 && now[0].Get() != before[0].Get();
            },
            5s))
            << "the earlier device client is replaced, not joined";
        EXPECT_TRUE(WaitUntil(
            [&] { return running->Panel().State().skipSliderEcho == kNoSliderEcho; }, 5s));
        if (shown) {
            PostMessageA(shown, WM_COMMAND, IDOK, 0);
            ASSERT_TRUE(WaitUntil([&] { return !IsWindow(shown); }, 5s));
        }
    }
}

TEST_F(AudioPanel, SliderBrightnessReachesTheControllerWithinOnePollCycle) {
    Start();
    const uint64_t seq = LastSeq(*sim);
    HWND slider = GetDlgItem(running->Panel().GetSafeHwnd(), IDC_LEVEL_SLIDER);
    ASSERT_NE(slider, nullptr);
    PostMessageA(slider, WM_KEYDOWN, VK_RIGHT, 0); // one step up from the keypad's 10
    const std::optional<LogEntry> write = WaitForWrite(REG_SET_BRIGHTNESS, seq);
    ASSERT_TRUE(write);
    EXPECT_EQ(write->value, 11u);
    EXPECT_LE(PollCyclesBefore(*write, seq), 1);
    EXPECT_EQ(WritesAfter(*sim, seq), "W8=11");
}

TEST_F(AudioPanel, AKeypadVolumeReachesTheDeviceEvenWhenTheSwitchIsClickedMeanwhile) {
    Start();
    CLumitraxDlg& panel = running->Panel();
    SendMessageA(panel.Controls().switchButton.GetSafeHwnd(), BM_CLICK, 0, 0);
    ASSERT_EQ(panel.Layout().Shown(), Arrangement::Volume);
    const uint64_t seq = LastSeq(*sim);

    // A volume key's event queues the slider's value and the volume push;
    // the person clicks the switch before the panel's thread gets to them.
    std::atomic<bool> go{false}, clicked{false};
    panel.Queue().Post([&] {
        WaitUntil([&] { return go.load(); }, 5s);
        panel.OnSwitchButton();
        clicked = true;
    });
    QueuedPanelOperations ops(panel, panel.State(), panel.Queue(), panel.Audio());
    ops.SetSliderValue(Arrangement::Volume, 7);
    ops.PushSliderVolume(7);
    go = true;
    ASSERT_TRUE(WaitUntil([&] { return clicked.load(); }, 5s));
    ASSERT_TRUE(WaitUntil([&] { return speakers->Endpoint().Level() == 0.35f; }, 5s))
        << "the keypad's volume reaches the device";
    Arrangement shown = Arrangement::Volume;
    int slider = -1;
    ASSERT_TRUE(OnPanelThread(panel.Queue(), [&] {
        shown = panel.Layout().Shown();
        slider = panel.Controls().levelSlider.GetValue();
    }));
    EXPECT_EQ(shown, Arrangement::Brightness) << "the click stands";
    EXPECT_EQ(slider, 10) << "the brightness, not the volume";
    ASSERT_TRUE(TwoPollCyclesPass(*sim));
    EXPECT_EQ(WritesAfter(*sim, seq).find("W8="), std::string::npos)
        << "the volume did not become a brightness";
}

TEST_F(AudioPanel, TheFunctionButtonOfTheVolumeArrangementTogglesTheDevicesMute) {
    Start();
    CLumitraxDlg& panel = running->Panel();
    SendMessageA(panel.Controls().switchButton.GetSafeHwnd(), BM_CLICK, 0, 0);
    for (const bool muted : {true, false}) {
        SCOPED_TRACE(muted ? "mute" : "sound on");
        const uint64_t seq = LastSeq(*sim);
        SendMessageA(panel.Controls().functionButton.GetSafeHwnd(), BM_CLICK, 0, 0);
        EXPECT_EQ(speakers->Endpoint().Muted(), muted) << "the device the other way";
        // The device's report reaches the keypad through the periodic sync.
        const std::optional<LogEntry> write = WaitForWrite(REG_MUTE, seq);
        ASSERT_TRUE(write);
        EXPECT_EQ(write->value & 1, muted ? 1u : 0u);
    }
}

} // namespace
