#include "display/TrayIndication.h"

#include "res/resource.h"

namespace {
const TrayIndication kIndications[] = {
    {IDI_LUMITRAX, "Lumitrax", IDB_UNLOCKED, IDB_DIMMING_OFF},
    {IDI_AUTODIMMING, "AutoDimming", IDB_UNLOCKED, IDB_DIMMING_ON},
    {IDI_LOCKED, "Lumitrax Locked", IDB_LOCKED, IDB_DIMMING_OFF},
    {IDI_LOCKED_AUTODIMMING, "Lumitrax Locked / AutoDimming", IDB_LOCKED, IDB_DIMMING_ON},
};
} // namespace

int TrayIndicationIndex(bool autoDimming, bool keypadLocked) {
    return (autoDimming ? 1 : 0) + (keypadLocked ? 2 : 0);
}

const TrayIndication& TrayIndicationFor(int index) {
    return kIndications[index & 3];
}

std::optional<uint32_t> EnvironmentItemFor(int32_t lux) {
    if (lux < 1 || lux > 4)
        return std::nullopt;
    return static_cast<uint32_t>(ID_ENV_OFFICE - 1 + lux);
}

int32_t EnvironmentValueOf(uint32_t item) {
    return static_cast<int32_t>(item) - (ID_ENV_OFFICE - 1);
}
