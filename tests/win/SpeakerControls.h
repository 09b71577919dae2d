#pragma once
// The speakers line's volume and mute controls, reached the way another
// program would: through a mixer handle of its own.
#include <windows.h>

#include <mmsystem.h>

class SpeakerControls {
public:
    SpeakerControls() {
        if (mixerOpen(&mixer_, 0, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
            mixer_ = nullptr;
            return;
        }
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
    SpeakerControls(const SpeakerControls&) = delete;
    SpeakerControls& operator=(const SpeakerControls&) = delete;

    bool Found() const { return found_; }
    DWORD VolumeId() const { return volumeId_; }
    DWORD MuteId() const { return muteId_; }
    // Reads the control's value into value.
    MMRESULT Read(DWORD controlId, DWORD& value) {
        MIXERCONTROLDETAILS details = Details(controlId, &value);
        return mixerGetControlDetailsA(Object(), &details, kByHandle);
    }
    // Sets the control as another program would.
    MMRESULT Write(DWORD controlId, DWORD value) {
        MIXERCONTROLDETAILS details = Details(controlId, &value);
        return mixerSetControlDetails(Object(), &details, kByHandle);
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
