#include "display/TrayIconLocator.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include <commctrl.h>

#include "display/TrayPlacement.h"
#include "display/TrayRecords.h"
#include "framework/Handle.h"
#include "framework/LibraryLoading.h"

namespace {
// Each toolbar message waits at most kShellAnswerMs for the shell's answer,
// and the whole search at most kSearchMs however the shell answers: a slow,
// hung or hostile shell must not hold the panel.
constexpr DWORD kShellAnswerMs = 500;
constexpr DWORD kSearchMs = 1000;
// More buttons than a notification area holds: a larger count the shell
// reports is not believed.
constexpr LRESULT kMaxButtons = 512;

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

// The second one search may take, from its start.
class SearchTime {
public:
    SearchTime() : start_(GetTickCount()) {}
    // How long the next answer of the shell may take: what is left of the
    // search's time, at most kShellAnswerMs; 0 when the time is up.
    DWORD ForAnswer() const {
        const DWORD spent = GetTickCount() - start_; // also across the tick count's wrap
        return spent >= kSearchMs ? 0 : std::min(kShellAnswerMs, kSearchMs - spent);
    }

private:
    DWORD start_;
};

// Sends a toolbar message and waits at most waitMs for its answer; false
// when the shell has not answered (or there was no time to ask).
bool AskToolbar(HWND toolbar, UINT message, WPARAM wParam, LPARAM lParam, DWORD waitMs,
                LRESULT& answer) {
    DWORD_PTR result = 0;
    if (waitMs == 0 ||
        !SendMessageTimeoutA(toolbar, message, wParam, lParam, SMTO_ABORTIFHUNG, waitMs, &result))
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

// The shell's process, opened to commit, read and write the scratch block
// and to ask its bitness and whether it still runs (the limited query right
// is unknown before Vista).
HANDLE OpenShell(DWORD processId) {
    constexpr DWORD kMemory = PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE;
    const HANDLE process =
        OpenProcess(kMemory | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    return process ? process : OpenProcess(kMemory | PROCESS_QUERY_INFORMATION, FALSE, processId);
}

// The layout of the shell's records, by the shell's bitness; null when that
// cannot be had.
const TrayRecordLayout* ShellLayout(HANDLE process) {
    // Whether a process is a 32-bit one on a 64-bit system. Looked up at run
    // time (Windows XP has it from its second service pack); a system
    // without it is a 32-bit one.
    using IsWow64Function = BOOL(WINAPI*)(HANDLE, BOOL*);
    static const auto isWow64 = LoadedFunction<IsWow64Function>("kernel32.dll", "IsWow64Process");
    BOOL selfUnder64 = FALSE, shellUnder64 = FALSE;
    if (isWow64 &&
        (!isWow64(GetCurrentProcess(), &selfUnder64) || !isWow64(process, &shellUnder64)))
        return nullptr;
    const bool system64 = sizeof(void*) == 8 || selfUnder64;
    return system64 && !shellUnder64 ? &kShell64Layout : &kShell32Layout;
}

// Large enough for a button record of either layout and for a rectangle.
constexpr size_t kScratchSize = std::max(kShell64Layout.buttonSize, sizeof(RECT));

// The shell process the last search asked, and the scratch block the
// toolbar writes its answers into, committed there once and kept for later
// searches (a page). A message that names the block and is given up on
// stays queued in the shell, which writes its answer later; the shell
// answers one sender's messages in turn, so a later search that has its
// answer finds the earlier ones written. The block goes with its process;
// it is freed when a search finds another shell (or this program ends),
// unless a message naming it was ever given up on: that answer may still
// come, and the block is left to its process.
class ShellScratch {
public:
    ShellScratch() = default;
    ShellScratch(const ShellScratch&) = delete;
    ShellScratch& operator=(const ShellScratch&) = delete;
    ~ShellScratch() { Forget(); }

    // The shell process processId, kept from an earlier search while that
    // process runs, else opened (letting go of the one held); null when it
    // cannot be opened.
    HANDLE Open(DWORD processId) {
        if (process_.Get() && (processId_ != processId || !Runs()))
            Forget();
        if (!process_.Get()) {
            process_.Reset(OpenShell(processId));
            processId_ = processId;
        }
        return process_.Get();
    }
    // Commits the block unless it is there; false when it cannot be.
    bool Commit() {
        if (!address_)
            address_ = VirtualAllocEx(process_.Get(), nullptr, kScratchSize,
                                      MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        return address_ != nullptr;
    }
    // Sends message (index, block) to the toolbar, as AskToolbar.
    bool Ask(HWND toolbar, UINT message, WPARAM index, DWORD waitMs, LRESULT& answer) {
        if (AskToolbar(toolbar, message, index, reinterpret_cast<LPARAM>(address_), waitMs, answer))
            return true;
        answerDue_ = answerDue_ || waitMs > 0; // sent, and given up on
        return false;
    }
    bool Read(void* into, size_t size) const {
        return ReadShell(process_.Get(), reinterpret_cast<uintptr_t>(address_), into, size);
    }

private:
    // Whether the process held has not ended (it then still has its id).
    bool Runs() const {
        DWORD status = 0;
        return GetExitCodeProcess(process_.Get(), &status) && status == STILL_ACTIVE;
    }
    // Lets go of the process held, freeing the block where that is safe.
    void Forget() {
        if (address_ && !answerDue_ && Runs())
            VirtualFreeEx(process_.Get(), address_, 0, MEM_RELEASE);
        process_.Reset();
        processId_ = 0;
        address_ = nullptr;
        answerDue_ = false;
    }

    DWORD processId_ = 0;
    KernelHandle process_;
    void* address_ = nullptr;
    bool answerDue_ = false;
};

// Takes found as the icon's screen rectangle when it can be one (see
// IsTrayIconRect).
bool TakeIconRect(const RECT& found, RECT& rect) {
    const int screenX = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int screenY = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const PixelRect screen{screenX, screenY, screenX + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                           screenY + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    if (!IsTrayIconRect({found.left, found.top, found.right, found.bottom}, screen))
        return false;
    rect = found;
    return true;
}

bool SystemIconRect(HWND owner, UINT id, RECT& rect) {
    // Looked up at run time: systems before Windows 7 do not have it.
    using GetRectFunction = HRESULT(WINAPI*)(const NOTIFYICONIDENTIFIER*, RECT*);
    const auto getRect = LoadedFunction<GetRectFunction>("shell32.dll", "Shell_NotifyIconGetRect");
    if (!getRect)
        return false;
    NOTIFYICONIDENTIFIER icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = owner;
    icon.uID = id;
    RECT found{};
    return getRect(&icon, &found) == S_OK && TakeIconRect(found, rect);
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
    const SearchTime time;
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
    // One search at a time asks the shell.
    static std::mutex lock;
    static ShellScratch shell;
    const std::lock_guard<std::mutex> hold(lock);
    const HANDLE process = shell.Open(processId);
    if (!process)
        return false;
    const TrayRecordLayout* layout = ShellLayout(process);
    LRESULT count = 0;
    if (!layout || !AskToolbar(toolbar, TB_BUTTONCOUNT, 0, 0, time.ForAnswer(), count) ||
        count < 1 || !shell.Commit())
        return false;

    const uint64_t ownerWord = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(owner));
    std::vector<uint8_t> button(layout->buttonSize);
    std::vector<uint8_t> icon(layout->iconSize);
    for (LRESULT i = 0; i < std::min(count, kMaxButtons); ++i) {
        LRESULT answer = FALSE;
        if (!shell.Ask(toolbar, TB_GETBUTTON, static_cast<WPARAM>(i), time.ForAnswer(), answer))
            return false;
        if (!answer || !shell.Read(button.data(), button.size()))
            continue;
        const TrayButton parsed = ParseTrayButton(button.data(), *layout);
        if (!ReadShell(process, parsed.iconRecord, icon.data(), icon.size()))
            continue;
        const TrayIconOwner iconOwner = ParseTrayIconOwner(icon.data(), *layout);
        // Window handles are the same 32-bit values in 32- and 64-bit processes.
        if ((iconOwner.window & 0xFFFFFFFFu) != ownerWord || iconOwner.id != id)
            continue;
        if (parsed.hidden)
            return false;
        if (!shell.Ask(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(i), time.ForAnswer(), answer))
            return false;
        RECT found{};
        if (!answer || !shell.Read(&found, sizeof found))
            continue;
        MapWindowPoints(toolbar, nullptr, reinterpret_cast<POINT*>(&found), 2);
        if (TakeIconRect(found, rect))
            return true;
    }
    return false;
}
