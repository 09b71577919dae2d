// The legacy mixer back-end, without a panel, against the system's mixer:
// with a sound device (a PulseAudio null sink under Wine; ctest label pulse)
// and with none (every other run). Wine's mixer sends no change
// notifications, so the tests deliver the control and line changes
// themselves.
#include <gtest/gtest.h>

#include "audio/MixerBackEnd.h"
#include "audio_test_support.h"
#include "tests/win/SpeakerControls.h"

namespace {

// The speakers' controls, every access checked.
class CheckedSpeakerControls : public SpeakerControls {
public:
    DWORD Get(DWORD controlId) {
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(Read(controlId, value), MMSYSERR_NOERROR);
        return value;
    }
    void Set(DWORD controlId, DWORD value) { EXPECT_EQ(Write(controlId, value), MMSYSERR_NOERROR); }
    // Whether the control holds value. Wine keeps the volume as a float, so
    // a volume may read back one lower.
    ::testing::AssertionResult Holds(DWORD controlId, DWORD value) {
        const DWORD slack = controlId == VolumeId() ? 1 : 0;
        const DWORD held = Get(controlId);
        if (held <= value && value - held <= slack)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "control " << controlId << " holds " << held;
    }
};

// Records the controls it is told have changed, in order.
class RecordingMixer : public MixerBackEnd {
public:
    using MixerBackEnd::MixerBackEnd;
    void OnControlChange(uint32_t controlId) override {
        changed.push_back(controlId);
        MixerBackEnd::OnControlChange(controlId);
    }
    std::vector<uint32_t> changed;
};

class AudioMixer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig.sim);
        rig.state.useEndpointVolume = 0;
        audio = std::make_unique<AudioDevice>(rig.Context(), [this](const AudioContext& context) {
            auto made = std::make_unique<RecordingMixer>(context);
            mixer = made.get();
            return made;
        });
    }

    AudioRig rig;
    PanelState& state = rig.state;
    std::unique_ptr<AudioDevice> audio;
    RecordingMixer* mixer = nullptr; // made by the first OpenAudio
};

// Needs a sound device: run with a PulseAudio null sink (ctest label pulse).
class AudioMixerDevice : public AudioMixer {
protected:
    void SetUp() override {
        ASSERT_GT(mixerGetNumDevs(), 0u)
            << "no mixer device: these tests run with a sound device (ctest label pulse)";
        AudioMixer::SetUp();
        ASSERT_TRUE(speakers.Found());
        EXPECT_EQ(MessageBoxesDuring([this] { audio->OpenAudio(nullptr); }),
                  std::vector<std::string>{});
        EXPECT_EQ(mixer->VolumeControlId(), speakers.VolumeId());
        EXPECT_EQ(mixer->MuteControlId(), speakers.MuteId());
    }
    // The control-change message the mixer driver would send.
    void ControlChanged(DWORD controlId) { audio->OnMixerControlChange(controlId); }

    CheckedSpeakerControls speakers;
};

TEST_F(AudioMixerDevice, TheSystemReportsXpSoThePanelChoosesTheMixer) {
    // This run's system reports Windows XP (5.1), on either architecture.
    state.useEndpointVolume = 1;
    audio->SelectAudioBackEnd();
    EXPECT_EQ(state.useEndpointVolume, 0);
}

TEST_F(AudioMixerDevice, VolumeStepsInMixerUnits) {
    const struct {
        int32_t steps;
        DWORD value;
    } cases[] = {{20, 65535}, {10, 32770}, {0, 0}, {13, 42601}, {1, 3277}};
    for (const auto& c : cases) {
        state.audioVolume = 99;
        audio->SetAudioVolume(c.steps);
        EXPECT_EQ(mixer->VolumeValue(), c.value) << c.steps << " steps passed to the mixer";
        EXPECT_TRUE(speakers.Holds(speakers.VolumeId(), c.value)) << c.steps << " steps";
        EXPECT_EQ(state.audioVolume, 99) << "the level comes back by the control change only";
    }
}

TEST_F(AudioMixerDevice, MuteIsSetAndReportedAtOnce) {
    for (int32_t flag : {1, 0}) {
        audio->SetAudioMute(flag);
        EXPECT_TRUE(speakers.Holds(speakers.MuteId(), static_cast<DWORD>(flag)));
        EXPECT_EQ(state.audioMute, flag);
    }
}

