// The tray icon locator against FakeShell.exe: a task bar with a real
// common-controls toolbar in another process, whose buttons and icon records
// are given on its command line.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "display/TrayIconLocator.h"
#include "framework/Handle.h"
#include "framework/Win32.h"
#include "tests/win/StartProcess.h"

namespace {
// FakeShell's buttons are this size, side by side from the toolbar's left edge.
constexpr int kButtonWidth = 24, kButtonHeight = 22;
constexpr DWORD kStartMs = 20000; // the first start in a prefix loads common controls
constexpr DWORD kEndMs = 5000;

const HWND kOwner = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));
constexpr UINT kId = 100;

struct WindowOfProcess {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindTaskBarOf(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<WindowOfProcess*>(param);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    if (processId != search.processId || std::string(className) != "Shell_TrayWnd")
        return TRUE;
    search.found = window;
    return FALSE;
}

// This program's folder, ending in a backslash.
std::string ProgramFolder() {
    char path[MAX_PATH];
    const std::string self(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return self.substr(0, self.find_last_of('\\') + 1);
}

// FakeShell.exe (program, from this program's folder) running with the given
// options and buttons until the end of the object's life: then closed with
// WM_CLOSE, and ended by force when it does not go; an exit status other than
// 0 fails the test (4: an answer was due in a block freed under the toolbar).
// A job ends it too should this program die.
class FakeShell {
public:
    explicit FakeShell(const std::string& arguments, const std::string& program = "FakeShell.exe") {
        static int started = 0;
        const std::string name = "TrayLocatorTest" + std::to_string(GetCurrentProcessId()) + "-" +
                                 std::to_string(++started);
        const KernelHandle ready(CreateEventA(nullptr, TRUE, FALSE, (name + "-ready").c_str()));
        job_.Reset(CreateJobObjectA(nullptr, nullptr));
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job_.Get(), JobObjectExtendedLimitInformation, &limits,
                                sizeof limits);

        std::string command = "\"" + ProgramFolder() + program + "\" " + name + " " + arguments;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!StartProcess(command, false, CREATE_SUSPENDED, nullptr, startup, info)) {
            startError_ = GetLastError();
            problem_ = "cannot start " + command + " (error " + std::to_string(startError_) + ")";
            return;
        }
        process_.Reset(info.hProcess);
        AssignProcessToJobObject(job_.Get(), info.hProcess);
        ResumeThread(info.hThread);
        CloseHandle(info.hThread);

        const HANDLE either[] = {ready.Get(), process_.Get()};
        const DWORD woken = WaitForMultipleObjects(2, either, FALSE, kStartMs);
        if (woken == WAIT_TIMEOUT) {
            problem_ = command + " is not ready in time";
            return;
        }
        if (woken != WAIT_OBJECT_0) {
            DWORD status = 0;
            GetExitCodeProcess(process_.Get(), &status);
            problem_ = command + " ended with status " + std::to_string(status);
            return;
        }
        WindowOfProcess search{info.dwProcessId, nullptr};
        EnumWindows(FindTaskBarOf, reinterpret_cast<LPARAM>(&search));
        taskBar_ = search.found;
        const HWND notify = FindWindowExA(taskBar_, nullptr, "TrayNotifyWnd", nullptr);
        toolbar_ = FindWindowExA(notify, nullptr, TOOLBARCLASSNAMEA, nullptr);
        if (!toolbar_)
            problem_ = command + " shows no toolbar";
    }
    ~FakeShell() {
        if (!process_.Get())
            return;
        if (taskBar_)
            PostMessageA(taskBar_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_.Get(), kEndMs) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "FakeShell.exe did not end on WM_CLOSE";
            TerminateProcess(process_.Get(), 1);
            return;
        }
        DWORD status = 0;
        GetExitCodeProcess(process_.Get(), &status);
        if (Running()) {
            EXPECT_EQ(status, 0u) << "FakeShell.exe's exit status (4: an answer was due in a "
                                     "block no longer committed)";
        }
    }
    FakeShell(const FakeShell&) = delete;
    FakeShell& operator=(const FakeShell&) = delete;

    bool Running() const { return toolbar_ != nullptr; }
    // Why it is not running.
    const std::string& Problem() const { return problem_; }
    DWORD StartError() const { return startError_; }
    HWND TaskBar() const { return taskBar_; }
    HWND Toolbar() const { return toolbar_; }
    HANDLE Process() const { return process_.Get(); }
    // The screen position of the toolbar's client area.
    POINT ToolbarOrigin() const {
        POINT origin{0, 0};
        ClientToScreen(toolbar_, &origin);
        return origin;
    }

