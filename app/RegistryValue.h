#pragma once
// Reads one registry value whole, whatever its type and size.
#include <cstdint>
#include <optional>
#include <vector>

#include "framework/Win32.h"

// The value's data, opened for reading only; nothing when the key or the
// value cannot be opened or read. An empty value gives an empty vector.
std::optional<std::vector<uint8_t>> ReadRegistryValue(HKEY root, const char* subKey,
                                                      const char* name);
