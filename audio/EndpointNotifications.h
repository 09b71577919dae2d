#pragma once
// The two notification objects the endpoint back-end registers with the
// system's audio service; the service calls them on threads of its own.
#include <endpointvolume.h>
#include <mmdeviceapi.h>

#include "audio/ComObject.h"

class CLumitraxDlg;
class EndpointVolumeBackEnd;

// Volume and mute changes of the endpoint it is registered with, the
// program's own included: stored in the owner's audioVolume and audioMute
// for the poll thread's next cycle. Takes no lock and posts nothing.
class CAudioEndpointVolumeCallback final : public ComObject<IAudioEndpointVolumeCallback> {
public:
    explicit CAudioEndpointVolumeCallback(CLumitraxDlg* owner) : owner(owner) {}
    HRESULT STDMETHODCALLTYPE OnNotify(PAUDIO_VOLUME_NOTIFICATION_DATA notification) override;

private:
    CLumitraxDlg* owner;
};

// Changes of the default devices. When the default multimedia device
// changes, the back-end moves to it and its level goes straight to the
// controller's volume register.
class CMMNotificationClient final : public ComObject<IMMNotificationClient> {
public:
    CMMNotificationClient(CLumitraxDlg* owner, EndpointVolumeBackEnd* backEnd)
        : owner(owner), backEnd(backEnd) {}
    HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow flow, ERole role,
                                                     LPCWSTR deviceId) override;
    HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY) override {
        return S_OK;
    }

private:
    CLumitraxDlg* owner;
    EndpointVolumeBackEnd* backEnd; // holds the interfaces a device change replaces
};
