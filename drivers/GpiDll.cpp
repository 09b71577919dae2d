// GPIDLL.dll over the simulated keypad controller: every call reaches the
// controller block shared with keypadctl, Keypad.exe and tests. Calls the
// library refuses before they reach the controller (no block, a handle that
// GPIDLL_Open did not give, a null pointer) fail without a log entry.
#include "shared/GpiDll.h"

#include <atomic>

#include "drivers/KeypadSimClient.h"

using keypad::KeypadModel;

namespace {

constexpr uint32_t kHandle = 0x4B50; // any nonzero value would do

std::atomic<KeypadSimClient*> g_controller{nullptr};

// The controller for a call made with handle, or nothing.
KeypadSimClient* ControllerFor(uint32_t handle) {
    return handle == kHandle ? g_controller.load() : nullptr;
}

// Holds the caller while the controller hangs on reg, as a bus that never
// completes would, without holding the block's lock.
void WaitWhileHanging(KeypadSimClient& controller, uint16_t reg) {
    while (controller.Run([reg](const KeypadModel& model, uint64_t) { return model.Hangs(reg); })) {
        Sleep(5);
    }
}

} // namespace

GPIDLL_API uint32_t GPIDLL_CALL GPIDLL_Open(void) {
    // Opened once for the process and kept until the library is unloaded.
    static const std::unique_ptr<KeypadSimClient> controller = KeypadSimClient::Open();
    g_controller = controller.get();
    return controller ? kHandle : 0;
}

GPIDLL_API uint32_t GPIDLL_CALL GPIDLL_GetValue(uint32_t handle, uint8_t* level) {
    KeypadSimClient* controller = ControllerFor(handle);
    if (!controller || !level) {
        return 0;
    }
    return controller->Run(
        [&](KeypadModel& model, uint64_t nowUs) { return model.ReadInputLine(*level, nowUs); });
}

GPIDLL_API uint32_t GPIDLL_CALL ReadByte(uint32_t handle, SmbRequest* request) {
    KeypadSimClient* controller = ControllerFor(handle);
    if (!controller || !request) {
        return 0;
    }
    WaitWhileHanging(*controller, request->reg);
    return controller->Run(
        [&](KeypadModel& model, uint64_t nowUs) { return model.Read(*request, nowUs); });
}

GPIDLL_API uint32_t GPIDLL_CALL WriteByte(uint32_t handle, SmbRequest* request) {
    KeypadSimClient* controller = ControllerFor(handle);
    if (!controller || !request) {
        return 0;
    }
    WaitWhileHanging(*controller, request->reg);
    return controller->Run(
        [&](KeypadModel& model, uint64_t nowUs) { return model.Write(*request, nowUs); });
}

GPIDLL_API uint32_t GPIDLL_CALL GetDriverDllVersion(uint32_t handle, uint8_t* driverVersion,
                                                    uint8_t* libraryVersion) {
    KeypadSimClient* controller = ControllerFor(handle);
    if (!controller || !driverVersion || !libraryVersion) {
        return 0;
    }
    controller->Run([&](KeypadModel& model, uint64_t nowUs) {
        model.ReadVersions(*driverVersion, *libraryVersion, nowUs);
    });
    return 1;
}
