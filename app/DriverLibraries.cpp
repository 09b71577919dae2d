#include "app/DriverLibraries.h"

#include "framework/LibraryLoading.h"

namespace {
// Loads name from the known places and binds its functions with Bind.
template <class Library>
std::optional<Library> LoadAndBind(const char* name, std::string& failure) {
    const KnownPlaceLibrary loaded = LoadFromKnownPlaces(name);
    if (!loaded.module) {
        failure = loaded.failure;
        return std::nullopt;
    }
    std::string missing;
    if (std::optional<Library> library = Library::Bind(loaded.module, missing))
        return library;
    char path[MAX_PATH] = "";
    GetModuleFileNameA(loaded.module, path, MAX_PATH);
    failure = std::string(path) + " does not offer the function " + missing + ".";
    FreeLibrary(loaded.module);
    return std::nullopt;
}
} // namespace

std::optional<DriverLibraries> LoadDriverLibraries(std::string& failure) {
    std::optional<GpiDllLibrary> driver = LoadAndBind<GpiDllLibrary>("GPIDLL.dll", failure);
    if (!driver)
        return std::nullopt;
    std::optional<HookLibrary> hook = LoadAndBind<HookLibrary>("SystemHook.dll", failure);
    if (!hook)
        return std::nullopt;
    return DriverLibraries{*driver, *hook};
}
