#include <gtest/gtest.h>

#include "audio/BackEndChoice.h"
#include "audio/FailureTexts.h"

TEST(AudioBackEnd, ChosenByWindowsVersion) {
    const struct {
        uint32_t major, minor;
        bool endpoint;
    } cases[] = {
        {0, 0, false}, // the zeroed record of a failed version query
        {4, 0, false}, {4, 90, false}, {5, 0, false}, {5, 1, false},
        {5, 2, true},  {6, 0, true},   {6, 1, true},  {10, 0, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UsesEndpointVolume(c.major, c.minor), c.endpoint) << c.major << "." << c.minor;
}

TEST(AudioBackEnd, LineControlFailureTexts) {
    const struct {
        uint32_t result;
        const char* text;
    } cases[] = {
        {2, "mixerGetLineControls::MMSYSERR_BADDEVICEID"},
        {5, "mixerGetLineControls::MMSYSERR_INVALHANDLE"},
        {6, "mixerGetLineControls::MMSYSERR_NODRIVER"},
        {10, "mixerGetLineControls::MMSYSERR_INVALFLAG"},
        {11, "mixerGetLineControls::MMSYSERR_INVALPARAM"},
        {1024, "mixerGetLineControls::MIXERR_INVALLINE"},
        {1025, "mixerGetLineControls::MIXERR_INVALCONTROL"},
    };
    for (const auto& c : cases) {
        const char* text = LineControlsFailureText(c.result);
        ASSERT_NE(text, nullptr) << c.result;
        EXPECT_STREQ(text, c.text);
    }
    for (uint32_t silent : {0u, 1u, 3u, 7u, 1026u})
        EXPECT_EQ(LineControlsFailureText(silent), nullptr) << silent;
}

TEST(AudioBackEnd, EndpointSetFailureTexts) {
    const int32_t invalidArg = static_cast<int32_t>(0x80070057);
    const int32_t outOfMemory = static_cast<int32_t>(0x8007000E);
    const int32_t notImplemented = static_cast<int32_t>(0x80004001);
    const struct {
        EndpointSetting setting;
        int32_t result;
        const char* text; // null: nothing shown
    } cases[] = {
        {EndpointSetting::Mute, invalidArg, "Mute E_INVALIDARG"},
        {EndpointSetting::Volume, invalidArg, "Volume E_INVALIDARG"},
        {EndpointSetting::Mute, outOfMemory, "E_OUTOFMEMORY"},
        {EndpointSetting::Volume, outOfMemory, "E_OUTOFMEMORY"},
        {EndpointSetting::Mute, 0, nullptr},
        {EndpointSetting::Volume, 1, nullptr}, // S_FALSE is a success
        {EndpointSetting::Volume, notImplemented, nullptr},
    };
    for (const auto& c : cases) {
        const char* text = EndpointSetFailureText(c.setting, c.result);
        if (c.text)
            EXPECT_STREQ(text, c.text);
        else
            EXPECT_EQ(text, nullptr) << std::hex << c.result;
    }
}
