#include "framework/Dialog.h"

namespace {
// The dialog being created on this thread: messages that arrive before
// WM_INITDIALOG (WM_SIZE at creation) still reach their object.
thread_local CDialog* creating = nullptr;
// The dialog window's own procedure while CreationProc stands in front of it.
thread_local WNDPROC creationSuper = nullptr;
} // namespace

// The system sends the messages of a window's creation (WM_SIZE among them)
// before the dialog procedure is installed. A hook sees the dialog's window
// come into being and puts CreationProc in front of it until then.
LRESULT CALLBACK CDialog::CreationHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && creating && !creating->window_) {
        const HWND window = reinterpret_cast<HWND>(wParam);
        creating->window_ = window;
        creationSuper = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CreationProc)));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK CDialog::CreationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC super = creationSuper;
    if (GetWindowLongPtrA(window, DWLP_DLGPROC)) {
        // The dialog procedure is in place: it sees everything from now on.
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
        creationSuper = nullptr;
    } else if (creating) {
        LRESULT result = 0;
        if (creating->OnMessage(message, wParam, lParam, result))
            return result;
    }
    return CallWindowProcA(super, window, message, wParam, lParam);
}

CDialog::CDialog(UINT templateId) : templateId_(templateId) {}

CDialog::~CDialog() {
    if (window_)
        DestroyWindow(window_);
}

INT_PTR CDialog::DoModal() {
    ended_ = false;
    creating = this;
    const HHOOK hook = SetWindowsHookExA(WH_CBT, CreationHook, nullptr, GetCurrentThreadId());
    HWND window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_),
                                     nullptr, DialogProc, reinterpret_cast<LPARAM>(this));
    if (hook)
        UnhookWindowsHookEx(hook);
    creating = nullptr;
    if (!window) {
        // The hook may have seen a window that the failed creation destroyed
        // again: that handle names nothing of this dialog's.
        window_ = nullptr;
        return -1;
    }
    // A modal dialog shows itself whatever its template says (a window that
    // must stay hidden refuses the show in its WM_WINDOWPOSCHANGING).
    ShowWindow(window_, SW_SHOWNORMAL);
    MSG msg;
    while (!ended_) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0)
                PostQuitMessage(static_cast<int>(msg.wParam)); // leave WM_QUIT to the caller
            break;
        }
        if (!PreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    DestroyWindow(window_);
    window_ = nullptr;
    return result_;
}

void CDialog::EndDialog(INT_PTR result) {
    result_ = result;
    ended_ = true;
    if (window_)
        PostMessageA(window_, WM_NULL, 0, 0); // wake the loop
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    return window_ && IsDialogMessageA(window_, msg);
}

bool CDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) {
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(LOWORD(wParam));
        return true;
    }
    return false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        self->window_ = window;
        return self->OnInitDialog();
    }
    if (!self) {
        self = creating;
        if (!self)
            return FALSE;
        self->window_ = window;
    }
    LRESULT result = 0;
    if (!self->OnMessage(message, wParam, lParam, result))
        return FALSE;
    SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
    return TRUE;
}
