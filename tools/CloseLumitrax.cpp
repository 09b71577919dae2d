// CloseLumitrax.dll: the installer package's custom actions.
//
// CloseRunningCopies and CloseCopiesInOtherSessions end the running copies
// of Lumitrax before their files are replaced or removed. Each copy is
// closed the way the program documents it: WM_CLOSE to its panel (the
// top-level window of the process that holds the level slider), after which
// it removes its tray icon and hook and exits; the closing side waits for it,
// bounded. Windows only lists a session's windows to programs of that
// session, so the installer's own session is closed by the immediate action
// itself, and every other session by a closer started in it: the deferred
// action, which runs as the system, starts this library's
// CloseCopiesInThisSession through rundll32 with the session user's token.
// A copy that cannot be closed or has not ended in time is never ended by
// force: the action names it in the installer's log (and on screen where the
// installation has a user interface), and its files are replaced or removed
// when Windows restarts.
//
// StartLumitrax starts the installed program after an installation with a
// user interface, with the rights of the user's shell rather than the
// installer's elevated ones.
//
// Everything here is there on Windows XP except CreateProcessWithTokenW,
// which is looked up when it is needed (only where a token can be elevated).
#include <windows.h>

#include <msi.h>
#include <msiquery.h>
#include <sddl.h>
#include <tlhelp32.h>
#include <wtsapi32.h>

#include <algorithm>
#include <list>
#include <map>
#include <optional>
#include <string>

#include "framework/Handle.h"
#include "framework/LibraryLoading.h"
#include "res/resource.h"

// This library's module, as the linker names it.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {
constexpr DWORD kCloseTimeoutMs = 10000;
// A copy that is still starting has no panel yet: look for it again this often.
constexpr DWORD kLookAgainMs = 100;
// How much longer than its own bound a closer in another session may take
// (to start, and to end once its wait is over).
constexpr DWORD kCloserSlackMs = 5000;
constexpr DWORD kUnknownSession = MAXDWORD;

struct RunningCopy {
    DWORD id = 0;
    DWORD session = kUnknownSession;
    KernelHandle process; // null when it could not be opened
    DWORD openError = ERROR_SUCCESS;
    bool asked = false;              // WM_CLOSE was posted to its panel
    DWORD postError = ERROR_SUCCESS; // why the last post failed, while not asked
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

void Warn(MSIHANDLE install, const std::wstring& text) {
    Report(install, static_cast<INSTALLMESSAGE>(INSTALLMESSAGE_WARNING | MB_OK), text);
}

std::wstring ErrorText(DWORD error) {
    return L"error " + std::to_wstring(error);
}

DWORD SessionOf(DWORD processId) {
    DWORD session = 0;
    return ProcessIdToSessionId(processId, &session) ? session : kUnknownSession;
}

std::wstring SessionName(DWORD session) {
    return session == kUnknownSession ? L"an unknown session"
                                      : L"session " + std::to_wstring(session);
}

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH] = L"";
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    return length && length < MAX_PATH ? folder : L"C:\\Windows\\System32";
}

// Every running Lumitrax.exe, with its session; an error when the running
// programs could not be listed.
DWORD FindRunningCopies(std::list<RunningCopy>& copies) {
    const KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (snapshot.Get() == INVALID_HANDLE_VALUE)
        return GetLastError();
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        if (lstrcmpiW(entry.szExeFile, L"Lumitrax.exe") != 0)
            continue;
        const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID);
        const DWORD openError = process ? ERROR_SUCCESS : GetLastError();
        if (openError == ERROR_INVALID_PARAMETER)
            continue; // it ended meanwhile
        RunningCopy& copy = copies.emplace_back();
        copy.id = entry.th32ProcessID;
        copy.session = SessionOf(copy.id);
        copy.process.Reset(process);
        copy.openError = openError;
    }
    return ERROR_SUCCESS;
}

