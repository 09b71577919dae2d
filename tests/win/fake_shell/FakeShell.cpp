// A stand-in for the shell's task bar, for the tray icon locator's tests and
// benchmark: a visible top-level window of class "Shell_TrayWnd", a child of
// class "TrayNotifyWnd" and in it a common-controls toolbar whose buttons'
// data words point at icon records (owner window, icon id) in this process,
// as the shell's do.
//
//   FakeShell.exe NAME [OPTION...] [BUTTON...]
//
// OPTION changes how the toolbar answers, as a slow, broken or hostile
// shell's would:
//   --late=MS                      TB_GETBUTTON and TB_GETITEMRECT are
//                                  answered (and written) MS ms late
//   --count=N                      TB_BUTTONCOUNT answers N
//   --rect=false                   TB_GETITEMRECT answers FALSE
//   --rect=L,T,R,B                 TB_GETITEMRECT writes that rectangle
// BUTTON is one of
//   owner=0x1234,id=100[,hidden]   a button for that icon (hidden: the
//                                  TBSTATE_HIDDEN state bit set)
//   bad                            a button whose data word is 0x10
//   freed                          a button whose data word points at a
//                                  region that was committed and released
// The toolbar's client area starts at (130, 207) on the screen and its
// buttons are 24 x 22 pixels, side by side from its left edge. Once the windows are up the event
// "NAME-ready" (made by the starter) is set; WM_CLOSE to the task bar window ends the program. Exit
// status: 0 after WM_CLOSE, 2 on a bad command line, 3 when a window or the event cannot be had,
// 4 when an answer was due in a block no longer committed in this process (the caller freed it
// under the toolbar; the write is then not made).
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
constexpr int kTaskBarX = 100, kTaskBarY = 200;
constexpr int kNotifyX = 20, kNotifyY = 4;   // in the task bar
constexpr int kToolbarX = 10, kToolbarY = 3; // in the notification window
constexpr int kButtonWidth = 24, kButtonHeight = 22;

// The first fields of the shell's record for a notification icon.
struct IconRecord {
    HWND owner;
    UINT id;
};

struct ButtonSpec {
    enum Kind { Icon, Bad, Freed } kind = Icon;
    uintptr_t owner = 0;
    UINT id = 0;
    bool hidden = false;
};

// How the toolbar answers (see the options above).
struct Answers {
    DWORD lateMs = 0;
    LRESULT count = -1; // -1: the toolbar's own
    bool rectFalse = false;
    bool rectGiven = false;
    RECT rect{};
};
Answers answers;
WNDPROC toolbarProc = nullptr;
bool answerIntoFreedBlock = false;

// "--late=MS", "--count=N", "--rect=false" or "--rect=L,T,R,B"; false when it is none.
bool ParseOption(const std::string& text) {
    if (text.rfind("--late=", 0) == 0) {
        answers.lateMs = std::strtoul(text.c_str() + 7, nullptr, 0);
        return true;
    }
    if (text.rfind("--count=", 0) == 0) {
        answers.count = static_cast<LRESULT>(std::strtoll(text.c_str() + 8, nullptr, 0));
        return true;
    }
    if (text == "--rect=false") {
        answers.rectFalse = true;
        return true;
    }
    long l = 0, t = 0, r = 0, b = 0;
    if (text.rfind("--rect=", 0) == 0 &&
        std::sscanf(text.c_str() + 7, "%ld,%ld,%ld,%ld", &l, &t, &r, &b) == 4) {
        answers.rectGiven = true;
        answers.rect = {l, t, r, b};
        return true;
    }
    return false;
}

// Whether a block of size bytes at address is committed and writable here.
bool Writable(LPARAM address, size_t size) {
    MEMORY_BASIC_INFORMATION region{};
    if (!address ||
        VirtualQuery(reinterpret_cast<LPCVOID>(address), &region, sizeof region) != sizeof region)
        return false;
    const uintptr_t end = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
    return region.State == MEM_COMMIT && (region.Protect & PAGE_READWRITE) &&
           static_cast<uintptr_t>(address) + size <= end;
}

// The toolbar's answers as the options make them; a block to write into is
// checked when the answer is written, as late as that is.
LRESULT CALLBACK ToolbarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case TB_BUTTONCOUNT:
        if (answers.count >= 0)
            return answers.count;
        break;
    case TB_GETBUTTON:
    case TB_GETITEMRECT:
        if (answers.lateMs)
            Sleep(answers.lateMs); // busy elsewhere, as a shell's thread can be
        if (!Writable(lParam, message == TB_GETBUTTON ? sizeof(TBBUTTON) : sizeof(RECT))) {
            answerIntoFreedBlock = true;
            return FALSE;
        }
        if (message == TB_GETITEMRECT && (answers.rectFalse || answers.rectGiven)) {
            if (answers.rectFalse)
                return FALSE;
            *reinterpret_cast<RECT*>(lParam) = answers.rect;
            return TRUE;
        }
        break;
    }
    return CallWindowProcA(toolbarProc, window, message, wParam, lParam);
}

