#pragma once
// Conversions between the keypad's volume steps (0..20) and mute flag and
// the units of the two audio back-ends. Every step value survives the round
// trip through either device unit.
#include <cstdint>

constexpr int32_t kMaxVolumeSteps = 20;

// The legacy mixer's volume control counts 0..65535; 20 steps would give
// 65540, so the product is clamped.
uint32_t StepsToMixerValue(int32_t steps);
// Rounds to the nearest step (one step is 3277 units), so that every value
// made by StepsToMixerValue reads back as its step count, and so does a
// value that a mixer stores a unit or two lower (Wine's keeps 32770 as 32769).
int32_t MixerValueToSteps(uint32_t value);

// The endpoint's master volume scalar, 0.0..1.0, computed in double
// precision and narrowed to float as the endpoint takes it.
float StepsToScalar(int32_t steps);
// Rounds half up, so that a narrowed scalar slightly below its step reads
// back as that step.
int32_t ScalarToSteps(float scalar);