private:
    KernelHandle job_;
    KernelHandle process_;
    HWND taskBar_ = nullptr;
    HWND toolbar_ = nullptr;
    DWORD startError_ = 0;
    std::string problem_;
};

// The bytes committed as the process's own (heap, stacks, blocks committed
// in it from outside), over its whole address space.
SIZE_T CommittedPrivateBytes(HANDLE process) {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region{};
    uintptr_t address = 0;
    while (VirtualQueryEx(process, reinterpret_cast<LPCVOID>(address), &region, sizeof region) ==
           sizeof region) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
        const uintptr_t next = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
        if (next <= address)
            break;
        address = next;
    }
    return total;
}

// Rectangles compared as text, which also says what differs.
std::string Text(const RECT& r) {
    return "{" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
           std::to_string(r.right) + ", " + std::to_string(r.bottom) + "}";
}

constexpr RECT kUntouched{-5, -6, -7, -8};

// Searches shell for the icon of kOwner and kId and expects the button at
// slot among the shown ones, or (slot -1) nothing found and rect untouched.
void ExpectFoundAt(const FakeShell& shell, int slot) {
    const POINT origin = shell.ToolbarOrigin();
    ASSERT_TRUE(origin.x > 0 && origin.y > 0) << "screen and client positions must differ";
    RECT rect = kUntouched;
    const bool found = FindTrayIconRectIn(shell.TaskBar(), kOwner, kId, rect);
    EXPECT_EQ(found, slot >= 0);
    if (slot < 0) {
        EXPECT_EQ(Text(rect), Text(kUntouched));
        return;
    }
    const int left = origin.x + slot * kButtonWidth;
    EXPECT_EQ(Text(rect), Text({left, origin.y, left + kButtonWidth, origin.y + kButtonHeight}));
}

struct FoundCase {
    const char* what;
    std::string arguments; // FakeShell's options and buttons
    int slot;              // the match's place among the shown buttons; -1: no rectangle
};

TEST(TrayLocator, FindsTheButtonOfOwnerAndIdOnTheScreen) {
    const FoundCase cases[] = {
        {"the only button, at the toolbar's left edge", "owner=0x1234,id=100", 0},
        {"after buttons of another owner and another id",
         "owner=0x1235,id=100 owner=0x1234,id=101 owner=0x1234,id=100", 2},
        {"after a hidden button of another icon, which takes no room",
         "owner=0x99,id=100,hidden owner=0x1234,id=100", 0},
        {"after data words that cannot be read", "bad freed owner=0x1234,id=100", 2},
        {"with an owner word beyond 32 bits: window handles are 32-bit values",
         "owner=0xFFFFFFFF00001234,id=100", 0},
        {"no buttons", "", -1},
        {"another owner only", "owner=0x1235,id=100", -1},
        {"another id only", "owner=0x1234,id=101", -1},
        {"unreadable data words only", "bad freed", -1},
        {"hidden", "owner=0x1234,id=100,hidden", -1},
        {"hidden, ending the search before a shown copy",
         "owner=0x1234,id=100,hidden owner=0x1234,id=100", -1},
        // The rectangle the toolbar answers for the match, when it cannot be
        // an icon's on the screen, is no rectangle.
        {"the rectangle answered FALSE", "--rect=false owner=0x1234,id=100", -1},
        {"an empty rectangle", "--rect=0,0,0,0 owner=0x1234,id=100", -1},
        {"right and left swapped", "--rect=24,0,0,22 owner=0x1234,id=100", -1},
        {"256 wide", "--rect=0,0,256,22 owner=0x1234,id=100", -1},
        {"past the screen's right edge", "--rect=5000,0,5024,22 owner=0x1234,id=100", -1},
        {"the widest numbers",
         "--rect=-2147483648,-2147483648,2147483647,2147483647 "
         "owner=0x1234,id=100",
         -1},
        {"small, but wrapping round when moved onto the screen",
         "--rect=2147483630,0,2147483646,16 owner=0x1234,id=100", -1},
    };
    for (const FoundCase& c : cases) {
        SCOPED_TRACE(c.what);
        const FakeShell shell(c.arguments);
        ASSERT_TRUE(shell.Running()) << shell.Problem();
        ExpectFoundAt(shell, c.slot);
    }
}

