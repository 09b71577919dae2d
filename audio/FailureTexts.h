#pragma once
// The texts the audio back-ends show when a system call fails, chosen by
// the call's result code. Null where a result is shown to nobody.
#include <cstdint>

// A failed query of the speakers line's volume or mute control.
const char* LineControlsFailureText(uint32_t mixerResult);

enum class EndpointSetting { Mute, Volume };
// A failed SetMute or SetMasterVolumeLevelScalar; result is the HRESULT.
const char* EndpointSetFailureText(EndpointSetting setting, int32_t result);
