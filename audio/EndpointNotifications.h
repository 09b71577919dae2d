#pragma once
// The two notification objects the endpoint back-end registers with the
// system's audio service; the service calls them on threads of its own.
#include <endpointvolume.h>
#include <mmdeviceapi.h>

#include "audio/ComObject.h"
#include "shared/PanelState.h"

class EndpointVolumeBackEnd;

// Volume and mute changes of the endpoint it is registered with, the
// program's own included: stored in the state record's audioVolume and
// audioMute for the poll thread's next cycle. Takes no lock and posts nothing.
class CAudioEndpointVolumeCallback final : public ComObject<IAudioEndpointVolumeCallback> {
public:
    explicit CAudioEndpointVolumeCallback(PanelState* owner) : owner_(owner) {}
    HRESULT STDMETHODCALLTYPE OnNotify(PAUDIO_VOLUME_NOTIFICATION_DATA notification) override;

private:
    PanelState* owner_;
};

// Changes of the default devices: a change of the default multimedia device
// is passed to the back-end, which moves to it.
class CMMNotificationClient final : public ComObject<IMMNotificationClient> {
public:
    explicit CMMNotificationClient(EndpointVolumeBackEnd* backEnd) : backEnd_(backEnd) {}
    HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow flow, ERole role,
                                                     LPCWSTR deviceId) override;
    HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY) override {
        return S_OK;
    }

private:
    EndpointVolumeBackEnd* backEnd_;
};
