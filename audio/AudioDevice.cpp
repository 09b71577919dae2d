#include "audio/AudioDevice.h"

AudioDevice::AudioDevice(const AudioContext& context, AudioBackEndFactory factory)
    : context_(context), factory_(std::move(factory)) {}

void AudioDevice::SelectAudioBackEnd() {
    context_.state.useEndpointVolume = SystemUsesEndpointVolume() ? 1 : 0;
}

void AudioDevice::OpenAudio(HWND window) {
    if (!backEnd_)
        backEnd_ = factory_(context_);
    backEnd_->Open(window);
}

void AudioDevice::SetAudioMute(int32_t flag) {
    if (backEnd_)
        backEnd_->SetMute(flag);
}

void AudioDevice::SetAudioVolume(int32_t steps) {
    if (backEnd_)
        backEnd_->SetVolume(steps);
}

void AudioDevice::OnMixerLineChange(HWND window) {
    OpenAudio(window);
    context_.state.skipSliderEcho = kNoSliderEcho;
    backEnd_->ReadControlsBack();
}

void AudioDevice::OnMixerControlChange(uint32_t controlId) {
    if (backEnd_)
        backEnd_->OnControlChange(controlId);
}
