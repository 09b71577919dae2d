#include "audio/EndpointVolumeBackEnd.h"

#include "audio/AudioUnits.h"
#include "audio/FailureTexts.h"
#include "controller/RegisterMap.h"

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
                                                            PanelState* owner) {
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

EndpointVolumeBackEnd::EndpointVolumeBackEnd(const AudioContext& context,
                                             DeviceEnumeratorFactory createEnumerator)
    : state_(context.state), requests_(context.requests), errors_(context.errors),
      createEnumerator_(std::move(createEnumerator)) {}

EndpointVolumeBackEnd::~EndpointVolumeBackEnd() {
    Retire();
}

void EndpointVolumeBackEnd::Open(HWND) {
    InitEndpointVolume();
}

void EndpointVolumeBackEnd::InitEndpointVolume() {
    if (!apartment_)
        apartment_.emplace();
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        building_ = true;
    }
    Retire();

    ComPtr<CMMNotificationClient> client = MakeComObject<CMMNotificationClient>(this);
    GUID context{};
    if (FAILED(CoCreateGuid(&context)))
        context = GUID_NULL;
    ComPtr<IMMDeviceEnumerator> enumerator;
    bool clientRegistered = false;
    ComPtr<IAudioEndpointVolume> endpoint;
    ComPtr<CAudioEndpointVolumeCallback> callback;
    if (SUCCEEDED(createEnumerator_(enumerator.GetAddressOf())) && enumerator) {
        // Registered before the default device is asked for, so that a change
        // of default in between is not lost.
        clientRegistered =
            SUCCEEDED(enumerator->RegisterEndpointNotificationCallback(client.Get()));
        ComPtr<IMMDevice> device;
        if (SUCCEEDED(
                enumerator->GetDefaultAudioEndpoint(eRender, eConsole, device.GetAddressOf())) &&
            device) {
            endpoint = ActivateEndpointVolume(device.Get());
            if (endpoint)
                callback = RegisterVolumeCallback(endpoint.Get(), &state_);
        }
    }

    std::optional<std::wstring> changed;
    std::optional<float> level;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        notificationClient_ = clientRegistered ? client : nullptr;
        volumeCallback_ = callback;
        deviceEnumerator_ = enumerator;
        endpointVolume_ = endpoint;
        eventContext_ = context;
        building_ = false;
        changed.swap(changedDuringBuild_);
        if (changed)
            level = MoveToDevice(*changed);
    }
    if (level)
        WriteVolumeRegister(*level);
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
        client.Swap(notificationClient_);
        callback.Swap(volumeCallback_);
        enumerator.Swap(deviceEnumerator_);
        endpoint.Swap(endpointVolume_);
    }
    // Outside the lock: unregistering may wait for a notification in
    // progress, and a default-device change takes the lock.
    if (endpoint && callback)
        endpoint->UnregisterControlChangeNotify(callback.Get());
    if (enumerator && client)
        enumerator->UnregisterEndpointNotificationCallback(client.Get());
}

void EndpointVolumeBackEnd::WriteVolumeRegister(float level) {
    requests_.PostWrite(REG_SET_VOLUME, ScalarToSteps(level));
}

ComPtr<IAudioEndpointVolume> EndpointVolumeBackEnd::CurrentEndpoint(GUID& context) {
    const std::lock_guard<std::mutex> lock(mutex_);
    context = eventContext_;
    return endpointVolume_;
}

void EndpointVolumeBackEnd::ShowFailure(const char* text) {
    if (text)
        errors_.ShowError(text);
}

void EndpointVolumeBackEnd::SetMute(int32_t flag) {
    GUID context;
    const ComPtr<IAudioEndpointVolume> endpoint = CurrentEndpoint(context);
    if (endpoint)
        ShowFailure(
            EndpointSetFailureText(EndpointSetting::Mute, endpoint->SetMute(flag, &context)));
}

void EndpointVolumeBackEnd::SetVolume(int32_t steps) {
    GUID context;
    const ComPtr<IAudioEndpointVolume> endpoint = CurrentEndpoint(context);
    if (endpoint)
        ShowFailure(EndpointSetFailureText(
            EndpointSetting::Volume,
            endpoint->SetMasterVolumeLevelScalar(StepsToScalar(steps), &context)));
}

void EndpointVolumeBackEnd::OnDefaultDeviceChanged(const std::wstring& deviceId) {
    std::optional<float> level;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (building_) {
            changedDuringBuild_ = deviceId;
            return;
        }
        level = MoveToDevice(deviceId);
    }
    if (level)
        WriteVolumeRegister(*level);
}

std::optional<float> EndpointVolumeBackEnd::MoveToDevice(const std::wstring& deviceId) {
    if (!deviceEnumerator_ || !endpointVolume_)
        return std::nullopt;
    ComPtr<IMMDevice> device;
    if (SUCCEEDED(deviceEnumerator_->GetDevice(deviceId.c_str(), device.GetAddressOf())) &&
        device) {
        // The earlier endpoint no longer reports; the new one does, if it
        // can be reached at all.
        if (volumeCallback_)
            endpointVolume_->UnregisterControlChangeNotify(volumeCallback_.Get());
        volumeCallback_ = nullptr;
        endpointVolume_ = ActivateEndpointVolume(device.Get());
        if (!endpointVolume_)
            return std::nullopt;
        volumeCallback_ = RegisterVolumeCallback(endpointVolume_.Get(), &state_);
    }
    float level = 0;
    if (FAILED(endpointVolume_->GetMasterVolumeLevelScalar(&level)))
        return std::nullopt;
    return level;
}
