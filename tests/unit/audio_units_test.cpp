#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "audio/AudioUnits.h"
#include "shared/PanelState.h"

TEST(AudioUnits, EveryStepSurvivesBothDeviceUnits) {
    for (int32_t steps = 0; steps <= kMaxVolumeSteps; ++steps) {
        SCOPED_TRACE(steps);
        const uint32_t mixerValue = StepsToMixerValue(steps);
        EXPECT_LE(mixerValue, 65535u);
        EXPECT_EQ(MixerValueToSteps(mixerValue), steps);
        const float scalar = StepsToScalar(steps);
        EXPECT_GE(scalar, 0.0f);
        EXPECT_LE(scalar, 1.0f);
        EXPECT_EQ(ScalarToSteps(scalar), steps);
    }
}

TEST(AudioUnits, MixerValues) {
    const struct {
        int32_t steps;
        uint32_t value;
    } toMixer[] = {{0, 0}, {1, 3277}, {10, 32770}, {13, 42601}, {19, 62263}, {20, 65535}};
    for (const auto& c : toMixer)
        EXPECT_EQ(StepsToMixerValue(c.steps), c.value) << c.steps << " steps";

    const struct {
        uint32_t value;
        int32_t steps;
    } fromMixer[] = {{0, 0},
                     {1000, 0},
                     {1638, 0},
                     {1639, 1},
                     {3277, 1},
                     // a mixer that keeps a unit or two less than it was given
                     {3276, 1},
                     {32769, 10},
                     {32767, 10},
                     {42600, 13},
                     {42601, 13},
                     {65534, 20},
                     {65535, 20},
                     {70000, 20},
                     {0xFFFFFFFF, 20}};
    for (const auto& c : fromMixer)
        EXPECT_EQ(MixerValueToSteps(c.value), c.steps) << "value " << c.value;
}

TEST(AudioUnits, EndpointScalars) {
    EXPECT_EQ(StepsToScalar(0), 0.0f);
    EXPECT_EQ(StepsToScalar(1), 0.05f);
    EXPECT_EQ(StepsToScalar(20), 1.0f);
    // 7 steps narrow to the float nearest 0.35, which lies below 0.35 and
    // still reads back as 7 thanks to the added half.
    EXPECT_EQ(StepsToScalar(7), 0.35f);
    EXPECT_LT(static_cast<double>(StepsToScalar(7)), 0.35);
    EXPECT_EQ(ScalarToSteps(StepsToScalar(7)), 7);

    const struct {
        float scalar;
        int32_t steps;
    } fromScalar[] = {{0.0f, 0},   {0.02f, 0},  {0.025f, 1}, {0.5f, 10},
                      {0.52f, 10}, {0.53f, 11}, {0.75f, 15}, {1.0f, 20}};
    for (const auto& c : fromScalar)
        EXPECT_EQ(ScalarToSteps(c.scalar), c.steps) << "scalar " << c.scalar;
}

TEST(AudioUnits, MuteFromEndpointNotification) {
    const struct {
        int32_t before;
        bool muted;
        int32_t after;
    } cases[] = {
        {0, true, 1},        {1, true, 1},         {0xFE, true, 0xFF},   {1, false, 0},
        {0xFF, false, 0xFE}, {0x1FF, false, 0xFE}, {0x100, true, 0x101}, {0x301, false, 0},
    };
    for (const auto& c : cases) {
        PanelState state;
        state.audioMute = c.before;
        RecordAudioMute(state, c.muted);
        EXPECT_EQ(state.audioMute, c.after)
            << std::hex << "before 0x" << c.before << (c.muted ? " muted" : " unmuted");
    }
}

TEST(AudioUnits, AMuteRecordedOnTwoThreadsLosesNoUpdate) {
    // The poll thread and an audio service thread record the mute at once.
    // Each record is one indivisible step: a bit another thread sets while a
    // record is under way is still there afterwards.
    PanelState state;
    std::atomic<bool> started{false}, stop{false};
    std::thread recorder([&] {
        started = true;
        for (int i = 0; !stop; ++i)
            RecordAudioMute(state, i % 2 == 0);
    });
    while (!started)
        std::this_thread::yield();
    int lost = 0;
    for (int round = 0; round < 100000; ++round) {
        state.audioMute.SetBits(0x02);
        for (int spin = 0; spin < 50; ++spin)
            lost += (state.audioMute & 0x02) ? 0 : 1;
        state.audioMute.KeepBits(~0x02);
    }
    stop = true;
    recorder.join();
    EXPECT_EQ(lost, 0);
}
