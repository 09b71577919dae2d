#include "audio/AudioUnits.h"

uint32_t StepsToMixerValue(int32_t steps) {
    const int32_t product = steps * 3277;
    return product >= 65536 ? 65535u : static_cast<uint32_t>(product);
}

int32_t MixerValueToSteps(uint32_t value) {
    const double steps = value / 3277.0 + 0.5;
    return steps >= kMaxVolumeSteps ? kMaxVolumeSteps : static_cast<int32_t>(steps);
}

float StepsToScalar(int32_t steps) {
    return static_cast<float>(static_cast<double>(steps) * 5 / 100);
}

int32_t ScalarToSteps(float scalar) {
    return static_cast<int32_t>(scalar * 20.0 + 0.5);
}
