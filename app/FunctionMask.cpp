#include "app/FunctionMask.h"

#include "controller/RegisterMap.h"

bool LockFunctionPresent(const std::optional<std::vector<uint8_t>>& haveKeypad) {
    return !(haveKeypad && !haveKeypad->empty() && haveKeypad->front() == 0);
}

void UpdateFunctionMask(PanelState& state, CMCU& controller, bool lockPresent) {
    uint8_t mask = 0;
    if (lockPresent)
        mask |= kFunctionLock;
    if (!state.extendedRegisters) {
        mask |= kFunctionDimming;
    } else {
        int32_t functions = 0;
        controller.ReadRegisterPersistent(REG_FUNCTION, functions);
        if (functions & 0x01)
            mask |= kFunctionDimming;
        if (functions & 0x02)
            mask |= kFunctionBuzzer;
    }
    uint8_t count = 0;
    for (uint8_t bits = mask; bits != 0; bits >>= 1)
        count += bits & 1;
    state.functionMask = mask;
    state.functionCount = count;
}
