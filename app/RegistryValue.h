#pragma once
// Reads one registry value, whatever its type, up to a size limit.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "framework/Win32.h"

// The value's data, opened for reading only and read from the 32-bit view
// of the registry, where the 32-bit program finds its settings on every
// system (so a 64-bit build reads the same ones). Nothing when the key or
// the value cannot be opened or read, or when the value holds more than
// maxSize bytes. An empty value gives an empty vector.
std::optional<std::vector<uint8_t>> ReadRegistryValue(HKEY root, const char* subKey,
                                                      const char* name, size_t maxSize);
