#include "audio/DeviceChange.h"

const UINT deviceChangeMessage = RegisterWindowMessageA("winmm_devicechange");

bool IsDeviceChangeMessage(UINT message) {
    return deviceChangeMessage != 0 && message == deviceChangeMessage;
}
