#include "audio/MixerBackEnd.h"

#include <mutex>

#include "app/LumitraxDlg.h"
#include "audio/AudioUnits.h"
#include "audio/FailureTexts.h"

namespace {
// Every set and get treats the control as one uniform channel of one item
// with a 4-byte value cell.
void FillDetails(MIXERCONTROLDETAILS& details, const MIXERCONTROLA& control, void* value) {
    details = {};
    details.cbStruct = sizeof details;
    details.dwControlID = control.dwControlID;
    details.cChannels = 1;
    details.cMultipleItems = 0;
    details.cbDetails = 4;
    details.paDetails = value;
}

MMRESULT QueryLineControl(CLumitraxDlg& panel, DWORD controlType, MIXERCONTROLA& control) {
    panel.lineControls = {};
    panel.lineControls.cbStruct = sizeof panel.lineControls;
    panel.lineControls.dwLineID = panel.speakerLine.dwLineID;
    panel.lineControls.dwControlType = controlType;
    panel.lineControls.cControls = 1;
    panel.lineControls.cbmxctrl = sizeof(MIXERCONTROLA);
    panel.lineControls.pamxctrl = &control;
    return mixerGetLineControlsA(panel.mixerHandle.Object(), &panel.lineControls,
                                 MIXER_GETLINECONTROLSF_ONEBYTYPE);
}

// Runs operation, which gives its failure text or null, under the mixer lock
// and shows the failure after releasing it.
template <class Operation> void RunMixerOperation(CLumitraxDlg& panel, Operation operation) {
    const char* failure;
    {
        const std::lock_guard<std::mutex> lock(panel.mixerLock);
        failure = operation();
    }
    if (failure)
        panel.ShowError(failure);
}
} // namespace

void OpenMixer(CLumitraxDlg& panel) {
    RunMixerOperation(panel, [&panel]() -> const char* {
        panel.mixerResult = panel.mixerHandle.Open(0, panel.GetSafeHwnd());
        if (panel.mixerResult != MMSYSERR_NOERROR)
            return "mixerOpen() failed";

        panel.speakerLine = {};
        panel.speakerLine.cbStruct = sizeof panel.speakerLine;
        panel.speakerLine.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
        panel.mixerResult = mixerGetLineInfoA(panel.mixerHandle.Object(), &panel.speakerLine,
                                              MIXER_GETLINEINFOF_COMPONENTTYPE);
        if (panel.mixerResult != MMSYSERR_NOERROR)
            return "mixerGetLineInfo() failed";

        panel.mixerResult =
            QueryLineControl(panel, MIXERCONTROL_CONTROLTYPE_VOLUME, panel.volumeControl);
        if (panel.mixerResult == MMSYSERR_NOERROR)
            panel.mixerResult =
                QueryLineControl(panel, MIXERCONTROL_CONTROLTYPE_MUTE, panel.muteControl);
        if (panel.mixerResult == MMSYSERR_NOERROR)
            return nullptr;
        return LineControlsFailureText(panel.mixerResult);
    });
}

void SetMixerMute(CLumitraxDlg& panel, int32_t flag) {
    RunMixerOperation(panel, [&panel, flag]() -> const char* {
        panel.muteValue.fValue = flag;
        panel.audioMute = flag;
        FillDetails(panel.muteDetails, panel.muteControl, &panel.muteValue);
        panel.mixerResult = mixerSetControlDetails(panel.mixerHandle.Object(), &panel.muteDetails,
                                                   MIXER_SETCONTROLDETAILSF_VALUE);
        return panel.mixerResult != MMSYSERR_NOERROR ? "mute mixerSetControlDetails() failed"
                                                     : nullptr;
    });
}

void SetMixerVolume(CLumitraxDlg& panel, int32_t steps) {
    RunMixerOperation(panel, [&panel, steps]() -> const char* {
        panel.volumeValue.dwValue = StepsToMixerValue(steps);
        FillDetails(panel.volumeDetails, panel.volumeControl, &panel.volumeValue);
        panel.mixerResult = mixerSetControlDetails(
            panel.mixerHandle.Object(), &panel.volumeDetails, MIXER_SETCONTROLDETAILSF_VALUE);
        return panel.mixerResult != MMSYSERR_NOERROR ? "volume mixerSetControlDetails() failed"
                                                     : nullptr;
    });
}

LRESULT CLumitraxDlg::OnMixerControlChange(WPARAM, LPARAM lParam) {
    if (useEndpointVolume)
        return 1;
    const auto controlId = static_cast<DWORD>(lParam);
    RunMixerOperation(*this, [this, controlId]() -> const char* {
        if (controlId == volumeControl.dwControlID) {
            FillDetails(volumeDetails, volumeControl, &volumeValue);
            mixerResult = mixerGetControlDetailsA(mixerHandle.Object(), &volumeDetails,
                                                  MIXER_GETCONTROLDETAILSF_VALUE);
            if (mixerResult != MMSYSERR_NOERROR)
                return "volume mixerGetControlDetails() failed";
            audioVolume = MixerValueToSteps(volumeValue.dwValue);
        } else if (controlId == muteControl.dwControlID) {
            FillDetails(muteDetails, muteControl, &muteValue);
            mixerResult = mixerGetControlDetailsA(mixerHandle.Object(), &muteDetails,
                                                  MIXER_GETCONTROLDETAILSF_VALUE);
            if (mixerResult != MMSYSERR_NOERROR)
                return "mute mixerGetControlDetails() failed";
            audioMute = muteValue.fValue;
        }
        return nullptr;
    });
    return 1;
}
