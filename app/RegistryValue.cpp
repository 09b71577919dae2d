#include "app/RegistryValue.h"

std::optional<std::vector<uint8_t>> ReadRegistryValue(HKEY root, const char* subKey,
                                                      const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    std::optional<std::vector<uint8_t>> result;
    // The value may change between asking for its size and reading it: ask again.
    for (int attempt = 0; attempt < 3 && !result; ++attempt) {
        DWORD size = 0;
        if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
            break;
        std::vector<uint8_t> data(size);
        const LONG status =
            RegQueryValueExA(key, name, nullptr, nullptr, size ? data.data() : nullptr, &size);
        if (status == ERROR_SUCCESS) {
            data.resize(size);
            result = std::move(data);
        } else if (status != ERROR_MORE_DATA) {
            break;
        }
    }
    RegCloseKey(key);
    return result;
}