// FindRunningCopies for an installer action, which warns when the running
// programs could not be listed: which names the copies left running then.
std::list<RunningCopy> RunningCopiesFor(MSIHANDLE install, const wchar_t* which) {
    std::list<RunningCopy> copies;
    const DWORD error = FindRunningCopies(copies);
    if (error != ERROR_SUCCESS)
        Warn(install, L"The running programs could not be listed (" + ErrorText(error) + L"): " +
                          which +
                          L" is not closed, and its files are replaced or removed when Windows "
                          L"restarts.");
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

// Keeps the copies of session only, asks each to close once its panel is
// found, and waits until all of them have ended or the time is up; notes
// which copies have ended.
void CloseAndWait(std::list<RunningCopy>& copies, DWORD session) {
    copies.remove_if([session](const RunningCopy& copy) { return copy.session != session; });
    const DWORD start = GetTickCount();
    for (;;) {
        HANDLE waitOn = nullptr;
        for (RunningCopy& copy : copies) {
            copy.ended = copy.ended || HasEnded(copy);
            if (copy.ended || !copy.process.Get())
                continue;
            if (!copy.asked) {
                const HWND panel = FindPanel(copy.id);
                copy.asked = panel && PostMessageW(panel, WM_CLOSE, 0, 0);
                if (panel && !copy.asked)
                    copy.postError = GetLastError();
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

// Why a copy closed in its own session is still running.
std::wstring WhyStillRunning(const RunningCopy& copy) {
    if (!copy.process.Get())
        return L"it cannot be opened (" + ErrorText(copy.openError) + L")";
    if (copy.asked)
        return L"it did not end within " + std::to_wstring(kCloseTimeoutMs / 1000) +
               L" seconds of the request to close";
    if (copy.postError != ERROR_SUCCESS)
        return L"the request to close could not be posted to its panel (" +
               ErrorText(copy.postError) + L")";
    return L"no panel window of it was found";
}

// Reports each copy as closed or as still running and why; true when one is
// still running.
template <class Why>
bool ReportCopies(MSIHANDLE install, const std::list<RunningCopy>& copies, Why why) {
    bool stillRunning = false;
    for (const RunningCopy& copy : copies) {
        const std::wstring process = L"Lumitrax (process " + std::to_wstring(copy.id) + L" in " +
                                     SessionName(copy.session) + L")";
        if (copy.ended) {
            Report(install, INSTALLMESSAGE_INFO, process + L" was closed.");
            continue;
        }
        Warn(install, process + L" is still running: " + why(copy) +
                          L". It is not ended by force: its files are replaced or removed when "
                          L"Windows restarts.");
        stillRunning = true;
    }
    return stillRunning;
}

// A copy of this library for the closers in other sessions: rundll32 loads
// it with a user's rights, and the file the installer unpacked for this
// action need not be readable by users. It lies in a new folder of its own
// that the system and administrators may change and every signed-in user may
// read; both go again with this object.
class LibraryForClosers {
public:
    LibraryForClosers() = default;
    LibraryForClosers(const LibraryForClosers&) = delete;
    LibraryForClosers& operator=(const LibraryForClosers&) = delete;
    ~LibraryForClosers() {
        if (!path_.empty() && !DeleteFileW(path_.c_str()))
            MoveFileExW(path_.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        if (!folder_.empty() && !RemoveDirectoryW(folder_.c_str()))
            MoveFileExW(folder_.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }

    // Makes the copy; an error when it could not be made.
    DWORD Make() {
        wchar_t temp[MAX_PATH] = L"";
        const DWORD tempLength = GetTempPathW(MAX_PATH, temp);
        if (!tempLength || tempLength >= MAX_PATH)
            return tempLength ? ERROR_BUFFER_OVERFLOW : GetLastError();
        wchar_t source[MAX_PATH] = L"";
        const DWORD sourceLength =
            GetModuleFileNameW(reinterpret_cast<HMODULE>(&__ImageBase), source, MAX_PATH);
        if (!sourceLength || sourceLength >= MAX_PATH)
            return sourceLength ? ERROR_BUFFER_OVERFLOW : GetLastError();
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
                L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;GRGX;;;AU)", SDDL_REVISION_1,
                &descriptor, nullptr))
            return GetLastError();
        SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
        // A new folder: one that exists already may have been made by anyone.
        DWORD error = ERROR_ALREADY_EXISTS;
        for (int attempt = 0; attempt < 16 && error == ERROR_ALREADY_EXISTS; ++attempt) {
            const std::wstring folder =
                temp + (L"Lumitrax-closer-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(attempt));
            error = CreateDirectoryW(folder.c_str(), &attributes) ? ERROR_SUCCESS : GetLastError();
            if (error == ERROR_SUCCESS)
                folder_ = folder;
        }
        LocalFree(descriptor);
        if (error != ERROR_SUCCESS)
            return error;
        const std::wstring path = folder_ + L"\\CloseLumitrax.dll";
        if (!CopyFileW(source, path.c_str(), TRUE))
            return GetLastError();
        path_ = path;
        return ERROR_SUCCESS;
    }

    const std::wstring& Path() const { return path_; }

private:
    std::wstring folder_;
    std::wstring path_;
};

// Starts CloseCopiesInThisSession in a session, as its user, on the desktop
// the user sees; an error when it could not be started.
DWORD StartCloser(DWORD session, const std::wstring& library, KernelHandle& closer) {
    HANDLE token = nullptr;
    if (!WTSQueryUserToken(session, &token))
        return GetLastError();
    const KernelHandle userToken(token);
    // A 32-bit library needs the 32-bit rundll32: in a 32-bit process on
    // 64-bit Windows the system folder's name leads to the 32-bit one.
    const std::wstring system = SystemFolder();
    const std::wstring program = system + L"\\rundll32.exe";
    std::wstring command = L"\"" + program + L"\" \"" + library + L"\",CloseCopiesInThisSession";
    wchar_t desktop[] = L"winsta0\\default";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.lpDesktop = desktop;
    PROCESS_INFORMATION started{};
    // The system's environment is inherited: the closer reads none of it.
    if (!CreateProcessAsUserW(userToken.Get(), program.c_str(), command.data(), nullptr, nullptr,
                              FALSE, 0, nullptr, system.c_str(), &startup, &started))
        return GetLastError();
    CloseHandle(started.hThread);
    closer.Reset(started.hProcess);
    return ERROR_SUCCESS;
}

// Waits for the closers, bounded by their own wait and some slack; one that
// has not ended by then is stopped (it is ours, and holds the library copy).
void WaitForClosers(std::map<DWORD, KernelHandle>& closers) {
    const DWORD start = GetTickCount();
    for (auto& [session, closer] : closers) {
        const DWORD elapsed = GetTickCount() - start;
        const DWORD budget = kCloseTimeoutMs + kCloserSlackMs;
        if (WaitForSingleObject(closer.Get(), elapsed < budget ? budget - elapsed : 0) !=
            WAIT_OBJECT_0) {
            TerminateProcess(closer.Get(), ERROR_TIMEOUT);
            WaitForSingleObject(closer.Get(), kCloserSlackMs);
        }
    }
}

bool IsElevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    const KernelHandle owned(token);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    // Before Vista there is no elevation, and the question fails.
    return GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated;
}

// The user's shell: its desktop window, else (a shell that has none, such as
// Wine's) the task bar that holds the tray, which the program lives in.
HWND ShellWindow() {
    const HWND shell = GetShellWindow();
    return shell ? shell : FindWindowW(L"Shell_TrayWnd", nullptr);
}

// A primary token of the process of the user's shell (its window given): the
// user's own rights where this process has the elevated ones. An error when
// it cannot be had.
DWORD ShellToken(HWND shell, KernelHandle& token) {
    DWORD shellId = 0;
    if (!GetWindowThreadProcessId(shell, &shellId))
        return GetLastError();
    const KernelHandle shellProcess(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, shellId));
    HANDLE processToken = nullptr;
    if (!shellProcess.Get() ||
        !OpenProcessToken(shellProcess.Get(), TOKEN_DUPLICATE, &processToken))
        return GetLastError();
    const KernelHandle ownedProcessToken(processToken);
    HANDLE primary = nullptr;
    if (!DuplicateTokenEx(processToken,
                          TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY |
                              TOKEN_ADJUST_DEFAULT | TOKEN_ADJUST_SESSIONID,
                          nullptr, SecurityImpersonation, TokenPrimary, &primary))
        return GetLastError();
    token.Reset(primary);
    return ERROR_SUCCESS;
}

// Starts a program in a folder, with a token when one is given; an error when
// it could not be started.
DWORD StartProgram(const std::wstring& program, const std::wstring& folder, HANDLE token) {
    std::wstring command = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    BOOL done = FALSE;
    if (token) {
        const auto createWithToken = LoadedFunction<decltype(&CreateProcessWithTokenW)>(
            "advapi32.dll", "CreateProcessWithTokenW");
        if (!createWithToken)
            return ERROR_PROC_NOT_FOUND;
        done = createWithToken(token, 0, program.c_str(), command.data(), 0, nullptr,
                               folder.c_str(), &startup, &started);
    } else {
        done = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              folder.c_str(), &startup, &started);
    }
    if (!done)
        return GetLastError();
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return ERROR_SUCCESS;
}

// A formatted installer string such as "[#LumitraxExe]" (the installed path
// of that file).
std::wstring Formatted(MSIHANDLE install, const wchar_t* text) {
    const MSIHANDLE record = MsiCreateRecord(0);
    if (!record)
        return {};
    MsiRecordSetStringW(record, 0, text);
    wchar_t result[MAX_PATH] = L"";
    DWORD size = MAX_PATH;
    const UINT status = MsiFormatRecordW(install, record, result, &size);
    MsiCloseHandle(record);
    return status == ERROR_SUCCESS ? result : L"";
}
} // namespace

// The entry points, exported undecorated by CloseLumitrax.def, as the
// installer and rundll32 look them up.

// The immediate action: closes the copies of the installer's own session and
// tells the deferred action, through its CustomActionData, which session
// that was.
extern "C" UINT WINAPI CloseRunningCopies(MSIHANDLE install) {
    const DWORD ourSession = SessionOf(GetCurrentProcessId());
    const UINT told = MsiSetPropertyW(install, L"CloseCopiesInOtherSessions",
                                      std::to_wstring(ourSession).c_str());
    if (told != ERROR_SUCCESS)
        Report(install, INSTALLMESSAGE_INFO,
               L"The session of the installer could not be passed on (" + ErrorText(told) +
                   L"): its copies are also asked to close from the system.");
    std::list<RunningCopy> copies = RunningCopiesFor(install, L"a running Lumitrax");
    CloseAndWait(copies, ourSession);
    if (ReportCopies(install, copies, WhyStillRunning))
        MsiSetMode(install, MSIRUNMODE_REBOOTATEND, TRUE);
    return ERROR_SUCCESS;
}

// The deferred action, run as the system: closes the copies of every other
// session through a closer started in each, and waits for the closers.
// (A deferred action cannot ask for the restart itself; Windows Installer
// does, as it finds the files of a copy that still runs in use.)
extern "C" UINT WINAPI CloseCopiesInOtherSessions(MSIHANDLE install) {
    std::optional<DWORD> installerSession;
    wchar_t data[32] = L"";
    DWORD size = 32;
    if (MsiGetPropertyW(install, L"CustomActionData", data, &size) == ERROR_SUCCESS && *data)
        installerSession = wcstoul(data, nullptr, 10);
    std::list<RunningCopy> copies =
        RunningCopiesFor(install, L"a running Lumitrax of another session");
    copies.remove_if([installerSession](const RunningCopy& copy) {
        return copy.session == installerSession || HasEnded(copy);
    });
    if (copies.empty())
        return ERROR_SUCCESS;

    LibraryForClosers library;
    const DWORD libraryError = library.Make();
    std::map<DWORD, KernelHandle> closers;
    std::map<DWORD, DWORD> startErrors;
    for (const RunningCopy& copy : copies) {
        if (copy.session == kUnknownSession || closers.count(copy.session) ||
            startErrors.count(copy.session))
            continue;
        const DWORD startError =
            libraryError != ERROR_SUCCESS
                ? libraryError
                : StartCloser(copy.session, library.Path(), closers[copy.session]);
        if (startError != ERROR_SUCCESS) {
            closers.erase(copy.session);
            startErrors[copy.session] = startError;
        }
    }
    WaitForClosers(closers);

    for (RunningCopy& copy : copies)
        copy.ended = HasEnded(copy);
    ReportCopies(install, copies, [&startErrors](const RunningCopy& copy) {
        if (!copy.process.Get())
            return WhyStillRunning(copy);
        if (copy.session == kUnknownSession)
            return std::wstring(L"its session cannot be read, so no request to close reaches it");
        if (startErrors.count(copy.session))
            return L"no closer could be started in its session (" +
                   ErrorText(startErrors.at(copy.session)) + L")";
        return L"it did not end within " + std::to_wstring(kCloseTimeoutMs / 1000) +
               L" seconds of the request to close made in its session";
    });
    return ERROR_SUCCESS;
}

// The closer, run by rundll32 in a session of its own: asks the copies of
// this session to close and waits for them, bounded.
extern "C" void CALLBACK CloseCopiesInThisSession(HWND, HINSTANCE, LPSTR, int) {
    const DWORD ourSession = SessionOf(GetCurrentProcessId());
    std::list<RunningCopy> copies;
    FindRunningCopies(copies);
    CloseAndWait(copies, ourSession);
}

// Starts the installed program for the user who ran an installation with a
// user interface, with the rights of the user's shell: a program started
// with the installer's elevated token would be cut off from the shell's tray
// messages and from the close requests of a later, unelevated installer.
// Its current folder is the system folder, as at a start at log-on.
extern "C" UINT WINAPI StartLumitrax(MSIHANDLE install) {
    const std::wstring program = Formatted(install, L"[#LumitraxExe]");
    const bool elevated = IsElevated();
    KernelHandle token;
    std::wstring failure; // why it was not started
    if (program.empty()) {
        failure = L"the installed program was not found";
    } else if (!elevated) {
        if (const DWORD error = StartProgram(program, SystemFolder(), nullptr))
            failure = ErrorText(error);
    } else if (const HWND shell = ShellWindow(); !shell) {
        failure = L"the installer runs elevated, and there is no shell whose rights it could take";
    } else if (const DWORD error = ShellToken(shell, token)) {
        failure = L"the installer runs elevated, and the rights of the user's shell could not be "
                  L"taken (" +
                  ErrorText(error) + L")";
    } else if (const DWORD error = StartProgram(program, SystemFolder(), token.Get())) {
        failure = ErrorText(error);
    }
    // Into the log only: the installation itself has succeeded, and a box
    // would hold up an unattended installation with a progress bar (/qb).
    Report(install, INSTALLMESSAGE_INFO,
           !failure.empty()
               ? L"Lumitrax was not started: " + failure + L". It starts at the next log-on."
           : elevated ? L"Lumitrax was started with the rights of the user's shell."
                      : L"Lumitrax was started.");
    return ERROR_SUCCESS;
}
