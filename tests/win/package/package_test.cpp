// The installer package as integrators use it: msiexec installs, upgrades
// and removes it silently in a Wine prefix of these tests' own, with the
// simulated driver in the system folder, where a driver's package puts it.
// The packages (this build's version and an older one) are built beforehand
// into the folder LUMITRAX_TEST_PACKAGES names.
#include <windows.h>

#include <msi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "res/resource.h"
#include "tests/win/ShellIcon.h"
#include "tests/win/e2e/LumitraxSession.h"

using namespace std::chrono_literals;
using keypad::Key;
using keypad::Profile;

namespace {
constexpr auto kStartTimeout = 30s;         // a cold Wine start of the first program is slow
constexpr DWORD kMsiexecTimeoutMs = 180000; // the first msiexec of a prefix starts its services
constexpr DWORD kRestartNeeded = ERROR_SUCCESS_REBOOT_REQUIRED;
const char* const kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char* const kKeypadKey = "SOFTWARE\\Qor\\Keypad";

struct PackageFile {
    std::string path;
    std::string version; // as its name carries it
};

// The folder LUMITRAX_TEST_PACKAGES names, as Windows names it.
std::string PackagesDir() {
    const char* root = std::getenv("LUMITRAX_TEST_PACKAGES");
    std::string dir = "Z:" + std::string(root ? root : "/nonexistent");
    for (char& c : dir)
        c = c == '/' ? '\\' : c;
    return dir;
}

// The one package in a folder of the packages ("old" or "new").
PackageFile PackageIn(const std::string& folder) {
    const std::string dir = PackagesDir() + "\\" + folder;
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((dir + "\\Lumitrax-*.msi").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return {};
    FindClose(search);
    // Lumitrax-VERSION.msi, or Lumitrax-VERSION-win64.msi
    const std::string name = found.cFileName;
    const std::string version = name.substr(9, name.size() - 9 - 4);
    return {dir + "\\" + name, version.substr(0, version.find('-'))};
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// Runs msiexec with a verbose log beside the packages, one for each run of
// each test; its exit status, or nothing when it did not end in time.
std::optional<DWORD> Msiexec(const std::string& arguments) {
    static int runs = 0;
    const std::string log = PackagesDir() + "\\" +
                            testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
                            std::to_string(++runs) + ".log";
    std::string command = "msiexec " + arguments + " /l*v " + Quoted(log);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return std::nullopt;
    std::optional<DWORD> status;
    if (WaitForSingleObject(process.hProcess, kMsiexecTimeoutMs) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        status = code;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (status != 0u)
        std::printf("%s: %s\n", command.c_str(),
                    status ? std::to_string(*status).c_str() : "did not end");
    return status;
}

std::optional<std::string> ReadString(const std::string& key, const char* name) {
    char value[1024];
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return std::string(value);
}

// An entry of Programs and Features; a Windows Installer product's key is
// named by its product code.
struct UninstallEntry {
    std::string productCode;
    std::string version;
    std::string publisher;
};

std::vector<UninstallEntry> LumitraxEntries() {
    std::vector<UninstallEntry> entries;
    HKEY uninstall = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &uninstall) != ERROR_SUCCESS)
        return entries;
    char name[256];
    for (DWORD i = 0, size = sizeof name; RegEnumKeyExA(uninstall, i, name, &size, nullptr, nullptr,
                                                        nullptr, nullptr) == ERROR_SUCCESS;
         ++i, size = sizeof name) {
        const std::string key = std::string(kUninstallKey) + "\\" + name;
        if (ReadString(key, "DisplayName") == "Lumitrax")
            entries.push_back({name, ReadString(key, "DisplayVersion").value_or(""),
                               ReadString(key, "Publisher").value_or("")});
    }
    RegCloseKey(uninstall);
    return entries;
}

std::string InstallDir() {
    char dir[MAX_PATH];
    ExpandEnvironmentStringsA("%ProgramFiles%\\Lumitrax", dir, MAX_PATH);
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

class Package : public testing::Test {
protected:
    // What belongs to the panel PC, not to the package: the driver library
    // and the integrator's setting.
    static void SetUpTestSuite() {
        ASSERT_TRUE(
            CopyFileA(BesideThisProgram("GPIDLL.dll").c_str(), SystemDriver().c_str(), FALSE));
        const DWORD withLock = 1;
        ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, kKeypadKey, "HaveKeypad", REG_DWORD,
                                  &withLock, sizeof withLock),
                  ERROR_SUCCESS);
    }

    // Each test starts with nothing installed, whatever an earlier run left.
    void SetUp() override {
        ASSERT_FALSE(older.path.empty()) << "no older package";
        ASSERT_FALSE(newer.path.empty()) << "no package of this version";
        for (const UninstallEntry& entry : LumitraxEntries())
            ASSERT_EQ(Msiexec("/qn /x " + entry.productCode), std::optional<DWORD>(0));
    }

    // The program as its Run value starts it at log-on.
    static std::string RunCommand() { return ReadString(kRunKey, "Lumitrax").value_or(""); }

    // Nothing of the program is left, and what the integrator wrote stays.
    static void ExpectNothingLeft() {
        EXPECT_EQ(RunningCopies(), 0);
        EXPECT_FALSE(Exists(InstallDir()));
        EXPECT_EQ(RunCommand(), "");
        EXPECT_TRUE(LumitraxEntries().empty());
        EXPECT_TRUE(Exists(SystemDriver()));
        EXPECT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, kKeypadKey, "HaveKeypad", RRF_RT_REG_DWORD,
                               nullptr, nullptr, nullptr),
                  ERROR_SUCCESS);
    }

    const PackageFile older = PackageIn("old");
    const PackageFile newer = PackageIn("new");
};

