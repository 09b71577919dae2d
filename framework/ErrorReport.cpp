#include "framework/ErrorReport.h"

#include "framework/UiQueue.h"

void ShowMessageBox(HWND owner, const char* text) {
    MessageBoxA(owner, text, kAppName, MB_OK);
}

void Trace(const char* text) {
    const std::string line = std::string(kAppName) + ": " + text + "\n";
    OutputDebugStringA(line.c_str());
}

void MessageBoxSink::ShowError(const std::string& text) {
    const HWND owner = owner_;
    if (!owner || GetWindowThreadProcessId(owner, nullptr) == GetCurrentThreadId()) {
        ShowMessageBox(owner, text.c_str());
        return;
    }
    queue_.Post([this, text] { ShowMessageBox(owner_, text.c_str()); });
}
