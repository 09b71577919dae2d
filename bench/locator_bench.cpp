// Times one search for the program's tray icon in a task bar of 36 icons,
// the program's one last: FakeShell.exe (from this program's folder) holds
// the toolbar in another process, as the shell does. Prints the median and
// the 99th percentile over many searches, and whether every search found
// the icon.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "display/TrayIconLocator.h"

namespace {
// As many as stand side by side on a 1024-pixel desktop from FakeShell's
// toolbar (a rectangle off the screen is no icon's).
constexpr int kIcons = 36;
constexpr int kSearches = 500;
constexpr UINT kId = 100;
constexpr double kTargetUs = 2000;

struct TaskBarSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindTaskBarOf(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<TaskBarSearch*>(param);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    if (processId != search.processId || std::string(className) != "Shell_TrayWnd")
        return TRUE;
    search.found = window;
    return FALSE;
}

// Starts FakeShell.exe with arguments and waits until its windows are up;
// its task bar window, or null.
HWND StartFakeShell(const std::string& arguments, PROCESS_INFORMATION& process) {
    const std::string name = "LocatorBench" + std::to_string(GetCurrentProcessId());
    const HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, (name + "-ready").c_str());
    char path[MAX_PATH];
    const std::string self(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    std::string command = "\"" + self.substr(0, self.find_last_of('\\') + 1) + "FakeShell.exe\" " +
                          name + " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        CloseHandle(ready);
        return nullptr;
    }
    const HANDLE either[] = {ready, process.hProcess};
    const DWORD woken = WaitForMultipleObjects(2, either, FALSE, 20000);
    CloseHandle(ready);
    if (woken != WAIT_OBJECT_0)
        return nullptr;
    TaskBarSearch search{process.dwProcessId, nullptr};
    EnumWindows(FindTaskBarOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void StopFakeShell(HWND taskBar, const PROCESS_INFORMATION& process) {
    if (!process.hProcess)
        return;
    if (taskBar)
        PostMessageA(taskBar, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 5000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}
} // namespace

int main() {
    // The program's icon belongs to a window of this process; the others to
    // other owners with the same id.
    const HWND owner =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    std::string arguments;
    char button[64];
    for (int i = 1; i < kIcons; ++i) {
        std::snprintf(button, sizeof button, "owner=0x%x,id=%u ", 0x10000 + 2 * i, kId);
        arguments += button;
    }
    std::snprintf(button, sizeof button, "owner=0x%llx,id=%u",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(owner)), kId);
    arguments += button;

    PROCESS_INFORMATION process{};
    const HWND taskBar = StartFakeShell(arguments, process);
    if (!taskBar) {
        std::printf("FakeShell.exe cannot be started beside this program\n");
        StopFakeShell(nullptr, process);
        return 1;
    }

    RECT rect{};
    int missed = FindTrayIconRectIn(taskBar, owner, kId, rect) ? 0 : 1; // once before timing
    std::vector<double> times;
    times.reserve(kSearches);
    for (int i = 0; i < kSearches; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const bool found = FindTrayIconRectIn(taskBar, owner, kId, rect);
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        if (!found)
            ++missed;
    }
    // What the search's calls into the shell's process cost one by one on
    // this system: it sends one toolbar message per button (and one more)
    // and makes two reads of the shell's memory per button.
    const HWND notify = FindWindowExA(taskBar, nullptr, "TrayNotifyWnd", nullptr);
    const HWND toolbar = FindWindowExA(notify, nullptr, "ToolbarWindow32", nullptr);
    const HANDLE shell = OpenProcess(PROCESS_VM_READ, FALSE, process.dwProcessId);
    uint8_t probe[20];
    SIZE_T read = 0;
    const auto perCall = [](auto call) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 200; ++i)
            call();
        return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                   .count() /
               200;
    };
    const double messageUs = perCall([&] {
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(toolbar, TB_BUTTONCOUNT, 0, 0, SMTO_ABORTIFHUNG, 500, &answer);
    });
    const double readUs = perCall([&] {
        ReadProcessMemory(shell, reinterpret_cast<LPCVOID>(GetModuleHandleA(nullptr)), probe,
                          sizeof probe, &read);
    });
    if (shell)
        CloseHandle(shell);
    StopFakeShell(taskBar, process);
    DestroyWindow(owner);

    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    const double p99 = times[times.size() * 99 / 100];
    std::printf("tray icon search among %d icons, the program's last, %d searches:\n", kIcons,
                kSearches);
    std::printf("  median: %10.1f us\n", median);
    std::printf("  p99:    %10.1f us\n", p99);
    std::printf("  target: under %.0f us: %s\n", kTargetUs, p99 < kTargetUs ? "met" : "NOT met");
    std::printf("  icon found every time: %s\n", missed == 0 ? "yes" : "NO");
    std::printf("  calls into the shell per search: %d messages, %d memory reads; here one\n"
                "  message costs %.0f us and one read %.0f us, together %.0f us of the search\n",
                kIcons + 1, 2 * kIcons, messageUs, readUs,
                (kIcons + 1) * messageUs + 2 * kIcons * readUs);
    return missed == 0 ? 0 : 1;
}
