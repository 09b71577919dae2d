// The installer package as integrators use it, under Wine in a prefix of
// these tests' own, with the simulated driver in the system folder (where a
// driver's package puts it). The packages, this build's version in "new" and
// an older one in "old", each with the program it carries beside it, are in
// the folder LUMITRAX_TEST_PACKAGES names.
//
// Not shown here, because Wine has one session and one user without
// integrity levels: the deferred action that closes the copies of other
// sessions finds none (so WTSQueryUserToken, the library copy and
// CreateProcessAsUserW never run), and StartLumitrax, which takes its
// elevated path here (Wine's token counts as elevated), cannot show that the
// program then runs with the shell's lesser rights. That code is kept small
// and checked by reading (tools/CloseLumitrax.cpp); the closer the deferred
// action starts in each session is run here in this one.
#include <windows.h>

#include <msi.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "tests/win/ShellIcon.h"
#include "tests/win/e2e/LumitraxSession.h"

using namespace std::chrono_literals;

namespace {
constexpr auto kStartTimeout = 30s; // a cold Wine start of the first program is slow
const std::string kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kKeypadKey = "SOFTWARE\\Qor\\Keypad";

struct PackageFile {
    std::string path;    // quoted
    std::string version; // as its name, Lumitrax-VERSION[-win64].msi, carries it
    std::string program; // the Lumitrax.exe it carries
};

std::string Packages() {
    const char* dir = std::getenv("LUMITRAX_TEST_PACKAGES");
    return "Z:" + std::string(dir ? dir : "/none") + "/";
}

PackageFile PackageIn(const char* folder) {
    const std::string dir = Packages() + folder + "/";
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((dir + "Lumitrax-*.msi").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return {};
    FindClose(search);
    const std::string name = found.cFileName;
    const std::string version = name.substr(9, name.size() - 13);
    return {"\"" + dir + name + "\"", version.substr(0, version.find('-')), dir + "Lumitrax.exe"};
}

// msiexec's exit status, or nothing when it did not end in time (the first
// run in a prefix starts the installer's services). Each run leaves its log
// beside the packages.
std::optional<DWORD> Msiexec(const std::string& arguments) {
    static int runs = 0;
    std::string command = "msiexec " + arguments + " /norestart /l*v \"" + Packages() +
                          testing::UnitTest::GetInstance()->current_test_info()->name() +
                          std::to_string(++runs) + ".log\"";
    LumitraxProcess msiexec; // the started process of any program
    return msiexec.Start(command) ? msiexec.WaitForExit(180s) : std::nullopt;
}

std::string ReadString(const std::string& key, const char* name) {
    char value[1024] = "";
    DWORD size = sizeof value;
    RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size);
    return value;
}

// The product codes of the entries named Lumitrax in Programs and Features.
std::vector<std::string> LumitraxEntries() {
    std::vector<std::string> codes;
    HKEY uninstall = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey.c_str(), 0, KEY_READ, &uninstall);
    char code[256];
    for (DWORD i = 0, size = sizeof code;
         RegEnumKeyExA(uninstall, i, code, &size, nullptr, nullptr, nullptr, nullptr) == 0;
         ++i, size = sizeof code)
        if (ReadString(kUninstallKey + code, "DisplayName") == "Lumitrax")
            codes.push_back(code);
    RegCloseKey(uninstall);
    return codes;
}

std::string InstallDir() {
    char dir[MAX_PATH];
    ExpandEnvironmentStringsA("%ProgramFiles%\\Lumitrax\\", dir, MAX_PATH);
    return dir;
}

std::string SystemFolder() {
    char dir[MAX_PATH];
    GetSystemDirectoryA(dir, MAX_PATH);
    return dir;
}

std::string SystemDriver() {
    return SystemFolder() + "\\GPIDLL.dll";
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

int RunningCopies() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        count += lstrcmpiA(entry.szExeFile, "Lumitrax.exe") == 0;
    CloseHandle(snapshot);
    return count;
}

