#pragma once
// The firmware box's reads of the controller: the type register, then the
// three bytes of register 24 in a row, the first failing read ending them.
#include "commands/VersionTexts.h"
#include "controller/CMCU.h"

// Fills what report holds of registers 22 and 24; what could not be read
// stays as it was (no type, 0 for the bytes).
void ReadFirmwareRegisters(CMCU& controller, FirmwareReport& report);
