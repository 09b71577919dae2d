#include "audio/EndpointVolumeBackEnd.h"

#include "audio/AudioUnits.h"

using Microsoft::WRL::ComPtr;

namespace {
ComPtr<IAudioEndpointVolume> ActivateEndpointVolume(IMMDevice* device) {
    ComPtr<IAudioEndpointVolume> endpoint;
    if (FAILED(device->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_ALL, nullptr,
                               reinterpret_cast<void**>(endpoint.GetAddressOf()))))
        return nullptr;
    return endpoint;
}

// A new volume callback registered with endpoint; null when the endpoint
// refuses it (the set operations still work, only its reports are lost).
ComPtr<CAudioEndpointVolumeCallback> RegisterVolumeCallback(IAudioEndpointVolume* endpoint,
                                                            CLumitraxDlg* owner) {
    ComPtr<CAudioEndpointVolumeCallback> callback =
        MakeComObject<CAudioEndpointVolumeCallback>(owner);
    if (FAILED(endpoint->RegisterControlChangeNotify(callback.Get())))
        return nullptr;
    return callback;
}
} // namespace

HRESULT CreateSystemDeviceEnumerator(IMMDeviceEnumerator** enumerator) {
    return CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                            __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(enumerator));
}

EndpointVolumeBackEnd::EndpointVolumeBackEnd(CLumitraxDlg& owner,
                                             DeviceEnumeratorFactory createEnumerator)
    : owner_(owner), createEnumerator_(std::move(createEnumerator)) {}

EndpointVolumeBackEnd::~EndpointVolumeBackEnd() {
    Retire();
}

void EndpointVolumeBackEnd::InitEndpointVolume() {
    if (!apartment_)
        apartment_.emplace();
    Retire();

    ComPtr<CMMNotificationClient> client = MakeComObject<CMMNotificationClient>(&owner_, this);
    GUID context{};
    if (FAILED(CoCreateGuid(&context)))
        context = GUID_NULL;
    ComPtr<IMMDeviceEnumerator> enumerator;
    if (FAILED(createEnumerator_(enumerator.GetAddressOf())) || !enumerator)
        return;
    // Registered before the default device is asked for, so that a change
    // of default in between is not lost.
    const bool clientRegistered =
        SUCCEEDED(enumerator->RegisterEndpointNotificationCallback(client.Get()));

    ComPtr<IAudioEndpointVolume> endpoint;
    ComPtr<CAudioEndpointVolumeCallback> callback;
    ComPtr<IMMDevice> device;
    if (SUCCEEDED(enumerator->GetDefaultAudioEndpoint(eRender, eConsole, device.GetAddressOf())) &&
        device) {
        endpoint = ActivateEndpointVolume(device.Get());
        if (endpoint)
            callback = RegisterVolumeCallback(endpoint.Get(), &owner_);
    }

    const std::lock_guard<std::mutex> lock(mutex_);
    notificationClient = clientRegistered ? client : nullptr;
    volumeCallback = callback;
    deviceEnumerator = enumerator;
    endpointVolume = endpoint;
    eventContext = context;
}

void EndpointVolumeBackEnd::Retire() {
    ComPtr<CMMNotificationClient> client;
    ComPtr<CAudioEndpointVolumeCallback> callback;
    ComPtr<IMMDeviceEnumerator> enumerator;
    ComPtr<IAudioEndpointVolume> endpoint;
    {
        // Swapped, not moved: a moved-from ComPtr keeps its pointer in some
        // implementations.
        const std::lock_guard<std::mutex> lock(mutex_);
        client.Swap(notificationClient);
        callback.Swap(volumeCallback);
        enumerator.Swap(deviceEnumerator);
        endpoint.Swap(endpointVolume);
    }
    // Outside the lock: unregistering may wait for a notification in
    // progress, and a default-device change takes the lock.
    if (endpoint && callback)
        endpoint->UnregisterControlChangeNotify(callback.Get());
    if (enumerator && client)
        enumerator->UnregisterEndpointNotificationCallback(client.Get());
}

ComPtr<IAudioEndpointVolume> EndpointVolumeBackEnd::CurrentEndpoint(GUID& context) {
    const std::lock_guard<std::mutex> lock(mutex_);
    context = eventContext;
    return endpointVolume;
}

HRESULT EndpointVolumeBackEnd::SetMute(int32_t flag) {
    GUID context;
    const ComPtr<IAudioEndpointVolume> endpoint = CurrentEndpoint(context);
    return endpoint ? endpoint->SetMute(flag, &context) : S_FALSE;
}

HRESULT EndpointVolumeBackEnd::SetVolume(int32_t steps) {
    GUID context;
    const ComPtr<IAudioEndpointVolume> endpoint = CurrentEndpoint(context);
    return endpoint ? endpoint->SetMasterVolumeLevelScalar(StepsToScalar(steps), &context)
                    : S_FALSE;
}

std::optional<float> EndpointVolumeBackEnd::MoveToDevice(LPCWSTR deviceId) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!deviceEnumerator || !endpointVolume)
        return std::nullopt;
    ComPtr<IMMDevice> device;
    if (SUCCEEDED(deviceEnumerator->GetDevice(deviceId, device.GetAddressOf())) && device) {
        // The earlier endpoint no longer reports; the new one does, if it
        // can be reached at all.
        if (volumeCallback)
            endpointVolume->UnregisterControlChangeNotify(volumeCallback.Get());
        volumeCallback = nullptr;
        endpointVolume = ActivateEndpointVolume(device.Get());
        if (!endpointVolume)
            return std::nullopt;
        volumeCallback = RegisterVolumeCallback(endpointVolume.Get(), &owner_);
    }
    float level = 0;
    if (FAILED(endpointVolume->GetMasterVolumeLevelScalar(&level)))
        return std::nullopt;
    return level;
}
