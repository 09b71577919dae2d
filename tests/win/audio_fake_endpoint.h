#pragma once
// Fake audio endpoint objects for the endpoint back-end's tests: a device
// enumerator with named playback devices, each with a master volume and
// mute that tell their registered callbacks of every change, as the
// system's audio service does. Every fake may be used from any thread.
#include <endpointvolume.h>
#include <mmdeviceapi.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "audio/ComObject.h"

using Microsoft::WRL::ComPtr;

class FakeEndpointVolume final : public ComObject<IAudioEndpointVolume> {
public:
    explicit FakeEndpointVolume(float level) : level_(level) {}

    // What the two set operations answer from now on; on failure they
    // change nothing and notify nobody.
    void AnswerSets(HRESULT result) {
        const std::lock_guard<std::mutex> lock(mutex_);
        setResult_ = result;
    }
    float Level() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return level_;
    }
    // Every level set, in order.
    std::vector<float> LevelsSet() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return levelsSet_;
    }
    bool Muted() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return muted_;
    }
    std::vector<ComPtr<IAudioEndpointVolumeCallback>> Callbacks() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return callbacks_;
    }

    HRESULT STDMETHODCALLTYPE
    RegisterControlChangeNotify(IAudioEndpointVolumeCallback* notify) override {
        if (!notify)
            return E_POINTER;
        const std::lock_guard<std::mutex> lock(mutex_);
        callbacks_.emplace_back(notify);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE
    UnregisterControlChangeNotify(IAudioEndpointVolumeCallback* notify) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto found = std::find_if(callbacks_.begin(), callbacks_.end(),
                                        [notify](const auto& c) { return c.Get() == notify; });
        if (found == callbacks_.end())
            return E_INVALIDARG;
        callbacks_.erase(found);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMasterVolumeLevelScalar(FLOAT level, LPCGUID context) override {
        return Change(context, [&] {
            level_ = level;
            levelsSet_.push_back(level);
        });
    }
    HRESULT STDMETHODCALLTYPE GetMasterVolumeLevelScalar(FLOAT* level) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        *level = level_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMute(WINBOOL muted, LPCGUID context) override {
        return Change(context, [&] { muted_ = muted != FALSE; });
    }
    HRESULT STDMETHODCALLTYPE GetMute(WINBOOL* muted) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        *muted = muted_;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetChannelCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMasterVolumeLevel(FLOAT, LPCGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMasterVolumeLevel(FLOAT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetChannelVolumeLevel(UINT, FLOAT, LPCGUID) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetChannelVolumeLevelScalar(UINT, FLOAT, LPCGUID) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetChannelVolumeLevel(UINT, FLOAT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetChannelVolumeLevelScalar(UINT, FLOAT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetVolumeStepInfo(UINT*, UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE VolumeStepUp(LPCGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE VolumeStepDown(LPCGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryHardwareSupport(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetVolumeRange(FLOAT*, FLOAT*, FLOAT*) override { return E_NOTIMPL; }

private:
    // Applies a change and tells every registered callback, outside the
    // lock, as the service calls them from its own threads.
    template <class Apply> HRESULT Change(LPCGUID context, Apply apply) {
        AUDIO_VOLUME_NOTIFICATION_DATA data{};
        std::vector<ComPtr<IAudioEndpointVolumeCallback>> callbacks;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (FAILED(setResult_))
                return setResult_;
            apply();
            data.guidEventContext = context ? *context : GUID_NULL;
            data.bMuted = muted_;
            data.fMasterVolume = level_;
            data.nChannels = 1;
            data.afChannelVolumes[0] = level_;
            callbacks = callbacks_;
        }
        for (const auto& callback : callbacks)
            callback->OnNotify(&data);
        return S_OK;
    }

    std::mutex mutex_;
    float level_;
    std::vector<float> levelsSet_;
    bool muted_ = false;
    HRESULT setResult_ = S_OK;
    std::vector<ComPtr<IAudioEndpointVolumeCallback>> callbacks_;
};

class FakeDevice final : public ComObject<IMMDevice> {
public:
    explicit FakeDevice(float level) : endpoint_(MakeComObject<FakeEndpointVolume>(level)) {}

    FakeEndpointVolume& Endpoint() { return *endpoint_.Get(); }
    // Activation fails while refused, as for a device that went away.
    void RefuseActivation(bool refuse) { refuse_ = refuse; }

    HRESULT STDMETHODCALLTYPE Activate(REFIID iid, DWORD, PROPVARIANT*, void** result) override {
        *result = nullptr;
        if (refuse_)
            return kDeviceInvalidated;
        if (!IsEqualIID(iid, __uuidof(IAudioEndpointVolume)))
            return E_NOINTERFACE;
        return endpoint_.CopyTo(reinterpret_cast<IAudioEndpointVolume**>(result));
    }
    HRESULT STDMETHODCALLTYPE OpenPropertyStore(DWORD, IPropertyStore**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetId(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetState(DWORD* state) override {
        *state = DEVICE_STATE_ACTIVE;
        return S_OK;
    }

private:
    static constexpr HRESULT kDeviceInvalidated = static_cast<HRESULT>(0x88890004);
    ComPtr<FakeEndpointVolume> endpoint_;
    std::atomic<bool> refuse_{false};
};

class FakeDeviceEnumerator final : public ComObject<IMMDeviceEnumerator> {
public:
    // A device named id at level; the first one added is the default.
    FakeDevice& AddDevice(const std::wstring& id, float level) {
        const std::lock_guard<std::mutex> lock(mutex_);
        ComPtr<FakeDevice>& device = devices_[id];
        device = MakeComObject<FakeDevice>(level);
        if (defaultId_.empty())
            defaultId_ = id;
        return *device.Get();
    }
    FakeDevice& Device(const std::wstring& id) {
        const std::lock_guard<std::mutex> lock(mutex_);
        return *devices_.at(id).Get();
    }
    void SetDefault(const std::wstring& id) {
        const std::lock_guard<std::mutex> lock(mutex_);
        defaultId_ = id;
    }
    std::vector<ComPtr<IMMNotificationClient>> Clients() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return clients_;
    }

    HRESULT STDMETHODCALLTYPE EnumAudioEndpoints(EDataFlow, DWORD, IMMDeviceCollection**) override {
        return E_NOTIMPL;
    }
    // Runs before every answer to GetDefaultAudioEndpoint (null: nothing).
    void BeforeDefaultDevice(std::function<void()> hook) {
        const std::lock_guard<std::mutex> lock(mutex_);
        beforeDefault_ = std::move(hook);
    }

    HRESULT STDMETHODCALLTYPE GetDefaultAudioEndpoint(EDataFlow flow, ERole,
                                                      IMMDevice** result) override {
        std::function<void()> hook;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            hook = beforeDefault_;
        }
        if (hook)
            hook();
        std::wstring id;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            id = defaultId_;
        }
        if (flow != eRender)
            return kNotFound;
        return GetDevice(id.c_str(), result);
    }
    HRESULT STDMETHODCALLTYPE GetDevice(LPCWSTR id, IMMDevice** result) override {
        *result = nullptr;
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto found = devices_.find(id ? id : L"");
        if (found == devices_.end())
            return kNotFound;
        return found->second.CopyTo(result);
    }
    HRESULT STDMETHODCALLTYPE
    RegisterEndpointNotificationCallback(IMMNotificationClient* client) override {
        if (!client)
            return E_POINTER;
        const std::lock_guard<std::mutex> lock(mutex_);
        clients_.emplace_back(client);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE
    UnregisterEndpointNotificationCallback(IMMNotificationClient* client) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto found = std::find_if(clients_.begin(), clients_.end(),
                                        [client](const auto& c) { return c.Get() == client; });
        if (found == clients_.end())
            return E_INVALIDARG;
        clients_.erase(found);
        return S_OK;
    }

private:
    static constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070490);

    std::mutex mutex_;
    std::map<std::wstring, ComPtr<FakeDevice>> devices_;
    std::wstring defaultId_;
    std::vector<ComPtr<IMMNotificationClient>> clients_;
    std::function<void()> beforeDefault_;
};
