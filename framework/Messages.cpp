#include "framework/Messages.h"

#include <string>

void ShowMessage(HWND owner, const char* text) {
    MessageBoxA(owner, text, kAppName, MB_OK);
}

void Trace(const char* text) {
    std::string line = std::string(kAppName) + ": " + text + "\n";
    OutputDebugStringA(line.c_str());
}
