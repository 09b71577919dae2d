#include "audio/FailureTexts.h"

namespace {
// The result codes as the multimedia and COM headers define them.
constexpr uint32_t kBadDeviceId = 2;
constexpr uint32_t kInvalidHandle = 5;
constexpr uint32_t kNoDriver = 6;
constexpr uint32_t kInvalidFlag = 10;
constexpr uint32_t kInvalidParam = 11;
constexpr uint32_t kInvalidLine = 1024;
constexpr uint32_t kInvalidControl = 1025;
constexpr int32_t kInvalidArg = static_cast<int32_t>(0x80070057);
constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x8007000E);
} // namespace

const char* LineControlsFailureText(uint32_t mixerResult) {
    switch (mixerResult) {
    case kBadDeviceId:
        return "mixerGetLineControls::MMSYSERR_BADDEVICEID";
    case kInvalidHandle:
        return "mixerGetLineControls::MMSYSERR_INVALHANDLE";
    case kNoDriver:
        return "mixerGetLineControls::MMSYSERR_NODRIVER";
    case kInvalidFlag:
        return "mixerGetLineControls::MMSYSERR_INVALFLAG";
    case kInvalidParam:
        return "mixerGetLineControls::MMSYSERR_INVALPARAM";
    case kInvalidLine:
        return "mixerGetLineControls::MIXERR_INVALLINE";
    case kInvalidControl:
        return "mixerGetLineControls::MIXERR_INVALCONTROL";
    default:
        return nullptr;
    }
}

const char* EndpointSetFailureText(EndpointSetting setting, int32_t result) {
    if (result == kInvalidArg)
        return setting == EndpointSetting::Mute ? "Mute E_INVALIDARG" : "Volume E_INVALIDARG";
    if (result == kOutOfMemory)
        return "E_OUTOFMEMORY";
    return nullptr;
}
