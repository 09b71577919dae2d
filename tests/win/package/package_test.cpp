// The installer package as integrators use it, under Wine in a prefix of
// these tests' own, with the simulated driver in the system folder (where a
// driver's package puts it). The packages, this build's version in "new" and
// an older one in "old", are in the folder LUMITRAX_TEST_PACKAGES names.
#include <windows.h>

#include <msi.h>
#include <tlhelp32.h>

#include <cstdlib>

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
    return {"\"" + dir + name + "\"", version.substr(0, version.find('-'))};
}

// msiexec's exit status, or nothing when it did not end in time (the first
// run in a prefix starts the installer's services). Each run leaves its log
// beside the packages.
std::optional<DWORD> Msiexec(const std::string& arguments) {
    static int runs = 0;
    std::string command = "msiexec " + arguments + " /l*v \"" + Packages() +
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

std::string SystemDriver() {
    char dir[MAX_PATH];
    GetSystemDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\GPIDLL.dll";
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
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
        const DWORD withLock = 1;
        ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, kKeypadKey.c_str(), "HaveKeypad", REG_DWORD,
                                  &withLock, sizeof withLock),
                  0);
        ASSERT_FALSE(older.version.empty() || newer.version.empty()) << "packages missing";
        for (const std::string& code : LumitraxEntries())
            ASSERT_EQ(Msiexec("/qn /x " + code), 0u);
    }

    // Installs silently and starts the installed program as its Run value
    // does at log-on; its panel.
    HWND InstallAndStart(const PackageFile& package) {
        EXPECT_EQ(Msiexec("/qn /i " + package.path), 0u);
        EXPECT_TRUE(session.StartAndWaitUntilPolling(kStartTimeout, RunCommand()));
        return session.Program().WaitForPanel(5s);
    }

    static std::string RunCommand() { return ReadString(kRunKey, "Lumitrax"); }

    static void ExpectInstalled(const PackageFile& package) {
        const std::vector<std::string> entries = LumitraxEntries();
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(ReadString(kUninstallKey + entries[0], "DisplayVersion"), package.version);
        EXPECT_EQ(ReadString(kUninstallKey + entries[0], "Publisher"), "Lumitrax");
        char icon[MAX_PATH] = "";
        DWORD size = MAX_PATH;
        MsiGetProductInfoA(entries[0].c_str(), INSTALLPROPERTY_PRODUCTICON, icon, &size);
        EXPECT_TRUE(Exists(icon)) << icon;
        EXPECT_TRUE(Exists(InstallDir() + "SystemHook.dll"));
        EXPECT_FALSE(Exists(InstallDir() + "GPIDLL.dll"));
        EXPECT_EQ(RunCommand(), "\"" + InstallDir() + "Lumitrax.exe\"");
    }

    // Nothing of the program is left; what is not the package's stays.
    static void ExpectRemoved() {
        EXPECT_EQ(RunningCopies(), 0);
        EXPECT_FALSE(Exists(InstallDir()));
        EXPECT_EQ(RunCommand(), "");
        EXPECT_TRUE(LumitraxEntries().empty());
        EXPECT_TRUE(Exists(SystemDriver()));
        EXPECT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, kKeypadKey.c_str(), "HaveKeypad",
                               RRF_RT_REG_DWORD, nullptr, nullptr, nullptr),
                  0);
    }

    const PackageFile older = PackageIn("old");
    const PackageFile newer = PackageIn("new");
    LumitraxSession session{keypad::Profile::Extended};
};

TEST_F(Package, SilentInstallStartsAtLogOnAndSilentRemovalLeavesNothing) {
    // (A copy started by the silent install would hold the single-instance
    // mutex, and this test's copy would end at once without a panel.)
    const HWND panel = InstallAndStart(newer);
    ASSERT_NE(panel, nullptr);
    ExpectInstalled(newer);
    session.Press(keypad::Key::VolumeUp);
    EXPECT_TRUE(WaitUntil([panel] { return IsWindowVisible(panel) != FALSE; }, 5s));

    EXPECT_EQ(Msiexec("/qn /x " + newer.path), 0u);
    EXPECT_EQ(session.Program().WaitForExit(5s), 0u);
    EXPECT_FALSE(ShellHasTrayIcon(panel));
    ExpectRemoved();
}

TEST_F(Package, UpgradeClosesTheOlderVersionReplacesItAndStartsTheNewOne) {
    const HWND panel = InstallAndStart(older);
    ASSERT_NE(panel, nullptr);
    // With the basic user interface, as a person runs it: the new version
    // starts once it is installed.
    EXPECT_EQ(Msiexec("/qb /i " + newer.path), 0u);
    EXPECT_EQ(session.Program().WaitForExit(5s), 0u);
    EXPECT_FALSE(ShellHasTrayIcon(panel));
    ExpectInstalled(newer);
    EXPECT_TRUE(session.WaitFor('G', std::nullopt, session.LastSeq(), kStartTimeout));
    EXPECT_EQ(RunningCopies(), 1);

    EXPECT_EQ(Msiexec("/qn /x " + newer.path), 0u);
    ExpectRemoved();
}

TEST_F(Package, ACopyThatDoesNotEndInTimeIsLeftRunningAndARestartAsked) {
    const HWND panel = InstallAndStart(newer);
    ASSERT_NE(panel, nullptr);
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
