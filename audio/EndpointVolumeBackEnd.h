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
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

#include "audio/ComApartment.h"
#include "audio/EndpointNotifications.h"

class CLumitraxDlg;

// Creates the device enumerator; the program asks COM for the system's.
using DeviceEnumeratorFactory = std::function<HRESULT(IMMDeviceEnumerator** enumerator)>;
HRESULT CreateSystemDeviceEnumerator(IMMDeviceEnumerator** enumerator);

class EndpointVolumeBackEnd {
public:
    explicit EndpointVolumeBackEnd(CLumitraxDlg& owner,
                                   DeviceEnumeratorFactory createEnumerator =
                                       CreateSystemDeviceEnumerator);
    // Unregisters both notification objects, so that no notification
    // reaches the owner once it is gone.
    ~EndpointVolumeBackEnd();
    EndpointVolumeBackEnd(const EndpointVolumeBackEnd&) = delete;
    EndpointVolumeBackEnd& operator=(const EndpointVolumeBackEnd&) = delete;

    // On the panel's thread, which keeps COM initialised from the first
    // build until this object goes.
    void InitEndpointVolume();

    // The endpoint's answer; S_FALSE when no endpoint volume is in hand.
    // The change comes back through the volume callback.
    HRESULT SetMute(int32_t flag);
    HRESULT SetVolume(int32_t steps);

    // The default multimedia device changed: moves the volume interface and
    // its callback to that device and gives the level to write to the
    // controller. Nothing when no endpoint volume is in hand or the new
    // device cannot be reached (the next line change tries again). When the
    // device itself is unknown the current one stays and its level is given.
    std::optional<float> MoveToDevice(LPCWSTR deviceId);

private:
    // Takes the current set out, then unregisters and releases it.
    void Retire();
    // The endpoint volume in hand (or null) and the event context to pass.
    Microsoft::WRL::ComPtr<IAudioEndpointVolume> CurrentEndpoint(GUID& context);

    CLumitraxDlg& owner_;
    DeviceEnumeratorFactory createEnumerator_;
    std::optional<ComApartment> apartment_; // outlives every interface below

    std::mutex mutex_; // guards the five values below
    // Registered with deviceEnumerator (null when registration failed).
    Microsoft::WRL::ComPtr<CMMNotificationClient> notificationClient;
    // Registered with endpointVolume (null when registration failed).
    Microsoft::WRL::ComPtr<CAudioEndpointVolumeCallback> volumeCallback;
    Microsoft::WRL::ComPtr<IMMDeviceEnumerator> deviceEnumerator;
    Microsoft::WRL::ComPtr<IAudioEndpointVolume> endpointVolume;
    GUID eventContext{}; // passed with every set, made anew by each build
};
