#include "framework/LibraryLoading.h"

#include <vector>

namespace {
// Functions of kernel32 that older systems lack (Windows XP has neither
// SetDefaultDllDirectories nor, before its first service pack,
// SetDllDirectoryA).
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCSTR);

bool HasDefaultDllDirectories() {
    return LoadedFunction<SetDefaultDllDirectoriesFunction>("kernel32.dll",
                                                            "SetDefaultDllDirectories") != nullptr;
}

// The text of a path in the system's code page, for a message box.
std::string Narrow(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string narrow(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, narrow.data(), size, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(size) - 1);
    return narrow;
}

std::wstring Widen(const char* text) {
    const int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (size <= 1)
        return {};
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), size);
    wide.resize(static_cast<size_t>(size) - 1);
    return wide;
}

// The folder of the program's own file, with its final backslash; empty
// when it cannot be had.
std::wstring ProgramFolder() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            const std::wstring file(path.data(), length);
            const size_t slash = file.find_last_of(L"\\/");
            return slash == std::wstring::npos ? std::wstring() : file.substr(0, slash + 1);
        }
        if (path.size() >= 32768)
            return {};
        path.resize(path.size() * 2);
    }
}

// The system folder, with its final backslash.
std::wstring SystemFolder() {
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return std::wstring(path, length) + L"\\";
}
} // namespace

void RestrictLibrarySearch() {
    const auto setDefault = LoadedFunction<SetDefaultDllDirectoriesFunction>(
        "kernel32.dll", "SetDefaultDllDirectories");
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    if (const auto setDirectory =
            LoadedFunction<SetDllDirectoryFunction>("kernel32.dll", "SetDllDirectoryA"))
        setDirectory("");
}

KnownPlaceLibrary LoadFromKnownPlaces(const char* name) {
    const std::wstring fileName = Widen(name);
    const std::wstring folders[] = {ProgramFolder(), SystemFolder()};
    // What the library itself loads comes from its own folder or the system's.
    const DWORD flags = HasDefaultDllDirectories()
                            ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32
                            : LOAD_WITH_ALTERED_SEARCH_PATH;
    for (const std::wstring& folder : folders) {
        if (folder.empty())
            continue;
        const std::wstring path = folder + fileName;
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            continue;
        if (const HMODULE module = LoadLibraryExW(path.c_str(), nullptr, flags))
            return {module, {}};
        const DWORD error = GetLastError();
        return {nullptr, std::string(name) + " in " + Narrow(folder) +
                             " could not be loaded (error " + std::to_string(error) + ")."};
    }
    return {nullptr,
            std::string(name) + " was not found. It is looked for in the program's folder " +
                Narrow(folders[0]) + " and in the system folder " + Narrow(folders[1]) + "."};
}

bool BindFunctions(HMODULE module,
                   std::initializer_list<std::pair<FARPROC*, const char*>> functions,
                   std::string& missing) {
    for (const auto& [function, name] : functions) {
        *function = GetProcAddress(module, name);
        if (!*function) {
            missing = name;
            return false;
        }
    }
    return true;
}
