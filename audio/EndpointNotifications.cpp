#include "audio/EndpointNotifications.h"

#include "app/LumitraxDlg.h"
#include "audio/AudioUnits.h"
#include "audio/ComApartment.h"
#include "audio/EndpointVolumeBackEnd.h"
#include "controller/RegisterMap.h"

HRESULT STDMETHODCALLTYPE
CAudioEndpointVolumeCallback::OnNotify(PAUDIO_VOLUME_NOTIFICATION_DATA notification) {
    if (!notification)
        return E_POINTER;
    owner->audioMute = MuteAfterNotification(owner->audioMute, notification->bMuted != FALSE);
    owner->audioVolume = ScalarToSteps(notification->fMasterVolume);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMMNotificationClient::OnDefaultDeviceChanged(EDataFlow, ERole role,
                                                                         LPCWSTR deviceId) {
    if (role != eMultimedia)
        return S_OK;
    const ComApartment com; // the service's thread, for as long as this call lasts
    if (const std::optional<float> level = backEnd->MoveToDevice(deviceId))
        owner->Controller().WriteRegister(REG_SET_VOLUME, ScalarToSteps(*level));
    return S_OK;
}
