#include "display/TrayIconLocator.h"

#include <cstring>
#include <vector>

#include <commctrl.h>

#include "display/TrayRecords.h"
#include "framework/Handle.h"

namespace {
// The shell answers each toolbar message within this, or the search ends:
// a hung shell must not hold the panel.
constexpr UINT kShellAnswerMs = 500;

bool HasClass(HWND window, const char* name) {
    char className[256] = "";
    GetClassNameA(window, className, 255);
    return std::strcmp(className, name) == 0;
}

BOOL FindChildOfClass(HWND window, LPARAM found, const char* name) {
    if (!HasClass(window, name))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

bool Ask(HWND toolbar, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& answer) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(toolbar, message, wParam, lParam, SMTO_ABORTIFHUNG, kShellAnswerMs,
                             &result))
        return false;
    answer = static_cast<LRESULT>(result);
    return true;
}

// Reads size bytes at address of the shell's process; false on a short read
// or an address this process cannot name.
bool ReadShell(HANDLE process, uint64_t address, void* into, size_t size) {
    if (address == 0 || address > UINTPTR_MAX)
        return false;
    SIZE_T read = 0;
    return ReadProcessMemory(process, reinterpret_cast<LPCVOID>(static_cast<uintptr_t>(address)),
                             into, size, &read) &&
           read == size;
}

// The layout of the shell's records: its own bitness; a 32-bit program on a
// 64-bit system reading a 64-bit shell uses the 64-bit layouts.
const TrayRecordLayout& ShellLayout(HANDLE process) {
    if (sizeof(void*) == 8)
        return kShell64Layout;
    BOOL selfUnder64 = FALSE, shellUnder64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &selfUnder64);
    IsWow64Process(process, &shellUnder64);
    return selfUnder64 && !shellUnder64 ? kShell64Layout : kShell32Layout;
}

// A block committed in another process for one search, released at the end.
class RemoteBlock {
public:
    RemoteBlock(HANDLE process, size_t size)
        : process_(process),
          address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
    ~RemoteBlock() {
        if (address_)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;
    void* Address() const { return address_; }
    LPARAM Param() const { return reinterpret_cast<LPARAM>(address_); }

private:
    HANDLE process_;
    void* address_;
};

bool SystemIconRect(HWND owner, UINT id, RECT& rect) {
    // Looked up at run time: systems before Windows 7 do not have it.
    using GetRectFunction = HRESULT(WINAPI*)(const NOTIFYICONIDENTIFIER*, RECT*);
    const HMODULE shell = GetModuleHandleA("shell32.dll");
    const auto getRect = shell ? reinterpret_cast<GetRectFunction>(reinterpret_cast<void*>(
                                     GetProcAddress(shell, "Shell_NotifyIconGetRect")))
                               : nullptr;
    if (!getRect)
        return false;
    NOTIFYICONIDENTIFIER icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = owner;
    icon.uID = id;
    RECT found{};
    if (getRect(&icon, &found) != S_OK)
        return false;
    rect = found;
    return true;
}
} // namespace

BOOL CALLBACK FindTrayNotifyChild(HWND window, LPARAM found) {
    return FindChildOfClass(window, found, "TrayNotifyWnd");
}

BOOL CALLBACK FindToolbarChild(HWND window, LPARAM found) {
    return FindChildOfClass(window, found, "ToolbarWindow32");
}

bool FindTrayIconRect(HWND owner, UINT id, RECT& rect) {
    return SystemIconRect(owner, id, rect) ||
           FindTrayIconRectIn(FindWindowA("Shell_TrayWnd", nullptr), owner, id, rect);
}

bool FindTrayIconRectIn(HWND taskBar, HWND owner, UINT id, RECT& rect) {
    if (!taskBar)
        return false;
    HWND notify = nullptr;
    EnumChildWindows(taskBar, FindTrayNotifyChild, reinterpret_cast<LPARAM>(&notify));
    if (!notify)
        return false;
    HWND toolbar = nullptr;
    if (IsWindow(notify))
        EnumChildWindows(notify, FindToolbarChild, reinterpret_cast<LPARAM>(&toolbar));
    if (!toolbar)
        toolbar = notify;

    DWORD processId = 0;
    GetWindowThreadProcessId(toolbar, &processId);
    if (!processId)
        return false;
    const KernelHandle process(
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId));
    if (!process.Get())
        return false;
    const TrayRecordLayout& layout = ShellLayout(process.Get());
    LRESULT count = 0;
    if (!Ask(toolbar, TB_BUTTONCOUNT, 0, 0, count))
        return false;
    const RemoteBlock block(process.Get(), layout.buttonSize);
    if (!block.Address() || count < 1)
        return false;

    const uint64_t ownerWord = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(owner));
    std::vector<uint8_t> button(layout.buttonSize);
    std::vector<uint8_t> icon(layout.iconSize);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT answer = 0;
        if (!Ask(toolbar, TB_GETBUTTON, static_cast<WPARAM>(i), block.Param(), answer))
            return false;
        if (!ReadShell(process.Get(), reinterpret_cast<uintptr_t>(block.Address()), button.data(),
                       button.size()))
            continue;
        const TrayButton parsed = ParseTrayButton(button.data(), layout);
        if (!ReadShell(process.Get(), parsed.iconRecord, icon.data(), icon.size()))
            continue;
        const TrayIconOwner iconOwner = ParseTrayIconOwner(icon.data(), layout);
        // Window handles are the same 32-bit values in 32- and 64-bit processes.
        if ((iconOwner.window & 0xFFFFFFFFu) != ownerWord || iconOwner.id != id)
            continue;
        if (parsed.hidden)
            return false;
        RECT found{};
        if (!Ask(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(i), block.Param(), answer) ||
            !ReadShell(process.Get(), reinterpret_cast<uintptr_t>(block.Address()), &found,
                       sizeof found))
            continue;
        MapWindowPoints(toolbar, nullptr, reinterpret_cast<POINT*>(&found), 2);
        rect = found;
        return true;
    }
    return false;
}