TEST_F(AudioMixerDevice, ControlChangesReadTheControlsBack) {
    audio->SetAudioVolume(13);
    ControlChanged(speakers.VolumeId());
    EXPECT_EQ(state.audioVolume, 13);

    const struct {
        DWORD setByAnotherProgram;
        int32_t steps;
    } volumes[] = {{65535, 20}, {1000, 0}, {32767, 10}};
    for (const auto& v : volumes) {
        speakers.Set(speakers.VolumeId(), v.setByAnotherProgram);
        ControlChanged(speakers.VolumeId());
        EXPECT_EQ(state.audioVolume, v.steps) << v.setByAnotherProgram;
    }
    for (DWORD muted : {1u, 0u}) {
        speakers.Set(speakers.MuteId(), muted);
        ControlChanged(speakers.MuteId());
        EXPECT_EQ(state.audioMute, static_cast<int32_t>(muted));
    }
}

TEST_F(AudioMixerDevice, ChangesOfOtherControlsAreIgnored) {
    speakers.Set(speakers.VolumeId(), 65535);
    speakers.Set(speakers.MuteId(), 1);
    state.audioVolume = 7;
    state.audioMute = 0;
    DWORD other = 0;
    while (other == speakers.VolumeId() || other == speakers.MuteId())
        ++other;
    ControlChanged(other);
    EXPECT_EQ(state.audioVolume, 7);
    EXPECT_EQ(state.audioMute, 0);
}

TEST_F(AudioMixerDevice, LineChangeReopensAndReadsMuteThenVolumeBack) {
    speakers.Set(speakers.VolumeId(), 42601);
    speakers.Set(speakers.MuteId(), 1);
    state.audioVolume = 0;
    state.audioMute = 0;
    state.skipSliderEcho = 7;
    mixer->changed.clear();
    EXPECT_EQ(MessageBoxesDuring([this] { audio->OnMixerLineChange(nullptr); }),
              std::vector<std::string>{});
    EXPECT_EQ(mixer->changed, (std::vector<uint32_t>{speakers.MuteId(), speakers.VolumeId()}))
        << "mute first, then volume";
    EXPECT_EQ(state.audioMute, 1);
    EXPECT_EQ(state.audioVolume, 13);
    EXPECT_EQ(state.skipSliderEcho, kNoSliderEcho);
    audio->SetAudioVolume(20);
    EXPECT_TRUE(speakers.Holds(speakers.VolumeId(), 65535)) << "the reopened mixer is used";
}

TEST_F(AudioMixerDevice, ALevelTheMixerKeepsAUnitLowerReadsBackAsItsStep) {
    // Wine's mixer keeps 32770 as 32769: the periodic sync must not see 9.
    for (int32_t steps = 0; steps <= 20; ++steps) {
        audio->SetAudioVolume(steps);
        ControlChanged(speakers.VolumeId());
        EXPECT_EQ(state.audioVolume, steps);
    }
}

// Needs no sound device at all: the run without PulseAudio covers this.
class AudioMixerNoDevice : public AudioMixer {
protected:
    void SetUp() override {
        ASSERT_EQ(mixerGetNumDevs(), 0u)
            << "a mixer device is present: this test runs without one (ctest label not pulse)";
        AudioMixer::SetUp();
    }
};

TEST_F(AudioMixerNoDevice, OpenFailsOnceAndEverySetReportsItsFailure) {
    // The start-up order: open, then mute and volume from the keypad.
    EXPECT_EQ(
        MessageBoxesDuring([this] {
            audio->OpenAudio(nullptr);
            audio->SetAudioMute(0);
            audio->SetAudioVolume(10);
        }),
        (std::vector<std::string>{"mixerOpen() failed", "mute mixerSetControlDetails() failed",
                                  "volume mixerSetControlDetails() failed"}));
    EXPECT_NE(mixer->MixerResult(), 0u);
    for (int call = 0; call < 2; ++call) {
        EXPECT_EQ(MessageBoxesDuring([this] { audio->SetAudioVolume(4); }),
                  std::vector<std::string>{"volume mixerSetControlDetails() failed"});
        EXPECT_EQ(MessageBoxesDuring([this] { audio->SetAudioMute(1); }),
                  std::vector<std::string>{"mute mixerSetControlDetails() failed"});
    }
}

} // namespace
