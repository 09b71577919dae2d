#pragma once
// Which audio back-end a Windows version gets: the legacy mixer up to 5.1
// (2000 and XP), the endpoint interfaces from 5.2 on.
#include <cstdint>

bool UsesEndpointVolume(uint32_t majorVersion, uint32_t minorVersion);
