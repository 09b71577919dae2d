#include "framework/Dialog.h"

#include <optional>

#include "framework/ErrorReport.h"

namespace {
// The dialog being created on this thread: messages that arrive before
// WM_INITDIALOG (WM_SIZE at creation) still reach their object.
thread_local CDialog* creating = nullptr;
// The dialog window's own procedure while CreationProc stands in front of it.
thread_local WNDPROC creationSuper = nullptr;
// The outermost dialog running modally on this thread.
thread_local CDialog* threadDialog = nullptr;
// Set while one of our dialogs asks IsDialogMessage about a message: the
// system hands that message to the thread's message filters first, and our
// loop has given it to the outermost dialog already.
thread_local bool askingDialogManager = false;

bool IsInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
}

// A window's destruction sends these, never posts them: one taken from the
// queue was posted by someone and would have a window (a control that frees
// its pictures, detaches its procedure) act as if destroyed while it lives on.
bool IsPostedDestruction(const MSG& msg) {
    return msg.message == WM_DESTROY || msg.message == WM_NCDESTROY;
}

// Other programs may post or send anything to this window as to any other:
// it neither closes nor shows itself.
LRESULT CALLBACK HiddenOwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        return 0;
    case WM_WINDOWPOSCHANGING:
        reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The owner of a dialog given none, for its run: a task bar shows buttons
// for shown windows that no window owns, and Wine's even for tool windows.
class HiddenOwner {
public:
    HiddenOwner() {
        static const ATOM registered = [] {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = HiddenOwnerProc;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.lpszClassName = kClassName;
            return RegisterClassA(&windowClass);
        }();
        if (registered)
            window_ = CreateWindowExA(0, kClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
        if (!window_)
            Trace("a dialog goes without its hidden owner: a task bar may show it");
    }
    ~HiddenOwner() {
        if (window_)
            DestroyWindow(window_);
    }
    HiddenOwner(const HiddenOwner&) = delete;
    HiddenOwner& operator=(const HiddenOwner&) = delete;
    HWND Get() const { return window_; }

private:
    static constexpr const char* kClassName = "HiddenDialogOwner";
    HWND window_ = nullptr;
};
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

// The loops of message boxes and menus are the system's: it hands each of
// their messages to the thread's message filters, and this one drops a
// posted destruction and hands the rest to the outermost dialog. In a menu
// the keys and the mouse are the menu's.
LRESULT CALLBACK CDialog::MessageFilter(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0) {
        auto* msg = reinterpret_cast<MSG*>(lParam);
        const bool boxLoop = code == MSGF_DIALOGBOX || code == MSGF_MESSAGEBOX;
        if (IsPostedDestruction(*msg))
            return TRUE;
        if (askingDialogManager) {
            askingDialogManager = false; // only the one message our loop has had
        } else if (threadDialog && !threadDialog->Ended() && (boxLoop || !IsInput(msg->message)) &&
                   threadDialog->PreTranslateMessage(msg)) {
            return TRUE;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

CDialog::CDialog(UINT templateId) : templateId_(templateId) {}

CDialog::~CDialog() {
    Destroy();
}

void CDialog::Destroy() {
    if (!window_)
        return;
    destroying_ = true;
    DestroyWindow(window_);
    destroying_ = false;
    window_ = nullptr;
}

INT_PTR CDialog::DoModal(HWND owner) {
    ended_ = false;
    std::optional<HiddenOwner> hiddenOwner;
    if (!owner)
        owner = hiddenOwner.emplace().Get();
    creating = this;
    const HHOOK hook = SetWindowsHookExA(WH_CBT, CreationHook, nullptr, GetCurrentThreadId());
    HWND window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_),
                                     owner, DialogProc, reinterpret_cast<LPARAM>(this));
    if (hook)
        UnhookWindowsHookEx(hook);
    creating = nullptr;
    if (!window) {
        // The hook may have seen a window that the failed creation destroyed
        // again: that handle names nothing of this dialog's.
        window_ = nullptr;
        return -1;
    }
    const bool outermost = threadDialog == nullptr;
    HHOOK filter = nullptr;
    if (outermost) {
        threadDialog = this;
        filter = SetWindowsHookExA(WH_MSGFILTER, MessageFilter, nullptr, GetCurrentThreadId());
        if (!filter)
            Trace("the dialog does not see the messages of message boxes and menus");
    }
    // A modal dialog shows itself whatever its template says (a window that
    // must stay hidden refuses the show in its WM_WINDOWPOSCHANGING).
    ShowWindow(window_, SW_SHOWNORMAL);
    MSG msg;
    while (!Ended()) {
        // A dialog ends by EndDialog only. WM_QUIT (0) is posted by the
        // outermost dialog's end to end the message boxes nested in its
        // run, which this loop then ends as well, or else by another
        // program: it is dropped.
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got < 0)
            break;
        if (got > 0 && !PreTranslateOnThread(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (outermost) {
        if (filter)
            UnhookWindowsHookEx(filter);
        threadDialog = nullptr;
        // The quit of the end, when no loop of the system took it.
        PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
    Destroy(); // before its hidden owner, whose end would take it along
    return result_;
}

void CDialog::EndDialog(INT_PTR result) {
    result_ = result;
    ended_ = true;
    if (window_)
        PostMessageA(window_, WM_NULL, 0, 0); // wake the loop
    if (this == threadDialog) {
        // A message box's loop ends on the quit; a menu's may drop it (Wine's
        // does), so a menu the thread tracks is ended as such.
        PostQuitMessage(0);
        EndMenu();
    }
}

bool CDialog::Ended() const {
    return ended_ || (threadDialog && threadDialog->ended_);
}

BOOL CDialog::PreTranslateOnThread(MSG* msg) {
    if (IsPostedDestruction(*msg))
        return TRUE;
    if (threadDialog && threadDialog != this && threadDialog->PreTranslateMessage(msg))
        return TRUE;
    return PreTranslateMessage(msg);
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    if (!window_)
        return FALSE;
    askingDialogManager = true;
    const BOOL handled = IsDialogMessageA(window_, msg);
    askingDialogManager = false;
    return handled;
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
    // Only the window's own destruction (or a failed creation) makes these;
    // one that is posted would have the dialog manager release the dialog's
    // font and state while it runs on.
    if ((message == WM_DESTROY || message == WM_NCDESTROY) && !self->destroying_ &&
        self != creating)
        return TRUE;
    LRESULT result = 0;
    if (!self->OnMessage(message, wParam, lParam, result))
        return FALSE;
    SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
    return TRUE;
}
