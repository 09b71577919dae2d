#pragma once
// The endpoint-volume back-end: the master volume and mute of the default
// playback device through the system's audio endpoint interfaces, with the
// notification objects that carry the device's changes back to the panel.
//
// Each build (at start-up and at every line change) replaces the earlier
// set of interfaces and registrations, which is unregistered and released.
// Any step of a build may fail; while no endpoint volume is in hand the set
// operations and the default-device change do nothing, and the next line
// change tries again. The interfaces are swapped under a lock of their own,
// because the audio service's threads replace them on a default-device
// change while the panel's and the poll thread's set operations use them.
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "audio/AudioBackEnd.h"
#include "audio/ComApartment.h"
#include "audio/EndpointNotifications.h"

// Creates the device enumerator; the program asks COM for the system's.
using DeviceEnumeratorFactory = std::function<HRESULT(IMMDeviceEnumerator** enumerator)>;
HRESULT CreateSystemDeviceEnumerator(IMMDeviceEnumerator** enumerator);

class EndpointVolumeBackEnd : public AudioBackEnd {
public:
    explicit EndpointVolumeBackEnd(
        const AudioContext& context,
        DeviceEnumeratorFactory createEnumerator = CreateSystemDeviceEnumerator);
    // Unregisters both notification objects, so that no notification
    // reaches the state record once the back-end is gone.
    ~EndpointVolumeBackEnd() override;
    EndpointVolumeBackEnd(const EndpointVolumeBackEnd&) = delete;
    EndpointVolumeBackEnd& operator=(const EndpointVolumeBackEnd&) = delete;

    // Builds a new set (InitEndpointVolume).
    void Open(HWND window) override;
    // The change comes back through the volume callback.
    void SetMute(int32_t flag) override;
    void SetVolume(int32_t steps) override;
    // The device reports through the volume callback, not by messages.
    void OnControlChange(uint32_t) override {}
    void ReadControlsBack() override {}

    // On the panel's thread, which keeps COM initialised from the first
    // build until this object goes.
    void InitEndpointVolume();

    // The default multimedia device changed (on a thread of the audio
    // service): moves the volume interface and its callback to that device
    // and has the poll thread write the device's level to the controller's
    // volume register.
    // Nothing when no endpoint volume is in hand or the new device cannot be
    // reached (the next line change tries again); when the device itself is
    // unknown, the current one stays and its level is written. A change that
    // comes while a set is being built is carried out once it is built.
    void OnDefaultDeviceChanged(const std::wstring& deviceId);

private:
    // Takes the current set out, then unregisters and releases it.
    void Retire();
    // Register 9 gets a device's level (scalar 0.0 to 1.0), from the poll thread.
    void WriteVolumeRegister(float level);
    // The endpoint volume in hand (or null) and the event context to pass.
    Microsoft::WRL::ComPtr<IAudioEndpointVolume> CurrentEndpoint(GUID& context);
    // Under mutex_: moves to deviceId and gives the level to write.
    std::optional<float> MoveToDevice(const std::wstring& deviceId);
    void ShowFailure(const char* text);

    PanelState& state_;
    ControllerRequests& requests_;
    ErrorSink& errors_;
    DeviceEnumeratorFactory createEnumerator_;
    std::optional<ComApartment> apartment_; // outlives every interface below

    std::mutex mutex_; // guards the values below
    // Registered with deviceEnumerator_ (null when registration failed).
    Microsoft::WRL::ComPtr<CMMNotificationClient> notificationClient_;
    // Registered with endpointVolume_ (null when registration failed).
    Microsoft::WRL::ComPtr<CAudioEndpointVolumeCallback> volumeCallback_;
    Microsoft::WRL::ComPtr<IMMDeviceEnumerator> deviceEnumerator_;
    Microsoft::WRL::ComPtr<IAudioEndpointVolume> endpointVolume_;
    GUID eventContext_{}; // passed with every set, made anew by each build
    bool building_ = false;
    std::optional<std::wstring> changedDuringBuild_; // the newest default device meanwhile
};
