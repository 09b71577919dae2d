#pragma once
// The panel's audio device: the back-end chosen by Windows version, opened
// at start-up and at every line change, and driven through it.
#include <memory>

#include "audio/AudioBackEnd.h"

class AudioDevice {
public:
    // factory makes the back-end when the device is first opened.
    explicit AudioDevice(const AudioContext& context,
                         AudioBackEndFactory factory = MakeAudioBackEnd);

    // Chooses the back-end by Windows version: sets useEndpointVolume.
    void SelectAudioBackEnd();
    // Opens the chosen back-end (made on the first call); window receives
    // the mixer's notifications.
    void OpenAudio(HWND window);
    // On the thread that calls; nothing before the first OpenAudio.
    void SetAudioMute(int32_t flag);
    void SetAudioVolume(int32_t steps);
    // MM_MIXM_LINE_CHANGE: reopens, clears skipSliderEcho, then reads mute
    // and volume back.
    void OnMixerLineChange(HWND window);
    // MM_MIXM_CONTROL_CHANGE for the control that changed.
    void OnMixerControlChange(uint32_t controlId);

    // The back-end in use; null before the first OpenAudio.
    AudioBackEnd* BackEnd() const { return backEnd_.get(); }

private:
    AudioContext context_;
    AudioBackEndFactory factory_;
    // Made on the panel's thread before the poll thread starts, then kept.
    std::unique_ptr<AudioBackEnd> backEnd_;
};
