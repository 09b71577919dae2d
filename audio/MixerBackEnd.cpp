#include "audio/MixerBackEnd.h"

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
} // namespace

MixerBackEnd::MixerBackEnd(const AudioContext& context)
    : state_(context.state), errors_(context.errors) {}

template <class Operation> void MixerBackEnd::Run(Operation operation) {
    const char* failure;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        failure = operation();
    }
    if (failure)
        errors_.ShowError(failure);
}

MMRESULT MixerBackEnd::QueryLineControl(DWORD controlType, MIXERCONTROLA& control) {
    lineControls_ = {};
    lineControls_.cbStruct = sizeof lineControls_;
    lineControls_.dwLineID = speakerLine_.dwLineID;
    lineControls_.dwControlType = controlType;
    lineControls_.cControls = 1;
    lineControls_.cbmxctrl = sizeof(MIXERCONTROLA);
    lineControls_.pamxctrl = &control;
    return mixerGetLineControlsA(mixerHandle_.Object(), &lineControls_,
                                 MIXER_GETLINECONTROLSF_ONEBYTYPE);
}

void MixerBackEnd::Open(HWND window) {
    Run([this, window]() -> const char* {
        mixerResult_ = mixerHandle_.Open(0, window);
        if (mixerResult_ != MMSYSERR_NOERROR)
            return "mixerOpen() failed";

        speakerLine_ = {};
        speakerLine_.cbStruct = sizeof speakerLine_;
        speakerLine_.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
        mixerResult_ = mixerGetLineInfoA(mixerHandle_.Object(), &speakerLine_,
                                         MIXER_GETLINEINFOF_COMPONENTTYPE);
        if (mixerResult_ != MMSYSERR_NOERROR)
            return "mixerGetLineInfo() failed";

        mixerResult_ = QueryLineControl(MIXERCONTROL_CONTROLTYPE_VOLUME, volumeControl_);
        if (mixerResult_ == MMSYSERR_NOERROR)
            mixerResult_ = QueryLineControl(MIXERCONTROL_CONTROLTYPE_MUTE, muteControl_);
        if (mixerResult_ == MMSYSERR_NOERROR)
            return nullptr;
        return LineControlsFailureText(mixerResult_);
    });
}

void MixerBackEnd::SetMute(int32_t flag) {
    Run([this, flag]() -> const char* {
        muteValue_.fValue = flag;
        state_.audioMute = flag;
        FillDetails(muteDetails_, muteControl_, &muteValue_);
        mixerResult_ = mixerSetControlDetails(mixerHandle_.Object(), &muteDetails_,
                                              MIXER_SETCONTROLDETAILSF_VALUE);
        return mixerResult_ != MMSYSERR_NOERROR ? "mute mixerSetControlDetails() failed" : nullptr;
    });
}

void MixerBackEnd::SetVolume(int32_t steps) {
    Run([this, steps]() -> const char* {
        volumeValue_.dwValue = StepsToMixerValue(steps);
        FillDetails(volumeDetails_, volumeControl_, &volumeValue_);
        mixerResult_ = mixerSetControlDetails(mixerHandle_.Object(), &volumeDetails_,
                                              MIXER_SETCONTROLDETAILSF_VALUE);
        return mixerResult_ != MMSYSERR_NOERROR ? "volume mixerSetControlDetails() failed"
                                                : nullptr;
    });
}

void MixerBackEnd::OnControlChange(uint32_t controlId) {
    Run([this, controlId]() -> const char* {
        if (controlId == volumeControl_.dwControlID) {
            FillDetails(volumeDetails_, volumeControl_, &volumeValue_);
            mixerResult_ = mixerGetControlDetailsA(mixerHandle_.Object(), &volumeDetails_,
                                                   MIXER_GETCONTROLDETAILSF_VALUE);
            if (mixerResult_ != MMSYSERR_NOERROR)
                return "volume mixerGetControlDetails() failed";
            state_.audioVolume = MixerValueToSteps(volumeValue_.dwValue);
        } else if (controlId == muteControl_.dwControlID) {
            FillDetails(muteDetails_, muteControl_, &muteValue_);
            mixerResult_ = mixerGetControlDetailsA(mixerHandle_.Object(), &muteDetails_,
                                                   MIXER_GETCONTROLDETAILSF_VALUE);
            if (mixerResult_ != MMSYSERR_NOERROR)
                return "mute mixerGetControlDetails() failed";
            state_.audioMute = muteValue_.fValue;
        }
        return nullptr;
    });
}

void MixerBackEnd::ReadControlsBack() {
    OnControlChange(MuteControlId());
    OnControlChange(VolumeControlId());
}

uint32_t MixerBackEnd::VolumeControlId() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return volumeControl_.dwControlID;
}

uint32_t MixerBackEnd::MuteControlId() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return muteControl_.dwControlID;
}

uint32_t MixerBackEnd::VolumeValue() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return volumeValue_.dwValue;
}

MMRESULT MixerBackEnd::MixerResult() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return mixerResult_;
}
