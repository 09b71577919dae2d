#include "drivers/KeypadSimClient.h"

#include <string>

using keypad::KeypadModel;
using keypad::KeypadState;
using keypad::Profile;

namespace {

constexpr DWORD kWaitStepMs = 5;

std::string EnvironmentValue(const char* name) {
    char value[128];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

std::string BlockName() {
    const std::string name = EnvironmentValue("GPIDLL_SIM_NAME");
    return name.empty() ? "LumitraxKeypadSim" : name;
}

Profile ProfileFromEnvironment() {
    return keypad::ParseProfile(EnvironmentValue("GPIDLL_SIM_PROFILE")).value_or(Profile::Extended);
}

} // namespace

std::unique_ptr<KeypadSimClient> KeypadSimClient::Open() {
    const std::string name = BlockName();
    OwnedHandle mutex(CreateMutexA(nullptr, FALSE, (name + "Lock").c_str()));
    if (!mutex) {
        return nullptr;
    }
    OwnedHandle mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                           sizeof(KeypadState), name.c_str()));
    if (!mapping) {
        return nullptr;
    }
    const bool createdBlock = GetLastError() != ERROR_ALREADY_EXISTS;
    MappedState state(static_cast<KeypadState*>(
        MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(KeypadState))));
    if (!state) {
        return nullptr;
    }
    std::unique_ptr<KeypadSimClient> client(
        new KeypadSimClient(std::move(mutex), std::move(mapping), std::move(state), createdBlock));
    // A new block is all zeros; whoever finds it so first, under the lock,
    // makes it a controller.
    client->Run([](KeypadModel& model, uint64_t) {
        if (!model.IsInitialised()) {
            model.Initialise(ProfileFromEnvironment());
        }
    });
    return client;
}

std::optional<keypad::LogEntry> KeypadSimClient::WaitFor(const keypad::LogPattern& pattern,
                                                         uint64_t afterSeq, uint32_t timeoutMs) {
    const uint64_t deadline = NowUs() + uint64_t{timeoutMs} * 1000;
    for (;;) {
        const auto entry =
            Run([&](KeypadModel& model, uint64_t) { return model.FindAfter(pattern, afterSeq); });
        if (entry || NowUs() >= deadline) {
            return entry;
        }
        Sleep(kWaitStepMs);
    }
}

uint64_t KeypadSimClient::NowUs() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    const uint64_t ticks = static_cast<uint64_t>(counter.QuadPart);
    const uint64_t perSecond = static_cast<uint64_t>(frequency.QuadPart);
    return ticks / perSecond * 1000000 + ticks % perSecond * 1000000 / perSecond;
}
