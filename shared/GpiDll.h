#pragma once
// The five functions of the keypad controller's driver library, as our
// simulated driver exports them: undecorated names, C calling convention (a
// build with GPIDLL_STDCALL uses the standard call, as some drivers do; the
// program binds either).
#include <cstdint>

#include "shared/SmbRequest.h"

#ifdef _WIN32
#ifdef GPIDLL_STDCALL
#define GPIDLL_CALL __stdcall
#else
#define GPIDLL_CALL __cdecl
#endif
#ifdef GPIDLL_BUILDING
#define GPIDLL_API extern "C" __declspec(dllexport)
#else
#define GPIDLL_API extern "C" __declspec(dllimport)
#endif
#else
#define GPIDLL_CALL
#define GPIDLL_API extern "C"
#endif

GPIDLL_API uint32_t GPIDLL_CALL GPIDLL_Open(void);
// Nonzero (low byte) is success; *level is 0 when the controller has news.
GPIDLL_API uint32_t GPIDLL_CALL GPIDLL_GetValue(uint32_t handle, uint8_t* level);
GPIDLL_API uint32_t GPIDLL_CALL ReadByte(uint32_t handle, SmbRequest* request);
GPIDLL_API uint32_t GPIDLL_CALL WriteByte(uint32_t handle, SmbRequest* request);
GPIDLL_API uint32_t GPIDLL_CALL GetDriverDllVersion(uint32_t handle, uint8_t* driverVersion,
                                                    uint8_t* libraryVersion);