// Suspends (hold) or resumes every thread of a process; false when one
// could not be reached.
bool HoldThreadsOf(DWORD processId, bool hold) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    bool all = true;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != processId)
            continue;
        const HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
        all = all && thread &&
              (hold ? SuspendThread(thread) : ResumeThread(thread)) != static_cast<DWORD>(-1);
        if (thread)
            CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return all;
}

class Package : public testing::Test {
protected:
    // What the panel PC holds besides the package: the driver library and
    // the integrator's setting. Each test starts with nothing installed.
    void SetUp() override {
        ASSERT_TRUE(CopyFileA(BesideThisProgram("GPIDLL.dll").c_str(), SystemDriver().c_str(), 0));
        // In the 32-bit view, where the program reads it.
        HKEY keypad = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeypadKey.c_str(), 0, nullptr, 0,
                                  KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &keypad, nullptr),
                  0);
        const DWORD withLock = 1;
        EXPECT_EQ(RegSetValueExA(keypad, "HaveKeypad", 0, REG_DWORD,
                                 reinterpret_cast<const BYTE*>(&withLock), sizeof withLock),
                  0);
        RegCloseKey(keypad);
        ASSERT_FALSE(older.version.empty() || newer.version.empty()) << "packages missing";
        for (const std::string& code : LumitraxEntries())
            ASSERT_EQ(Msiexec("/qn /x " + code), 0u);
    }

    // Starts the installed program as its Run value does at log-on (in the
    // system folder); its panel, once it polls.
    HWND StartAtLogOn(LumitraxProcess& copy) {
        const uint64_t before = session.LastSeq();
        EXPECT_TRUE(copy.Start(RunCommand(), SystemFolder()));
        EXPECT_TRUE(session.WaitFor('G', std::nullopt, before, kStartTimeout));
        return copy.WaitForPanel(5s);
    }

    static std::string RunCommand() { return ReadString(kRunKey, "Lumitrax"); }

    void ExpectInstalled(const PackageFile& package) {
        const std::vector<std::string> entries = LumitraxEntries();
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(ReadString(kUninstallKey + entries[0], "DisplayVersion"), package.version);
        EXPECT_EQ(ReadString(kUninstallKey + entries[0], "Publisher"), "Lumitrax");
        char icon[MAX_PATH] = "";
        DWORD size = MAX_PATH;
        MsiGetProductInfoA(entries[0].c_str(), INSTALLPROPERTY_PRODUCTICON, icon, &size);
        EXPECT_TRUE(Exists(icon)) << icon;
        cachedIcon_ = icon;
        EXPECT_TRUE(Contents(InstallDir() + "Lumitrax.exe") == Contents(package.program))
            << "the installed program is not the one of " << package.path;
        EXPECT_TRUE(Exists(InstallDir() + "SystemHook.dll"));
        EXPECT_FALSE(Exists(InstallDir() + "GPIDLL.dll"));
        EXPECT_EQ(RunCommand(), "\"" + InstallDir() + "Lumitrax.exe\"");
    }

    // Nothing of the program is left; what is not the package's stays.
    void ExpectRemoved() {
        EXPECT_EQ(RunningCopies(), 0);
        EXPECT_FALSE(Exists(InstallDir()));
        EXPECT_FALSE(cachedIcon_.empty() || Exists(cachedIcon_)) << cachedIcon_;
        EXPECT_EQ(RunCommand(), "");
        EXPECT_TRUE(LumitraxEntries().empty());
        EXPECT_TRUE(Exists(SystemDriver()));
        HKEY keypad = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeypadKey.c_str(), 0,
                                KEY_QUERY_VALUE | KEY_WOW64_32KEY, &keypad),
                  0);
        EXPECT_EQ(RegQueryValueExA(keypad, "HaveKeypad", nullptr, nullptr, nullptr, nullptr), 0);
        RegCloseKey(keypad);
    }

    const PackageFile older = PackageIn("old");
    const PackageFile newer = PackageIn("new");
    LumitraxSession session{keypad::Profile::Extended};

private:
    std::string cachedIcon_; // the icon Programs and Features shows, as last installed
};