// The search ends within its second however the shell answers, and an
// answer that comes after it still finds its block committed (FakeShell's
// exit status says so).
TEST(TrayLocator, ASlowOrBoastfulShellHoldsTheSearchForASecondAtMost) {
    const struct {
        const char* what;
        std::string arguments;
    } cases[] = {
        {"the match's button answered 700 ms late", "--late=700 owner=0x1234,id=100"},
        {"each button answered 300 ms late, the match fifth: after the second",
         "--late=300 owner=0x91,id=100 owner=0x92,id=100 owner=0x93,id=100 owner=0x94,id=100 "
         "owner=0x1234,id=100"},
        {"100000000 buttons reported", "--count=100000000 owner=0x91,id=100 owner=0x92,id=100"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const FakeShell shell(c.arguments);
        ASSERT_TRUE(shell.Running()) << shell.Problem();
        RECT rect = kUntouched;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(FindTrayIconRectIn(shell.TaskBar(), kOwner, kId, rect));
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        EXPECT_LT(took.count(), 1200);
        EXPECT_EQ(Text(rect), Text(kUntouched)) << "the panel goes to its corner";
    }
}

// A 32-bit program reads a 64-bit shell's records and the other way round:
// FakeShell.exe of the other build (build/win32 and build/win64 side by side).
TEST(TrayLocator, FindsTheButtonInAShellOfTheOtherBitness) {
    const std::string other = sizeof(void*) == 8 ? "win32" : "win64";
    const char* const bits = sizeof(void*) == 8 ? "32-bit" : "64-bit";
    const std::string program = "..\\..\\" + other + "\\bin\\FakeShell.exe";
    if (GetFileAttributesA((ProgramFolder() + program).c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no " << ProgramFolder() << program << " (make " << other << ")";
    const FoundCase cases[] = {
        {"after a hidden button and another owner's",
         "owner=0x99,id=100,hidden owner=0x1235,id=100 owner=0x1234,id=100", 1},
        {"with an owner word beyond 32 bits", "bad owner=0xFFFFFFFF00001234,id=100", 1},
        {"hidden", "owner=0x1234,id=100,hidden", -1},
    };
    for (const FoundCase& c : cases) {
        SCOPED_TRACE(c.what);
        const FakeShell shell(c.arguments, program);
        if (shell.StartError())
            GTEST_SKIP() << shell.Problem() << ": this system runs no " << bits << " programs";
        ASSERT_TRUE(shell.Running()) << shell.Problem();
        ExpectFoundAt(shell, c.slot);
    }
}

TEST(TrayLocator, NeedsTheNotificationWindowInTheTaskBar) {
    const FakeShell shell("owner=0x1234,id=100");
    ASSERT_TRUE(shell.Running()) << shell.Problem();
    const HWND notify = GetParent(shell.Toolbar());
    const HWND withoutNotify[] = {nullptr, notify, shell.Toolbar()};
    for (const HWND taskBar : withoutNotify) {
        RECT rect = kUntouched;
        EXPECT_FALSE(FindTrayIconRectIn(taskBar, kOwner, kId, rect)) << taskBar;
        EXPECT_EQ(Text(rect), Text(kUntouched));
    }
}

// The answers' block: one in the shell however many searches ask it, also
// when each search gives up on a late answer; freed when a search finds
// another shell, unless an answer given up on may still come into it.
TEST(TrayLocator, KeepsOneBlockInTheShell) {
    struct Case {
        const char* what;
        std::string arguments;
        bool found;
        int searches;
        SIZE_T freed; // committed bytes freed once another shell is searched
    };
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const SIZE_T page = system.dwPageSize;
    const Case cases[] = {
        {"no buttons: no block", "", false, 1000, 0},
        {"a match after others", "owner=0x99,id=100 bad owner=0x1234,id=7 owner=0x1234,id=100",
         true, 1000, page},
        {"no match", "owner=0x99,id=100 bad owner=0x1234,id=7", false, 1000, page},
        {"the match's button answered 700 ms late", "--late=700 owner=0x1234,id=100", false, 5, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const FakeShell shell(c.arguments);
        ASSERT_TRUE(shell.Running()) << shell.Problem();
        RECT rect{};
        // Once first, so that what the shell's side sets up on the first
        // toolbar message is there before the count.
        ASSERT_EQ(FindTrayIconRectIn(shell.TaskBar(), kOwner, kId, rect), c.found);
        const SIZE_T before = CommittedPrivateBytes(shell.Process());
        ASSERT_GT(before, 0u);
        int wrong = 0;
        for (int i = 1; i < c.searches; ++i) {
            if (FindTrayIconRectIn(shell.TaskBar(), kOwner, kId, rect) != c.found)
                ++wrong;
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_EQ(CommittedPrivateBytes(shell.Process()), before);

        const FakeShell other("owner=0x1234,id=100");
        ASSERT_TRUE(other.Running()) << other.Problem();
        EXPECT_TRUE(FindTrayIconRectIn(other.TaskBar(), kOwner, kId, rect));
        EXPECT_EQ(CommittedPrivateBytes(shell.Process()) + c.freed, before);
    }
}

} // namespace
