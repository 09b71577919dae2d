#include "audio/AudioBackEnd.h"

#include "audio/BackEndChoice.h"
#include "audio/EndpointVolumeBackEnd.h"
#include "audio/MixerBackEnd.h"

bool SystemUsesEndpointVolume() {
    // A failed query leaves the record zeroed, which selects the mixer.
    OSVERSIONINFOA version{};
    static_assert(sizeof version == 148, "the ANSI version record");
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    return UsesEndpointVolume(version.dwMajorVersion, version.dwMinorVersion);
}

std::unique_ptr<AudioBackEnd> MakeAudioBackEnd(const AudioContext& context) {
    if (context.state.useEndpointVolume)
        return std::make_unique<EndpointVolumeBackEnd>(context);
    return std::make_unique<MixerBackEnd>(context);
}
