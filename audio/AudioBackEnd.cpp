// The panel's audio operations: the back-end chosen by Windows version,
// opened at start-up and at every line change, and driven through it.
#include "app/LumitraxDlg.h"
#include "audio/BackEndChoice.h"
#include "audio/DeviceChange.h"
#include "audio/EndpointVolumeBackEnd.h"
#include "audio/FailureTexts.h"
#include "audio/MixerBackEnd.h"

const UINT deviceChangeMessage = RegisterWindowMessageA("winmm_devicechange");

bool IsDeviceChangeMessage(UINT message) {
    return deviceChangeMessage != 0 && message == deviceChangeMessage;
}

void CLumitraxDlg::SelectAudioBackEnd() {
    // A failed query leaves the record zeroed, which selects the mixer.
    OSVERSIONINFOA version{};
    static_assert(sizeof version == 148, "the ANSI version record");
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    useEndpointVolume = UsesEndpointVolume(version.dwMajorVersion, version.dwMinorVersion) ? 1 : 0;
}

void CLumitraxDlg::OpenAudio() {
    if (!useEndpointVolume) {
        OpenMixer(*this);
        return;
    }
    if (!endpointBackEnd)
        endpointBackEnd = std::make_unique<EndpointVolumeBackEnd>(*this);
    endpointBackEnd->InitEndpointVolume();
}

void CLumitraxDlg::SetAudioMute(int32_t flag) {
    if (!useEndpointVolume) {
        SetMixerMute(*this, flag);
        return;
    }
    if (!endpointBackEnd)
        return;
    if (const char* failure =
            EndpointSetFailureText(EndpointSetting::Mute, endpointBackEnd->SetMute(flag)))
        ShowError(failure);
}

void CLumitraxDlg::SetAudioVolume(int32_t steps) {
    if (!useEndpointVolume) {
        SetMixerVolume(*this, steps);
        return;
    }
    if (!endpointBackEnd)
        return;
    if (const char* failure =
            EndpointSetFailureText(EndpointSetting::Volume, endpointBackEnd->SetVolume(steps)))
        ShowError(failure);
}

LRESULT CLumitraxDlg::OnMixerLineChange(WPARAM wParam, LPARAM) {
    // Opening the mixer again closes the handle held first.
    OpenAudio();
    skipSliderEcho = 0;
    // Both return at once on the endpoint back-end.
    OnMixerControlChange(wParam, static_cast<LPARAM>(muteControl.dwControlID));
    OnMixerControlChange(wParam, static_cast<LPARAM>(volumeControl.dwControlID));
    return 1;
}
