// Where the program takes its two libraries from: its own folder, then the
// system folder; never the current directory or a folder on PATH, where any
// program may have put a library of the same name. Without one it says so
// and ends with status 1. A driver library of either calling convention works.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "LumitraxSession.h"

using namespace std::chrono_literals;
using keypad::Profile;

namespace {
constexpr auto kStartTimeout = 30s;

// A folder of this test's own under the temporary folder, removed with
// everything in it when the object goes.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name) {
        char temp[MAX_PATH] = "";
        GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + "lumitrax-" + name + "-" +
                std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~ScratchFolder() {
        WIN32_FIND_DATAA found;
        const HANDLE search = FindFirstFileA((path_ + "*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                DeleteFileA((path_ + found.cFileName).c_str());
            while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(path_.c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// A file copied into a folder, deleted again when the object goes.
class PlacedFile {
public:
    PlacedFile(const std::string& from, const std::string& folder, const std::string& name)
        : path_(folder + name) {
        placed_ = CopyFileA(from.c_str(), path_.c_str(), FALSE) != 0;
        EXPECT_TRUE(placed_) << "cannot copy " << from << " to " << path_;
    }
    ~PlacedFile() {
        if (placed_)
            DeleteFileA(path_.c_str());
    }
    PlacedFile(const PlacedFile&) = delete;
    PlacedFile& operator=(const PlacedFile&) = delete;

private:
    std::string path_;
    bool placed_ = false;
};

std::string SystemFolder() {
    char path[MAX_PATH] = "";
    GetSystemDirectoryA(path, MAX_PATH);
    return std::string(path) + "\\";
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// PATH with folder first, for the programs started while the object lives.
class PathFirst {
public:
    explicit PathFirst(const std::string& folder) {
        char old[32768] = "";
        const DWORD length = GetEnvironmentVariableA("PATH", old, sizeof old);
        old_ = std::string(old, length < sizeof old ? length : 0);
        SetEnvironmentVariableA("PATH", (folder + ";" + old_).c_str());
    }
    ~PathFirst() { SetEnvironmentVariableA("PATH", old_.c_str()); }
    PathFirst(const PathFirst&) = delete;
    PathFirst& operator=(const PathFirst&) = delete;

private:
    std::string old_;
};

// The program alone in a folder of its own, with the libraries named.
struct InstalledProgram {
    explicit InstalledProgram(const std::vector<std::string>& libraries,
                              const std::string& driverFrom = BesideThisProgram("GPIDLL.dll"))
        : folder("program") {
        files.emplace_back(BesideThisProgram("Lumitrax.exe"), folder.Path(), "Lumitrax.exe");
        for (const std::string& name : libraries)
            files.emplace_back(name == "GPIDLL.dll" ? driverFrom : BesideThisProgram(name),
                               folder.Path(), name);
    }
    // Its command line.
    std::string Program() const { return "\"" + folder.Path() + "Lumitrax.exe\""; }

    ScratchFolder folder;
    std::deque<PlacedFile> files;
};

// Planted GPIDLL.dll files in a folder given as the current directory and in
// one listed first on PATH.
struct Plants {
    Plants() : current("current"), onPath("path") {
        for (const ScratchFolder* folder : {&current, &onPath})
            files.emplace_back(BesideThisProgram("planted\\GPIDLL.dll"), folder->Path(),
                               "GPIDLL.dll");
    }
    // A plant that was loaded somewhere, or empty.
    std::string Loaded() const {
        std::string loaded;
        for (const ScratchFolder* folder : {&current, &onPath})
            if (Exists(folder->Path() + "GPIDLL.dll.loaded"))
                loaded += folder->Path() + " ";
        return loaded;
    }

    ScratchFolder current, onPath;
    std::deque<PlacedFile> files;
};

// The text of a message box of the process, answered with OK; empty when
// none came up in time.
std::string AnswerBoxOf(LumitraxProcess& program) {
    const HWND box = program.WaitForAnyMessageBox(10s);
    char text[1024] = "";
    // The box may be found before its text is in place.
    if (!box || !WaitUntil([&] { return GetDlgItemTextA(box, 0xFFFF, text, sizeof text) > 0; }, 5s))
        return "";
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return text;
}
} // namespace

TEST(Libraries, APlantedDriverLibraryIsNeverLoaded) {
    struct Case {
        const char* name;
        bool besideProgram; // else in the system folder
    } cases[] = {{"the driver beside the program", true},
                 {"the driver in the system folder", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LumitraxSession session(Profile::Extended);
        const InstalledProgram installed(
            c.besideProgram ? std::vector<std::string>{"SystemHook.dll", "GPIDLL.dll"}
                            : std::vector<std::string>{"SystemHook.dll"});
        std::optional<PlacedFile> system;
        if (!c.besideProgram)
            system.emplace(BesideThisProgram("GPIDLL.dll"), SystemFolder(), "GPIDLL.dll");
        const Plants plants;
        const PathFirst path(plants.onPath.Path());

        const uint64_t start = session.LastSeq();
        ASSERT_TRUE(session.Program().Start(installed.Program(), plants.current.Path()));
        ASSERT_TRUE(session.WaitFor('G', std::nullopt, start, kStartTimeout))
            << "the program does not poll the genuine driver";
        const HWND panel = session.Program().WaitForPanel(5s);
        ASSERT_NE(panel, nullptr);
        PostMessageA(panel, WM_CLOSE, 0, 0);
        EXPECT_EQ(session.Program().WaitForExit(10s), std::optional<DWORD>(0));
        EXPECT_EQ(plants.Loaded(), "");
    }
}

TEST(Libraries, AMissingLibraryIsNamedWithTheFoldersSearchedAndEndsTheProgramWithStatus1) {
    struct Case {
        const char* missing;
        std::vector<std::string> present;
    } cases[] = {{"GPIDLL.dll", {"SystemHook.dll"}}, {"SystemHook.dll", {"GPIDLL.dll"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.missing);
        LumitraxSession session(Profile::Extended);
        const InstalledProgram installed(c.present);
        const Plants plants; // only plants where the program must not look
        const PathFirst path(plants.onPath.Path());

        const uint64_t start = session.LastSeq();
        ASSERT_TRUE(session.Program().Start(installed.Program(), plants.current.Path()));
        const std::string text = AnswerBoxOf(session.Program());
        EXPECT_NE(text.find(c.missing), std::string::npos) << text;
        EXPECT_NE(text.find(installed.folder.Path()), std::string::npos) << text;
        EXPECT_NE(text.find(SystemFolder()), std::string::npos) << text;
        EXPECT_EQ(session.Program().WaitForExit(10s), std::optional<DWORD>(1));
        EXPECT_TRUE(session.Entries(start).empty()) << "nothing touched the controller";
        EXPECT_EQ(plants.Loaded(), "");
    }
}

TEST(Libraries, ADriverOfTheStandardCallingConventionWorks) {
    LumitraxSession session(Profile::Extended);
    const InstalledProgram installed({"SystemHook.dll", "GPIDLL.dll"},
                                     BesideThisProgram("stdcall\\GPIDLL.dll"));
    ASSERT_TRUE(session.Program().Start(installed.Program()));
    ASSERT_TRUE(session.WaitFor('G', std::nullopt, session.LastSeq(), kStartTimeout));

    // A key is handled as with the other convention: every register of the
    // event read, many times over, without the stack running away.
    for (int i = 0; i < 3; ++i) {
        const keypad::LogEntry press = session.Press(keypad::Key::VolumeUp);
        ASSERT_TRUE(session.WaitFor('R', 23, press.seq, 5s));
        EXPECT_EQ(session.Accesses(press.seq).substr(0, 17), "R28 R1 R2 R18 R23") << i;
    }
    const HWND panel = session.Program().WaitForPanel(5s);
    ASSERT_NE(panel, nullptr);
    PostMessageA(panel, WM_CLOSE, 0, 0);
    EXPECT_EQ(session.Program().WaitForExit(10s), std::optional<DWORD>(0));
}
