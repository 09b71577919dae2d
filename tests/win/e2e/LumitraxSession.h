#pragma once
// One run of Lumitrax.exe against a simulated controller of its own: the
// test holds the controller's shared block, starts the program beside this
// test program, and looks at the controller's access log and the panel.
#include <windows.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "drivers/KeypadSimClient.h"
#include "tests/win/WaitUntil.h"

// A file in the folder of this test program, which holds the program and
// its libraries.
std::string BesideThisProgram(const std::string& name);
// The copy of the program beside this test program, as a command line.
std::string ProgramBesideThisOne();

// A started copy of Lumitrax.exe; ended by force if it still runs when the
// object goes.
class LumitraxProcess {
public:
    LumitraxProcess() = default;
    LumitraxProcess(const LumitraxProcess&) = delete;
    LumitraxProcess& operator=(const LumitraxProcess&) = delete;
    ~LumitraxProcess();
    // Starts the program with a command line (as the Run value of an
    // installed copy holds it, for one), in currentDirectory (this
    // program's unless named).
    bool Start(std::string commandLine = ProgramBesideThisOne(),
               const std::string& currentDirectory = "");
    // Its exit status, or nothing when it has not ended within the timeout.
    std::optional<DWORD> WaitForExit(std::chrono::milliseconds timeout);
    DWORD Id() const { return info_.dwProcessId; }
    // The panel dialog, once it exists.
    HWND WaitForPanel(std::chrono::milliseconds timeout);
    // A message box of this process showing text, once it is up.
    HWND WaitForMessageBox(const std::string& text, std::chrono::milliseconds timeout);
    // Any dialog of this process other than its panel (a message box, the
    // About box), once one is up.
    HWND WaitForAnyMessageBox(std::chrono::milliseconds timeout);
    // A popup menu of this process (the tray menu), once one is shown.
    HWND WaitForMenu(std::chrono::milliseconds timeout);

private:
    PROCESS_INFORMATION info_{};
};

class LumitraxSession {
public:
    // A fresh controller with the given profile, not yet used by anyone.
    explicit LumitraxSession(keypad::Profile profile);

    KeypadSimClient& Sim() { return *sim_; }

    // The copy of the program this session started first.
    LumitraxProcess& Program() { return program_; }
    // Starts the program and waits for its first input-line read: start-up
    // is over then. False when it did not get that far in time.
    bool StartAndWaitUntilPolling(std::chrono::milliseconds timeout,
                                  std::string commandLine = ProgramBesideThisOne());

    uint64_t LastSeq();
    // Register accesses after seq as "R18 R25 W9=4", input-line reads left out.
    std::string Accesses(uint64_t afterSeq, bool withValues = false);
    std::vector<keypad::LogEntry> Entries(uint64_t afterSeq);
    // Waits for a log entry after seq: op and register (any when empty).
    std::optional<keypad::LogEntry> WaitFor(char op, std::optional<uint16_t> reg, uint64_t afterSeq,
                                            std::chrono::milliseconds timeout);
    keypad::LogEntry Press(keypad::Key key);

private:
    std::unique_ptr<KeypadSimClient> sim_;
    LumitraxProcess program_;
};

// Runs xdotool on the desktop the program shows on; true when it succeeded.
bool Xdotool(const std::string& arguments);
// A click on the middle of a control of the panel.
bool ClickControl(HWND panel, int id);