TEST_F(Package, SilentInstallStartsAtLogOnAndSilentRemovalLeavesNothing) {
    LumitraxSession session(Profile::Extended);
    ASSERT_EQ(Msiexec("/qn /i " + Quoted(newer.path)), std::optional<DWORD>(0));

    const std::string program = InstallDir() + "\\Lumitrax.exe";
    EXPECT_TRUE(Exists(program));
    EXPECT_TRUE(Exists(InstallDir() + "\\SystemHook.dll"));
    EXPECT_FALSE(Exists(InstallDir() + "\\GPIDLL.dll"));
    EXPECT_EQ(RunCommand(), Quoted(program));
    const std::vector<UninstallEntry> entries = LumitraxEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].version, newer.version);
    EXPECT_EQ(entries[0].publisher, "Lumitrax");
    char icon[MAX_PATH] = "";
    DWORD size = MAX_PATH;
    EXPECT_EQ(MsiGetProductInfoA(entries[0].productCode.c_str(), INSTALLPROPERTY_PRODUCTICON, icon,
                                 &size),
              static_cast<UINT>(ERROR_SUCCESS));
    EXPECT_TRUE(Exists(icon)) << icon;

    // Started as at log-on, it binds the driver from the system folder and
    // polls. (A copy that the silent install had started would hold the
    // single-instance mutex, and this one would end at once.)
    ASSERT_TRUE(session.StartAndWaitUntilPolling(kStartTimeout, RunCommand()));
    const HWND panel = session.Program().WaitForPanel(5s);
    ASSERT_NE(panel, nullptr);
    session.Press(Key::VolumeUp);
    EXPECT_TRUE(WaitUntil([panel] { return IsWindowVisible(panel) != FALSE; }, 5s));

    // Removed while it runs: it is closed as a user closes it.
    ASSERT_EQ(Msiexec("/qn /x " + Quoted(newer.path)), std::optional<DWORD>(0));
    EXPECT_EQ(session.Program().WaitForExit(5s), std::optional<DWORD>(0));
    EXPECT_FALSE(ShellHasTrayIcon(panel));
    ExpectNothingLeft();
}

TEST_F(Package, UpgradeClosesTheOlderVersionReplacesItAndStartsTheNewOne) {
    LumitraxSession session(Profile::Extended);
    ASSERT_EQ(Msiexec("/qn /i " + Quoted(older.path)), std::optional<DWORD>(0));
    ASSERT_EQ(LumitraxEntries().size(), 1u);
    ASSERT_TRUE(session.StartAndWaitUntilPolling(kStartTimeout, RunCommand()));
    const HWND panel = session.Program().WaitForPanel(5s);
    ASSERT_NE(panel, nullptr);

    // With the basic user interface, as a person runs it: the new version
    // starts once it is installed.
    ASSERT_EQ(Msiexec("/qb /i " + Quoted(newer.path)), std::optional<DWORD>(0));
    EXPECT_EQ(session.Program().WaitForExit(5s), std::optional<DWORD>(0));
    EXPECT_FALSE(ShellHasTrayIcon(panel));
    const std::vector<UninstallEntry> entries = LumitraxEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].version, newer.version);
    EXPECT_TRUE(Exists(InstallDir() + "\\Lumitrax.exe"));
    EXPECT_TRUE(Exists(InstallDir() + "\\SystemHook.dll"));
    EXPECT_EQ(RunCommand(), Quoted(InstallDir() + "\\Lumitrax.exe"));
    EXPECT_TRUE(session.WaitFor('G', std::nullopt, session.LastSeq(), kStartTimeout));
    EXPECT_EQ(RunningCopies(), 1);

    ASSERT_EQ(Msiexec("/qn /x " + Quoted(newer.path)), std::optional<DWORD>(0));
    ExpectNothingLeft();
}

TEST_F(Package, ACopyThatDoesNotEndInTimeIsLeftRunningAndARestartAsked) {
    LumitraxSession session(Profile::Extended);
    ASSERT_EQ(Msiexec("/qn /i " + Quoted(newer.path)), std::optional<DWORD>(0));
    ASSERT_TRUE(session.StartAndWaitUntilPolling(kStartTimeout, RunCommand()));
    const HWND panel = session.Program().WaitForPanel(5s);
    ASSERT_NE(panel, nullptr);
    // The About box's modal loop holds the program until a person answers it.
    PostMessageA(panel, WM_COMMAND, ID_ABOUT, 0);
    const HWND about = session.Program().WaitForAnyMessageBox(5s);
    ASSERT_NE(about, nullptr);

    EXPECT_EQ(Msiexec("/qn /x " + Quoted(newer.path)), std::optional<DWORD>(kRestartNeeded));
    EXPECT_EQ(session.Program().WaitForExit(0ms), std::nullopt) << "not ended by force";
    EXPECT_TRUE(LumitraxEntries().empty());
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(session.Program().WaitForExit(5s), std::optional<DWORD>(0));
}
} // namespace
