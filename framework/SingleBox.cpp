#include "framework/SingleBox.h"

namespace {
// The box being opened on this thread, until its window is made.
thread_local SingleBox* opening = nullptr;
} // namespace

// The first top-level window that open makes, apart from disabled ones (the
// system's own helper windows), is the box; the hook goes once it is known.
LRESULT CALLBACK SingleBox::CreationHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && opening) {
        const LONG style = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs->style;
        if (!(style & (WS_CHILD | WS_DISABLED))) {
            opening->window_ = reinterpret_cast<HWND>(wParam);
            opening->Unhook();
            opening = nullptr;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void SingleBox::Unhook() {
    if (hook_)
        UnhookWindowsHookEx(hook_);
    hook_ = nullptr;
}

bool SingleBox::BringToFront() {
    if (!up_)
        return false;
    if (window_) {
        SetForegroundWindow(window_);
        BringWindowToTop(window_);
    }
    return true;
}

void SingleBox::Show(const std::function<void()>& open) {
    if (BringToFront())
        return;
    up_ = true;
    opening = this;
    hook_ = SetWindowsHookExA(WH_CBT, CreationHook, nullptr, GetCurrentThreadId());
    open();
    Unhook(); // a box that was never made
    opening = nullptr;
    window_ = nullptr;
    up_ = false;
}
