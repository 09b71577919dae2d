#include "audio/EndpointNotifications.h"

#include "audio/AudioUnits.h"
#include "audio/ComApartment.h"
#include "audio/EndpointVolumeBackEnd.h"

HRESULT STDMETHODCALLTYPE
CAudioEndpointVolumeCallback::OnNotify(PAUDIO_VOLUME_NOTIFICATION_DATA notification) {
    if (!notification)
        return E_POINTER;
    RecordAudioMute(*owner_, notification->bMuted != FALSE);
    owner_->audioVolume = ScalarToSteps(notification->fMasterVolume);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMMNotificationClient::OnDefaultDeviceChanged(EDataFlow, ERole role,
                                                                        LPCWSTR deviceId) {
    if (role != eMultimedia)
        return S_OK;
    const ComApartment com; // the service's thread, for as long as this call lasts
    backEnd_->OnDefaultDeviceChanged(deviceId ? deviceId : L"");
    return S_OK;
}
