// SystemHook.dll: low-level mouse and keyboard hooks on a thread of the
// library's own (such hooks are called through the installing thread's
// message loop). The hook procedures only look and post, then pass the
// input on at once, so that a slow or hung panel never holds the system's
// input. Set, unset and the question may come from any thread.
#include "shared/SystemHook.h"

#include <atomic>
#include <mutex>

#include "shared/PanelMessages.h"

namespace {

// How long UnsetHook waits for the hook thread to end.
constexpr DWORD kThreadEndMs = 5000;

HMODULE g_module = nullptr;

// What the hook procedures read; written under g_target, which a procedure
// holds only to copy it.
struct Target {
    HWND window = nullptr;
    RECT rect{};
    POINT cursor{}; // where the cursor was when the hook was set
};
std::mutex g_target;
Target g_current;
std::atomic<bool> g_wakePosted{false};

// Serialises SetHook and UnsetHook.
std::mutex g_control;
HANDLE g_thread = nullptr;
DWORD g_threadId = 0;
std::atomic<bool> g_set{false};

Target CurrentTarget() {
    std::lock_guard<std::mutex> lock(g_target);
    return g_current;
}

bool IsEmpty(const RECT& r) {
    return r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0;
}

void Post(HWND window, UINT message) {
    if (window && IsWindow(window))
        PostMessageA(window, message, 0, 0);
}

// The first input of any kind wakes the backlight, once per hook.
void WakeOnce(const Target& target) {
    if (IsEmpty(target.rect) && !g_wakePosted.exchange(true))
        Post(target.window, WM_HOOK_WAKE);
}

// A move that leaves the cursor where it stood when the hook was set is no
// input of the person's: the window system reports one when the window under
// the cursor goes (the panel hiding as the backlight goes off).
bool MovesNowhere(WPARAM message, const MSLLHOOKSTRUCT& input, const Target& target) {
    return message == WM_MOUSEMOVE && input.pt.x == target.cursor.x &&
           input.pt.y == target.cursor.y;
}

bool IsButtonDown(WPARAM message) {
    return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN ||
           message == WM_XBUTTONDOWN;
}

LRESULT CALLBACK MouseProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const Target target = CurrentTarget();
        const MSLLHOOKSTRUCT& input = *reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        if (IsEmpty(target.rect)) {
            if (!MovesNowhere(wParam, input, target))
                WakeOnce(target);
        } else if (IsButtonDown(wParam)) {
            if (!PtInRect(&target.rect, input.pt))
                Post(target.window, WM_PANEL_HIDE);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION)
        WakeOnce(CurrentTarget());
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// What the hook thread reports once it has tried to set the hooks.
struct Start {
    HANDLE ready;
    DWORD error;
};

DWORD WINAPI HookThread(void* param) {
    Start& start = *static_cast<Start*>(param);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // this thread's queue, for WM_QUIT
    const HHOOK mouse = SetWindowsHookExA(WH_MOUSE_LL, MouseProc, g_module, 0);
    const DWORD mouseError = mouse ? 0 : GetLastError();
    const HHOOK keyboard =
        mouse ? SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardProc, g_module, 0) : nullptr;
    start.error = mouse ? (keyboard ? 0 : GetLastError()) : mouseError;
    if (start.error == 0 && !keyboard)
        start.error = ERROR_HOOK_NOT_INSTALLED;
    const bool running = start.error == 0;
    SetEvent(start.ready); // start is the caller's: not touched after this
    if (running) {
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
    }
    if (keyboard)
        UnhookWindowsHookEx(keyboard);
    if (mouse)
        UnhookWindowsHookEx(mouse);
    return 0;
}

// Ends the hook thread; the caller holds g_control. A thread that does not
// end keeps counting as the hook (it may still be in place): IsHookSet says
// so, and no second one is started.
bool StopThread() {
    if (!g_thread)
        return true;
    PostThreadMessageA(g_threadId, WM_QUIT, 0, 0);
    if (WaitForSingleObject(g_thread, kThreadEndMs) != WAIT_OBJECT_0) {
        SetLastError(ERROR_TIMEOUT);
        return false;
    }
    g_set = false;
    CloseHandle(g_thread);
    g_thread = nullptr;
    g_threadId = 0;
    return true;
}

} // namespace

SYSTEMHOOK_API BOOLEAN __cdecl SetHook(HWND window, const RECT* rect) {
    std::lock_guard<std::mutex> control(g_control);
    POINT cursor{};
    GetCursorPos(&cursor);
    {
        std::lock_guard<std::mutex> lock(g_target);
        g_current.window = window;
        g_current.rect = rect ? *rect : RECT{};
        g_current.cursor = cursor;
    }
    g_wakePosted = false;
    if (g_set || g_thread)
        return TRUE; // the hook in place takes the new window and rectangle
    // The hook thread runs this library's code: it stays loaded from now on.
    HMODULE pinned = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCSTR>(&HookThread), &pinned);
    Start start{CreateEventA(nullptr, TRUE, FALSE, nullptr), 0};
    if (!start.ready)
        return FALSE; // GetLastError holds CreateEvent's reason
    g_thread = CreateThread(nullptr, 0, HookThread, &start, 0, &g_threadId);
    if (!g_thread) {
        const DWORD error = GetLastError();
        CloseHandle(start.ready);
        SetLastError(error);
        return FALSE;
    }
    // The thread sets it on every path. (Not to be called under the loader
    // lock, from DllMain: the thread could not start.)
    WaitForSingleObject(start.ready, INFINITE);
    CloseHandle(start.ready);
    if (start.error != 0) {
        WaitForSingleObject(g_thread, INFINITE); // it ends at once
        CloseHandle(g_thread);
        g_thread = nullptr;
        g_threadId = 0;
        SetLastError(start.error);
        return FALSE;
    }
    g_set = true;
    return TRUE;
}

SYSTEMHOOK_API BOOLEAN __cdecl UnsetHook(void) {
    std::lock_guard<std::mutex> control(g_control);
    return StopThread() ? TRUE : FALSE;
}

SYSTEMHOOK_API BOOLEAN __cdecl IsHookSet(void) {
    return g_set ? TRUE : FALSE;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    // When the process ends with the hook set, the system removes the hooks
    // with their thread; nothing is left to undo here.
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
