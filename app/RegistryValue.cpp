#include "app/RegistryValue.h"

std::optional<std::vector<uint8_t>> ReadRegistryValue(HKEY root, const char* subKey,
                                                      const char* name, size_t maxSize) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subKey, 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
        return std::nullopt;
    // One read into a buffer of the limit's size: a longer value answers
    // ERROR_MORE_DATA and counts as unreadable, whatever size it claims.
    std::vector<uint8_t> data(maxSize);
    DWORD size = static_cast<DWORD>(maxSize);
    const LONG status =
        RegQueryValueExA(key, name, nullptr, nullptr, maxSize ? data.data() : nullptr, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || size > maxSize)
        return std::nullopt;
    data.resize(size);
    return data;
}
