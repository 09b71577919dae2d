#pragma once
// The message the system broadcasts when its set of audio devices changes.
// The panel answers it by posting itself MM_MIXM_LINE_CHANGE, so that the
// audio back-end is opened afresh.
#include "framework/Win32.h"

// Registered during static initialisation, before the application runs;
// never released. 0 if the registration failed.
extern const UINT deviceChangeMessage;

// True for the device-change message (never for 0, the id of WM_NULL, should
// the registration have failed).
bool IsDeviceChangeMessage(UINT message);
