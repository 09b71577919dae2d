// The legacy mixer back-end on a panel that is built but not run, against
// the system's mixer: with a sound device (a PulseAudio null sink under
// Wine), and with none. Wine's mixer sends no change notifications, so the
// tests deliver the control and line changes themselves.
#include <gtest/gtest.h>

#include "audio_test_support.h"

namespace {

// The speakers line's volume and mute controls, reached the way another
// program would: through a mixer handle of the test's own.
class SpeakerControls {
public:
    SpeakerControls() {
        if (mixerOpen(&mixer_, 0, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
            return;
        MIXERLINEA line{};
        line.cbStruct = sizeof line;
        line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
        found_ = mixerGetLineInfoA(Object(), &line, kByHandle | MIXER_GETLINEINFOF_COMPONENTTYPE) ==
                     MMSYSERR_NOERROR &&
                 Find(line.dwLineID, MIXERCONTROL_CONTROLTYPE_VOLUME, volumeId_) &&
                 Find(line.dwLineID, MIXERCONTROL_CONTROLTYPE_MUTE, muteId_);
    }
    ~SpeakerControls() {
        if (mixer_)
            mixerClose(mixer_);
    }
    bool Found() const { return found_; }
    DWORD VolumeId() const { return volumeId_; }
    DWORD MuteId() const { return muteId_; }
    DWORD Get(DWORD controlId) {
        DWORD value = 0xDEADBEEF;
        MIXERCONTROLDETAILS details = Details(controlId, &value);
        EXPECT_EQ(mixerGetControlDetailsA(Object(), &details, kByHandle), MMSYSERR_NOERROR);
        return value;
    }
    // Sets the control as another program would.
    void Set(DWORD controlId, DWORD value) {
        MIXERCONTROLDETAILS details = Details(controlId, &value);
        EXPECT_EQ(mixerSetControlDetails(Object(), &details, kByHandle), MMSYSERR_NOERROR);
    }
    // Whether the control holds value. Wine keeps the volume as a float, so
    // a volume may read back one lower.
    ::testing::AssertionResult Holds(DWORD controlId, DWORD value) {
        const DWORD slack = controlId == volumeId_ ? 1 : 0;
        const DWORD held = Get(controlId);
        if (held <= value && value - held <= slack)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "control " << controlId << " holds " << held;
    }

private:
    static constexpr DWORD kByHandle = MIXER_OBJECTF_HMIXER;
    HMIXEROBJ Object() const { return reinterpret_cast<HMIXEROBJ>(mixer_); }
    static MIXERCONTROLDETAILS Details(DWORD controlId, DWORD* value) {
        MIXERCONTROLDETAILS details{};
        details.cbStruct = sizeof details;
        details.dwControlID = controlId;
        details.cChannels = 1;
        details.cbDetails = sizeof *value;
        details.paDetails = value;
        return details;
    }
    bool Find(DWORD lineId, DWORD type, DWORD& id) {
        MIXERCONTROLA control{};
        control.cbStruct = sizeof control;
        MIXERLINECONTROLSA controls{};
        controls.cbStruct = sizeof controls;
        controls.dwLineID = lineId;
        controls.dwControlType = type;
        controls.cControls = 1;
        controls.cbmxctrl = sizeof control;
        controls.pamxctrl = &control;
        if (mixerGetLineControlsA(Object(), &controls,
                                  kByHandle | MIXER_GETLINECONTROLSF_ONEBYTYPE) != MMSYSERR_NOERROR)
            return false;
        id = control.dwControlID;
        return true;
    }

    HMIXER mixer_ = nullptr;
    bool found_ = false;
    DWORD volumeId_ = 0, muteId_ = 0;
};

class AudioMixer : public ::testing::Test {
protected:
    void SetUp() override {
        sim = OpenOwnController();
        ASSERT_TRUE(sim);
        panel = std::make_unique<CLumitraxDlg>(panelLock);
        panel->useEndpointVolume = 0;
    }

    std::unique_ptr<KeypadSimClient> sim;
    std::recursive_mutex panelLock;
    std::unique_ptr<CLumitraxDlg> panel;
};

// Needs a sound device: run with a PulseAudio null sink (ctest label pulse).
class AudioMixerDevice : public AudioMixer {
protected:
    void SetUp() override {
        if (mixerGetNumDevs() == 0)
            GTEST_SKIP() << "no mixer device here; the run with a PulseAudio null sink covers this";
        AudioMixer::SetUp();
        ASSERT_TRUE(speakers.Found());
        EXPECT_EQ(MessageBoxesDuring([this] { panel->OpenAudio(); }), std::vector<std::string>{});
        EXPECT_EQ(panel->volumeControl.dwControlID, speakers.VolumeId());
        EXPECT_EQ(panel->muteControl.dwControlID, speakers.MuteId());
    }
    // The control-change message the mixer driver would send.
    void ControlChanged(DWORD controlId) {
        EXPECT_EQ(panel->OnMixerControlChange(0, static_cast<LPARAM>(controlId)), 1);
    }

    SpeakerControls speakers;
};

TEST_F(AudioMixerDevice, TheSystemReportsXpSoThePanelChoosesTheMixer) {
    // This run's system reports Windows XP (5.1), on either architecture.
    panel->useEndpointVolume = 1;
    panel->SelectAudioBackEnd();
    EXPECT_EQ(panel->useEndpointVolume, 0);
}

TEST_F(AudioMixerDevice, VolumeStepsInMixerUnits) {
    const struct {
        int32_t steps;
        DWORD value;
    } cases[] = {{20, 65535}, {10, 32770}, {0, 0}, {13, 42601}, {1, 3277}};
    for (const auto& c : cases) {
        panel->audioVolume = 99;
        panel->SetAudioVolume(c.steps);
        EXPECT_EQ(panel->volumeValue.dwValue, c.value) << c.steps << " steps passed to the mixer";
        EXPECT_TRUE(speakers.Holds(speakers.VolumeId(), c.value)) << c.steps << " steps";
        EXPECT_EQ(panel->audioVolume, 99) << "the level comes back by the control change only";
    }
}

TEST_F(AudioMixerDevice, MuteIsSetAndReportedAtOnce) {
    for (int32_t flag : {1, 0}) {
        panel->SetAudioMute(flag);
        EXPECT_TRUE(speakers.Holds(speakers.MuteId(), static_cast<DWORD>(flag)));
        EXPECT_EQ(panel->audioMute, flag);
    }
}

TEST_F(AudioMixerDevice, ControlChangesReadTheControlsBack) {
    panel->SetAudioVolume(13);
    ControlChanged(speakers.VolumeId());
    EXPECT_EQ(panel->audioVolume, 13);

    const struct {
        DWORD setByAnotherProgram;
        int32_t steps;
    } volumes[] = {{65535, 20}, {1000, 0}, {32767, 10}};
    for (const auto& v : volumes) {
        speakers.Set(speakers.VolumeId(), v.setByAnotherProgram);
        ControlChanged(speakers.VolumeId());
        EXPECT_EQ(panel->audioVolume, v.steps) << v.setByAnotherProgram;
    }
    for (DWORD muted : {1u, 0u}) {
        speakers.Set(speakers.MuteId(), muted);
        ControlChanged(speakers.MuteId());
        EXPECT_EQ(panel->audioMute, static_cast<int32_t>(muted));
    }
}

TEST_F(AudioMixerDevice, ChangesOfOtherControlsAreIgnored) {
    speakers.Set(speakers.VolumeId(), 65535);
    speakers.Set(speakers.MuteId(), 1);
    panel->audioVolume = 7;
    panel->audioMute = 0;
    DWORD other = 0;
    while (other == speakers.VolumeId() || other == speakers.MuteId())
        ++other;
    ControlChanged(other);
    EXPECT_EQ(panel->audioVolume, 7);
    EXPECT_EQ(panel->audioMute, 0);
}

TEST_F(AudioMixerDevice, LineChangeReopensAndReadsMuteThenVolumeBack) {
    speakers.Set(speakers.VolumeId(), 42601);
    speakers.Set(speakers.MuteId(), 1);
    panel->audioVolume = 0;
    panel->audioMute = 0;
    panel->skipSliderEcho = 1;
    std::vector<std::string> shown;
    shown = MessageBoxesDuring([this] { EXPECT_EQ(panel->OnMixerLineChange(0, 0), 1); });
    EXPECT_EQ(shown, std::vector<std::string>{});
    EXPECT_EQ(panel->audioMute, 1);
    EXPECT_EQ(panel->audioVolume, 13);
    EXPECT_EQ(panel->skipSliderEcho, 0);
    panel->SetAudioVolume(20);
    EXPECT_TRUE(speakers.Holds(speakers.VolumeId(), 65535)) << "the reopened mixer is used";
}

// Needs no sound device at all: the run without PulseAudio covers this.
class AudioMixerNoDevice : public AudioMixer {
protected:
    void SetUp() override {
        if (mixerGetNumDevs() != 0)
            GTEST_SKIP() << "a mixer device is present; the run without PulseAudio covers this";
        AudioMixer::SetUp();
    }
};

TEST_F(AudioMixerNoDevice, OpenFailsOnceAndEverySetReportsItsFailure) {
    // The start-up order: open, then mute and volume from the keypad.
    EXPECT_EQ(MessageBoxesDuring([this] {
                  panel->OpenAudio();
                  panel->SetAudioMute(0);
                  panel->SetAudioVolume(10);
              }),
              (std::vector<std::string>{"mixerOpen() failed", "mute mixerSetControlDetails() failed",
                                        "volume mixerSetControlDetails() failed"}));
    EXPECT_NE(panel->mixerResult, 0u);
    for (int call = 0; call < 2; ++call) {
        EXPECT_EQ(MessageBoxesDuring([this] { panel->SetAudioVolume(4); }),
                  std::vector<std::string>{"volume mixerSetControlDetails() failed"});
        EXPECT_EQ(MessageBoxesDuring([this] { panel->SetAudioMute(1); }),
                  std::vector<std::string>{"mute mixerSetControlDetails() failed"});
    }
}

} // namespace
