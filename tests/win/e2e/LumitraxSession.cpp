#include "LumitraxSession.h"

#include <atomic>
#include <cstdio>
#include <functional>

#include "tests/win/MessageBoxes.h"
#include "tests/win/StartProcess.h"

std::string BesideThisProgram(const std::string& name) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of("\\/") + 1) + name;
}

std::string ProgramBesideThisOne() {
    return "\"" + BesideThisProgram("Lumitrax.exe") + "\"";
}

namespace {
// Finds a top-level window of one process that passes a test.
struct FindWindowOf {
    DWORD processId;
    std::function<bool(HWND)> accept;
    HWND found = nullptr;

    HWND WaitFor(std::chrono::milliseconds timeout) {
        WaitUntil(
            [this] {
                EnumWindows(Match, reinterpret_cast<LPARAM>(this));
                return found != nullptr;
            },
            timeout);
        return found;
    }
    static BOOL CALLBACK Match(HWND window, LPARAM param) {
        auto* self = reinterpret_cast<FindWindowOf*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == self->processId && self->accept(window)) {
            self->found = window;
            return FALSE;
        }
        return TRUE;
    }
};
} // namespace

LumitraxSession::LumitraxSession(keypad::Profile profile) {
    // A controller block of this test's own, so that nothing left over from
    // another test is seen.
    static std::atomic<int> counter{0};
    const std::string name =
        "LumitraxE2E-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
    SetEnvironmentVariableA("GPIDLL_SIM_NAME", name.c_str());
    sim_ = KeypadSimClient::Open();
    if (sim_)
        sim_->Run([profile](keypad::KeypadModel& model, uint64_t) { model.Reset(profile); });
}

LumitraxProcess::~LumitraxProcess() {
    if (!info_.hProcess)
        return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
}

bool LumitraxProcess::Start(std::string commandLine, const std::string& currentDirectory) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (StartProcess(commandLine, false, 0,
                     currentDirectory.empty() ? nullptr : currentDirectory.c_str(), startup, info_))
        return true;
    std::fprintf(stderr, "CreateProcess %s failed, error %lu\n", commandLine.c_str(),
                 GetLastError());
    return false;
}

std::optional<DWORD> LumitraxProcess::WaitForExit(std::chrono::milliseconds timeout) {
    if (WaitForSingleObject(info_.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD status = 0;
    GetExitCodeProcess(info_.hProcess, &status);
    return status;
}

HWND LumitraxProcess::WaitForAnyMessageBox(std::chrono::milliseconds timeout) {
    FindWindowOf find{info_.dwProcessId, [](HWND window) {
                          return IsDialog(window) && GetDlgItem(window, 1002) == nullptr;
                      }};
    return find.WaitFor(timeout);
}

HWND LumitraxProcess::WaitForPanel(std::chrono::milliseconds timeout) {
    FindWindowOf find{info_.dwProcessId, [](HWND window) {
                          return IsDialog(window) && GetDlgItem(window, 1002) != nullptr;
                      }};
    return find.WaitFor(timeout);
}

HWND LumitraxProcess::WaitForMenu(std::chrono::milliseconds timeout) {
    FindWindowOf find{info_.dwProcessId, [](HWND window) {
                          char className[16] = "";
                          GetClassNameA(window, className, sizeof className);
                          return IsWindowVisible(window) && std::string(className) == "#32768";
                      }};
    return find.WaitFor(timeout);
}

HWND LumitraxProcess::WaitForMessageBox(const std::string& text,
                                        std::chrono::milliseconds timeout) {
    FindWindowOf find{info_.dwProcessId, [&text](HWND window) {
                          if (!IsDialog(window))
                              return false;
                          HWND child = nullptr;
                          while ((child = FindWindowExA(window, child, "Static", nullptr))) {
                              char shown[256] = "";
                              GetWindowTextA(child, shown, sizeof shown);
                              if (text == shown)
                                  return true;
                          }
                          return false;
                      }};
    return find.WaitFor(timeout);
}

bool LumitraxSession::StartAndWaitUntilPolling(std::chrono::milliseconds timeout,
                                               std::string commandLine) {
    const uint64_t before = LastSeq();
    return program_.Start(std::move(commandLine)) &&
           WaitFor('G', std::nullopt, before, timeout).has_value();
}

uint64_t LumitraxSession::LastSeq() {
    return sim_->Run([](keypad::KeypadModel& model, uint64_t) { return model.LastSeq(); });
}

std::vector<keypad::LogEntry> LumitraxSession::Entries(uint64_t afterSeq) {
    return sim_->Run(
        [afterSeq](keypad::KeypadModel& model, uint64_t) { return model.EntriesAfter(afterSeq); });
}

std::string LumitraxSession::Accesses(uint64_t afterSeq, bool withValues) {
    std::string out;
    for (const keypad::LogEntry& entry : Entries(afterSeq)) {
        if (entry.op != 'R' && entry.op != 'W')
            continue;
        if (!out.empty())
            out += ' ';
        out += entry.op + std::to_string(entry.reg);
        if (withValues && entry.op == 'W')
            out += '=' + std::to_string(entry.value);
    }
    return out;
}

std::optional<keypad::LogEntry> LumitraxSession::WaitFor(char op, std::optional<uint16_t> reg,
                                                         uint64_t afterSeq,
                                                         std::chrono::milliseconds timeout) {
    return sim_->WaitFor(keypad::LogPattern{op, reg}, afterSeq,
                         static_cast<uint32_t>(timeout.count()));
}

keypad::LogEntry LumitraxSession::Press(keypad::Key key) {
    return sim_->Run(
        [key](keypad::KeypadModel& model, uint64_t now) { return model.PressKey(key, now); });
}

// Runs xdotool, a program of the host, which Wine starts as it is; true
// when it succeeded. Wine gives no handle to wait on for a host program, so
// a shell writes xdotool's status into a file, which is waited for.
bool Xdotool(const std::string& arguments) {
    static int calls = 0;
    const std::string done = "/tmp/lumitrax-xdotool-" + std::to_string(GetCurrentProcessId()) +
                             "-" + std::to_string(++calls);
    std::string command = "/bin/sh -c \"/usr/bin/xdotool " + arguments + "; echo $? >" + done +
                          ".part; mv " + done + ".part " + done + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!StartProcess(command, false, 0, nullptr, startup, process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const std::string file = "Z:" + done;
    std::string status;
    WaitUntil(
        [&] {
            char text[16] = "";
            FILE* in = std::fopen(file.c_str(), "r");
            if (!in)
                return false;
            status = std::fgets(text, sizeof text, in) ? text : "";
            std::fclose(in);
            return true;
        },
        std::chrono::seconds(10));
    std::remove(file.c_str());
    return status == "0\n";
}

// A click on the middle of a control of the panel.
bool ClickControl(HWND panel, int id) {
    RECT r{};
    if (!GetWindowRect(GetDlgItem(panel, id), &r))
        return false;
    return Xdotool("mousemove " + std::to_string((r.left + r.right) / 2) + " " +
                   std::to_string((r.top + r.bottom) / 2) + " click 1");
}
