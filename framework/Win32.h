#pragma once
// The one place that includes the Windows headers for the program's Win32 layer.
#include <windows.h>

#include <commctrl.h>
#include <mmsystem.h>
#include <objbase.h>
#include <shellapi.h>
