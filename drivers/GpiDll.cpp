// GPIDLL.dll over the simulated keypad controller: every call reaches the
// controller block shared with keypadctl, Keypad.exe and tests. Calls the
// library refuses before they reach the controller (no block, a handle that
// GPIDLL_Open did not give, a null pointer) fail without a log entry.
#include "controller/GpiDll.h"

#include <atomic>

#include "drivers/KeypadSimClient.h"

using keypad::KeypadModel;

namespace {

constexpr uint32_t kHandle = 0x4B50; // any nonzero value would do

std::atomic<KeypadSimClient*> g_controller{nullptr};

// The controller for a call made with handle, or nothing.
KeypadSimClient* controllerFor(uint32_t handle) {
    return handle == kHandle ? g_controller.load() : nullptr;
}

} // namespace

GPIDLL_API uint32_t GPIDLL_CALL GPIDLL_Open(void) {
    // Opened once for the process and kept until the library is unloaded.
    static const std::unique_ptr<KeypadSimClient> controller = KeypadSimClient::open();
    g_controller = controller.get();
    return controller ? kHandle : 0;
}

GPIDLL_API uint32_t GPIDLL_CALL GPIDLL_GetValue(uint32_t handle, uint8_t* level) {
    KeypadSimClient* controller = controllerFor(handle);
    if (!controller || !level) {
        return 0;
    }
    return controller->run(
        [&](KeypadModel& model, uint64_t nowUs) { return model.readInputLine(*level, nowUs); });
}

GPIDLL_API uint32_t GPIDLL_CALL ReadByte(uint32_t handle, SmbRequest* request) {
    KeypadSimClient* controller = controllerFor(handle);
    if (!controller || !request) {
        return 0;
    }
    return controller->run(
        [&](KeypadModel& model, uint64_t nowUs) { return model.read(*request, nowUs); });
}

GPIDLL_API uint32_t GPIDLL_CALL WriteByte(uint32_t handle, SmbRequest* request) {
    KeypadSimClient* controller = controllerFor(handle);
    if (!controller || !request) {
        return 0;
    }
    return controller->run(
        [&](KeypadModel& model, uint64_t nowUs) { return model.write(*request, nowUs); });
}

GPIDLL_API uint32_t GPIDLL_CALL GetDriverDllVersion(uint32_t handle, uint8_t* driverVersion,
                                                    uint8_t* libraryVersion) {
    KeypadSimClient* controller = controllerFor(handle);
    if (!controller || !driverVersion || !libraryVersion) {
        return 0;
    }
    controller->run([&](KeypadModel& model, uint64_t nowUs) {
        model.readVersions(*driverVersion, *libraryVersion, nowUs);
    });
    return 1;
}
