#pragma once
// The legacy mixer back-end: the volume and mute controls of the speakers
// line of mixer device 0, with the panel as the window the mixer driver
// notifies of every change (MM_MIXM_CONTROL_CHANGE, MM_MIXM_LINE_CHANGE).
//
// The panel's thread (start-up, line and control changes, panel commands)
// and the poll thread (keypad events) both use the records, so every
// operation runs under the back-end's own lock; its failure is shown once
// the lock is released, so that no thread waits for the mixer while a
// message box runs its modal loop on the panel's thread.
#include <mutex>

#include "audio/AudioBackEnd.h"
#include "audio/MixerHandle.h"

class MixerBackEnd : public AudioBackEnd {
public:
    explicit MixerBackEnd(const AudioContext& context);

    // Opens the mixer afresh (closing the one held) and finds the speakers
    // line and its two controls.
    void Open(HWND window) override;
    // Stored in audioMute at once.
    void SetMute(int32_t flag) override;
    // audioVolume follows when the control change comes back.
    void SetVolume(int32_t steps) override;
    void OnControlChange(uint32_t controlId) override;
    void ReadControlsBack() override;

    // The controls found by the last Open (0 when none).
    uint32_t VolumeControlId();
    uint32_t MuteControlId();
    // The value last passed to or read from the volume control.
    uint32_t VolumeValue();
    // Result of the most recent mixer call.
    MMRESULT MixerResult();

private:
    MMRESULT QueryLineControl(DWORD controlType, MIXERCONTROLA& control);
    // Runs operation, which gives its failure text or null, under the lock
    // and shows the failure after releasing it.
    template <class Operation> void Run(Operation operation);

    PanelState& state_;
    ErrorSink& errors_;
    std::mutex mutex_; // guards the records below
    MMRESULT mixerResult_ = MMSYSERR_NOERROR;
    MixerHandle mixerHandle_;
    MIXERLINEA speakerLine_{};
    MIXERLINECONTROLSA lineControls_{};
    MIXERCONTROLA volumeControl_{};
    MIXERCONTROLA muteControl_{};
    MIXERCONTROLDETAILS volumeDetails_{};
    MIXERCONTROLDETAILS muteDetails_{};
    MIXERCONTROLDETAILS_UNSIGNED volumeValue_{};
    MIXERCONTROLDETAILS_BOOLEAN muteValue_{};
};