// "owner=0x1234,id=100[,hidden]", "bad" or "freed"; false when it is none.
bool ParseButton(const std::string& text, ButtonSpec& spec) {
    if (text == "bad" || text == "freed") {
        spec.kind = text == "bad" ? ButtonSpec::Bad : ButtonSpec::Freed;
        return true;
    }
    bool haveOwner = false, haveId = false;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        if (item.rfind("owner=", 0) == 0) {
            spec.owner = static_cast<uintptr_t>(std::strtoull(item.c_str() + 6, nullptr, 0));
            haveOwner = true;
        } else if (item.rfind("id=", 0) == 0) {
            spec.id = static_cast<UINT>(std::strtoul(item.c_str() + 3, nullptr, 0));
            haveId = true;
        } else if (item == "hidden") {
            spec.hidden = true;
        } else {
            return false;
        }
        start = comma + 1;
    }
    return haveOwner && haveId;
}

// An address that was committed and released again, so that reading it fails.
uintptr_t FreedAddress() {
    void* block = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    VirtualFree(block, 0, MEM_RELEASE);
    return reinterpret_cast<uintptr_t>(block);
}

LRESULT CALLBACK TaskBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterWindowClass(const char* name, WNDPROC procedure, HINSTANCE instance) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = name;
    return RegisterClassA(&windowClass) != 0;
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (__argc < 2)
        return 2;
    int first = 2;
    while (first < __argc && std::strncmp(__argv[first], "--", 2) == 0) {
        if (!ParseOption(__argv[first++]))
            return 2;
    }
    std::vector<ButtonSpec> specs(static_cast<size_t>(__argc - first));
    for (size_t i = 0; i < specs.size(); ++i) {
        if (!ParseButton(__argv[first + i], specs[i]))
            return 2;
    }
    // Sized once, so that the buttons' data words stay valid.
    std::vector<IconRecord> records(specs.size());
    std::vector<TBBUTTON> buttons(specs.size());
    for (size_t i = 0; i < specs.size(); ++i) {
        const ButtonSpec& spec = specs[i];
        records[i] = {reinterpret_cast<HWND>(spec.owner), spec.id};
        TBBUTTON& button = buttons[i];
        button.iBitmap = I_IMAGENONE;
        button.idCommand = static_cast<int>(1000 + i);
        button.fsState = TBSTATE_ENABLED | (spec.hidden ? TBSTATE_HIDDEN : 0);
        button.fsStyle = BTNS_BUTTON;
        button.iString = -1;
        button.dwData = spec.kind == ButtonSpec::Bad     ? 0x10
                        : spec.kind == ButtonSpec::Freed ? FreedAddress()
                                                         : reinterpret_cast<DWORD_PTR>(&records[i]);
    }

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    if (!RegisterWindowClass("Shell_TrayWnd", TaskBarProc, instance) ||
        !RegisterWindowClass("TrayNotifyWnd", DefWindowProcA, instance))
        return 3;
    const HWND taskBar =
        CreateWindowExA(WS_EX_TOOLWINDOW, "Shell_TrayWnd", "", WS_POPUP | WS_VISIBLE, kTaskBarX,
                        kTaskBarY, 600, 40, nullptr, nullptr, instance, nullptr);
    const HWND notify = CreateWindowExA(0, "TrayNotifyWnd", "", WS_CHILD | WS_VISIBLE, kNotifyX,
                                        kNotifyY, 560, 32, taskBar, nullptr, instance, nullptr);
    const HWND toolbar = CreateWindowExA(
        0, TOOLBARCLASSNAMEA, "",
        WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER,
        kToolbarX, kToolbarY, 540, 26, notify, nullptr, instance, nullptr);
    if (!taskBar || !notify || !toolbar)
        return 3;
    SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(16, 16));
    if (!buttons.empty())
        SendMessageA(toolbar, TB_ADDBUTTONSA, buttons.size(),
                     reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageA(toolbar, TB_SETBUTTONSIZE, 0, MAKELPARAM(kButtonWidth, kButtonHeight));
    toolbarProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        toolbar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(static_cast<WNDPROC>(ToolbarProc))));
    if (!toolbarProc)
        return 3;
    UpdateWindow(taskBar);

    const std::string readyName = std::string(__argv[1]) + "-ready";
    const HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, readyName.c_str());
    if (!ready || !SetEvent(ready))
        return 3;
    CloseHandle(ready);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return answerIntoFreedBlock ? 4 : 0;
}
