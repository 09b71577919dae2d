#include "audio/BackEndChoice.h"

bool UsesEndpointVolume(uint32_t majorVersion, uint32_t minorVersion) {
    return majorVersion > 5 || (majorVersion == 5 && minorVersion > 1);
}
