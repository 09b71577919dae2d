#include "commands/FirmwareRead.h"

#include "controller/RegisterMap.h"

void ReadFirmwareRegisters(CMCU& controller, FirmwareReport& report) {
    int32_t type = 0;
    if (controller.ReadRegister(REG_TYPE, type))
        report.type = type;
    for (int32_t* part : {&report.letter, &report.high, &report.low})
        if (!controller.ReadRegister(REG_RDNUM, *part))
            break;
}
