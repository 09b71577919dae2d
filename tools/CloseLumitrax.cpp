// CloseLumitrax.dll: the installer package's custom action that ends the
// running copies of Lumitrax before their files are replaced or removed.
//
// Each copy is closed the way the program documents it: WM_CLOSE to its panel
// (the top-level window of the process that holds the level slider), after
// which it removes its tray icon and hook and exits. The action waits for
// every copy, bounded. A copy it cannot reach (one of another session, whose
// windows this desktop does not list) or that has not ended in time is never
// ended by force: the action names it in the installer's log and on screen
// and asks for a restart, at which the installer finishes with the files that
// were in use.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>
#include <tlhelp32.h>

#include <algorithm>
#include <list>
#include <string>

#include "framework/Handle.h"
#include "res/resource.h"

namespace {
constexpr DWORD kCloseTimeoutMs = 10000;
// A copy that is still starting has no panel yet: look for it again this often.
constexpr DWORD kLookAgainMs = 100;

struct RunningCopy {
    DWORD id = 0;
    KernelHandle process;
    bool reachable = false; // its windows are on this desktop
    bool asked = false;     // WM_CLOSE was posted to its panel
    bool ended = false;
};

// Writes a line into the installer's log, or shows it as a warning where the
// installation has a user interface.
void Report(MSIHANDLE install, INSTALLMESSAGE kind, const std::wstring& text) {
    const MSIHANDLE record = MsiCreateRecord(1);
    if (!record)
        return;
    MsiRecordSetStringW(record, 0, L"[1]");
    MsiRecordSetStringW(record, 1, text.c_str());
    MsiProcessMessage(install, kind, record);
    MsiCloseHandle(record);
}

DWORD SessionOf(DWORD processId) {
    DWORD session = 0;
    return ProcessIdToSessionId(processId, &session) ? session : MAXDWORD;
}

// Every running Lumitrax.exe.
std::list<RunningCopy> FindRunningCopies() {
    std::list<RunningCopy> copies;
    const KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (snapshot.Get() == INVALID_HANDLE_VALUE)
        return copies;
    const DWORD ourSession = SessionOf(GetCurrentProcessId());
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        if (lstrcmpiW(entry.szExeFile, L"Lumitrax.exe") != 0)
            continue;
        const HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                           entry.th32ProcessID);
        if (!process && GetLastError() == ERROR_INVALID_PARAMETER)
            continue; // it ended meanwhile
        RunningCopy& copy = copies.emplace_back();
        copy.id = entry.th32ProcessID;
        copy.process.Reset(process);
        copy.reachable = process && SessionOf(copy.id) == ourSession;
    }
    return copies;
}

struct PanelSearch {
    DWORD processId;
    HWND panel;
};

BOOL CALLBACK MatchPanel(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<PanelSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !GetDlgItem(window, IDC_LEVEL_SLIDER))
        return TRUE;
    search->panel = window;
    return FALSE;
}

// The panel of a process: its top-level window with the level slider (not a
// hidden owner window the process may also have).
HWND FindPanel(DWORD processId) {
    PanelSearch search{processId, nullptr};
    EnumWindows(MatchPanel, reinterpret_cast<LPARAM>(&search));
    return search.panel;
}

bool HasEnded(const RunningCopy& copy) {
    return copy.process.Get() && WaitForSingleObject(copy.process.Get(), 0) == WAIT_OBJECT_0;
}

// Asks each reachable copy to close once its panel is found, and waits until
// all of them have ended or the time is up; notes which copies have ended.
void CloseAndWait(std::list<RunningCopy>& copies) {
    const DWORD start = GetTickCount();
    for (;;) {
        HANDLE waitOn = nullptr;
        for (RunningCopy& copy : copies) {
            copy.ended = copy.ended || HasEnded(copy);
            if (copy.ended || !copy.reachable)
                continue;
            if (!copy.asked) {
                const HWND panel = FindPanel(copy.id);
                copy.asked = panel && PostMessageW(panel, WM_CLOSE, 0, 0);
            }
            if (!waitOn)
                waitOn = copy.process.Get();
        }
        const DWORD elapsed = GetTickCount() - start;
        if (!waitOn || elapsed >= kCloseTimeoutMs)
            return;
        WaitForSingleObject(waitOn, std::min(kLookAgainMs, kCloseTimeoutMs - elapsed));
    }
}

std::wstring WhyStillRunning(const RunningCopy& copy) {
    if (!copy.process.Get())
        return L"it cannot be opened";
    if (!copy.reachable)
        return L"it runs in session " + std::to_wstring(SessionOf(copy.id)) +
               L", whose windows the installer cannot reach";
    if (!copy.asked)
        return L"no panel window of it was found";
    return L"it did not end within " + std::to_wstring(kCloseTimeoutMs / 1000) +
           L" seconds of the request to close";
}
} // namespace

// Exported undecorated by CloseLumitrax.def, as the installer looks it up.
extern "C" UINT WINAPI CloseRunningCopies(MSIHANDLE install) {
    std::list<RunningCopy> copies = FindRunningCopies();
    CloseAndWait(copies);
    bool restartNeeded = false;
    for (const RunningCopy& copy : copies) {
        const std::wstring process = L"Lumitrax (process " + std::to_wstring(copy.id) + L")";
        if (copy.ended) {
            Report(install, INSTALLMESSAGE_INFO, process + L" was closed.");
            continue;
        }
        Report(install, static_cast<INSTALLMESSAGE>(INSTALLMESSAGE_WARNING | MB_OK),
               process + L" is still running: " + WhyStillRunning(copy) +
                   L". It is not ended by force: its files are replaced or removed when "
                   L"Windows restarts.");
        restartNeeded = true;
    }
    if (restartNeeded)
        MsiSetMode(install, MSIRUNMODE_REBOOTATEND, TRUE);
    return ERROR_SUCCESS;
}