// As deployment tools run it: silent installation, upgrade with the older
// version running, a refused downgrade, removal.
TEST_F(Package, SilentlyInstalledUpgradedAndRemovedWithTheProgramRunning) {
    ASSERT_EQ(Msiexec("/qn /i " + older.path), 0u);
    EXPECT_EQ(RunningCopies(), 0) << "a silent installation starts nothing";
    ExpectInstalled(older);
    const HWND olderPanel = StartAtLogOn(session.Program());
    ASSERT_NE(olderPanel, nullptr);
    ASSERT_TRUE(ShellHasTrayIcon(olderPanel));

    EXPECT_EQ(Msiexec("/qn /i " + newer.path), 0u);
    EXPECT_EQ(session.Program().WaitForExit(5s), 0u);
    EXPECT_FALSE(ShellHasTrayIcon(olderPanel));
    EXPECT_EQ(RunningCopies(), 0) << "a silent upgrade starts nothing";
    ExpectInstalled(newer);

    LumitraxProcess newerCopy;
    const HWND panel = StartAtLogOn(newerCopy);
    ASSERT_NE(panel, nullptr);
    session.Press(keypad::Key::VolumeUp);
    EXPECT_TRUE(WaitUntil([panel] { return IsWindowVisible(panel) != FALSE; }, 5s));

    // The older package refuses to install over the newer one, whose running
    // copy it leaves alone: it would have ended before msiexec did.
    EXPECT_EQ(Msiexec("/qn /i " + older.path), DWORD{ERROR_INSTALL_FAILURE});
    EXPECT_EQ(newerCopy.WaitForExit(0ms), std::nullopt);
    ExpectInstalled(newer);

    ASSERT_TRUE(ShellHasTrayIcon(panel));
    EXPECT_EQ(Msiexec("/qn /x " + newer.path), 0u);
    EXPECT_EQ(newerCopy.WaitForExit(5s), 0u);
    EXPECT_FALSE(ShellHasTrayIcon(panel));
    ExpectRemoved();
}

// As a person runs it, with the basic user interface.
TEST_F(Package, AnInstallationWithAUserInterfaceStartsTheProgramARemovalStartsNothing) {
    const uint64_t before = session.LastSeq();
    EXPECT_EQ(Msiexec("/qb /i " + newer.path), 0u);
    ExpectInstalled(newer);
    EXPECT_TRUE(session.WaitFor('G', std::nullopt, before, kStartTimeout));
    EXPECT_EQ(RunningCopies(), 1);

    // The closer that the deferred action starts in each other session, run
    // here in this one: it closes the copy the installer started.
    LumitraxProcess closer;
    ASSERT_TRUE(closer.Start("rundll32.exe \"" + BesideThisProgram("CloseLumitrax.dll") +
                             "\",CloseCopiesInThisSession"));
    EXPECT_TRUE(closer.WaitForExit(30s).has_value());
    EXPECT_EQ(RunningCopies(), 0);

    EXPECT_EQ(Msiexec("/qb /x " + newer.path), 0u);
    ExpectRemoved();
}

TEST_F(Package, ACopyThatDoesNotEndInTimeIsLeftRunningAndARestartAsked) {
    ASSERT_EQ(Msiexec("/qn /i " + newer.path), 0u);
    ASSERT_NE(StartAtLogOn(session.Program()), nullptr);
    // A copy that answers nothing (its threads held) cannot take the close
    // request until it is let go.
    ASSERT_TRUE(HoldThreadsOf(session.Program().Id(), true));

    EXPECT_EQ(Msiexec("/qn /x " + newer.path), DWORD{ERROR_SUCCESS_REBOOT_REQUIRED});
    EXPECT_EQ(session.Program().WaitForExit(0ms), std::nullopt) << "not ended by force";
    EXPECT_TRUE(LumitraxEntries().empty());
    ASSERT_TRUE(HoldThreadsOf(session.Program().Id(), false));
    EXPECT_EQ(session.Program().WaitForExit(10s), 0u) << "the close request is taken once let go";
}
} // namespace
