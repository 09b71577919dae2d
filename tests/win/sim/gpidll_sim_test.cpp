// GPIDLL.dll's five exports, a second client of the same block, and
// keypadctl.exe started as another process all act on one controller.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "drivers/KeypadSimClient.h"
#include "shared/GpiDll.h"
#include "tests/win/StartProcess.h"

using namespace keypad;

namespace {

// The process id names the block, so that test processes running side by
// side each have their own controller.
std::string processBlockName() {
    return "LumitraxKeypadSimTest" + std::to_string(GetCurrentProcessId());
}

class GpiDllSim : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnvironmentVariableA("GPIDLL_SIM_NAME", processBlockName().c_str());
        handle = GPIDLL_Open();
        ASSERT_NE(handle, 0u);
        sim = KeypadSimClient::Open();
        ASSERT_TRUE(sim);
        sim->Run([](KeypadModel& model, uint64_t) { model.Reset(Profile::Extended); });
    }

    std::optional<uint32_t> readByte(uint16_t reg, uint16_t address = kKeypadSlaveAddress) {
        SmbRequest request{0, address, reg, 0, 0xAAAAAAAA};
        if (!ReadByte(handle, &request)) {
            EXPECT_EQ(request.data, 0xAAAAAAAAu) << "failed read leaves the data";
            return std::nullopt;
        }
        return request.data;
    }
    bool writeByte(uint16_t reg, uint32_t data, uint16_t address = kKeypadSlaveAddress) {
        SmbRequest request{0, address, reg, 0, data};
        return WriteByte(handle, &request) != 0;
    }
    std::optional<uint8_t> inputLine() {
        uint8_t level = 0xEE;
        return (GPIDLL_GetValue(handle, &level) & 0xFF) ? std::optional(level) : std::nullopt;
    }
    template <class Fn> auto onController(Fn&& fn) {
        return sim->Run([&](KeypadModel& model, uint64_t nowUs) { return fn(model, nowUs); });
    }
    std::vector<LogEntry> logAfter(uint64_t seq) {
        return onController([&](KeypadModel& model, uint64_t) { return model.EntriesAfter(seq); });
    }
    uint64_t LastSeq() {
        return onController([](KeypadModel& model, uint64_t) { return model.LastSeq(); });
    }

    uint32_t handle = 0;
    std::unique_ptr<KeypadSimClient> sim;
};

TEST_F(GpiDllSim, LibraryAndSecondClientShareTheController) {
    const uint64_t start = LastSeq();
    EXPECT_EQ(inputLine(), 1);
    onController([](KeypadModel& model, uint64_t nowUs) { model.PressKey(Key::VolumeUp, nowUs); });
    EXPECT_EQ(inputLine(), 0);
    EXPECT_EQ(readByte(reg::kChangeValue), change::kVolume);
    EXPECT_EQ(readByte(reg::kVolume), 11u);
    EXPECT_EQ(readByte(reg::kStatus), status::kExtended);
    EXPECT_EQ(inputLine(), 1);
    EXPECT_TRUE(writeByte(reg::kBrightnessWrite, 4));
    EXPECT_EQ(onController([](KeypadModel& model, uint64_t) { return *model.Peek(1); }), 4);

    std::string ops;
    uint64_t previousTime = 0;
    for (const LogEntry& entry : logAfter(start)) {
        ops += entry.op;
        EXPECT_GE(entry.timeUs, previousTime) << "one clock for every entry";
        previousTime = entry.timeUs;
    }
    EXPECT_EQ(ops, "GKGRRRGW");
}

TEST_F(GpiDllSim, ReadAndWriteAnswerOnlyTheControllersAddress) {
    struct Case {
        uint16_t address;
        uint16_t reg;
        std::optional<uint32_t> expected;
    };
    const Case cases[] = {
        {0x68, reg::kVersion, 0x21},   {0x68, reg::kLux, 2},     {0x69, reg::kVersion, {}},
        {0x00, reg::kStatus, {}},      {0xD0, reg::kStatus, {}}, {0x68, 26, {}},
        {0x68, reg::kVolumeWrite, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(readByte(c.reg, c.address), c.expected)
            << "address " << c.address << " register " << c.reg;
    }
    EXPECT_FALSE(writeByte(reg::kVolumeWrite, 3, 0x69));
    EXPECT_EQ(readByte(reg::kVolume), 10u) << "a write to another address did not land";

    // The record as raw bytes: address at offset 2, register at 4, data at 8.
    unsigned char record[12] = {0xEE, 0xEE, 0x68, 0, reg::kVersion, 0, 0xEE, 0xEE, 1, 2, 3, 4};
    ASSERT_TRUE(ReadByte(handle, reinterpret_cast<SmbRequest*>(record)));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(record + 8), 4), std::string("\x21\0\0\0", 4));
}

TEST_F(GpiDllSim, InjectedFaultsReachTheExports) {
    onController([](KeypadModel& model, uint64_t) {
        model.FailInputLine();
        model.FailNextWrites(reg::kVolumeWrite, 5);
    });
    EXPECT_EQ(inputLine(), std::nullopt);
    const LogEntry failedRead = logAfter(LastSeq() - 1).at(0);
    EXPECT_EQ(failedRead.op, 'G');
    EXPECT_FALSE(failedRead.ok);
    for (int attempt = 1; attempt <= 5; ++attempt) {
        EXPECT_FALSE(writeByte(reg::kVolumeWrite, 7)) << attempt;
    }
    EXPECT_TRUE(writeByte(reg::kVolumeWrite, 7));
    onController([](KeypadModel& model, uint64_t) { model.ClearFaults(); });
    EXPECT_EQ(inputLine(), 1);
}

TEST_F(GpiDllSim, VersionsAndForeignHandles) {
    uint8_t driver = 0, library = 0;
    GetDriverDllVersion(handle, &driver, &library);
    EXPECT_EQ(driver, 0x1A);
    EXPECT_EQ(library, 0x20);
    EXPECT_EQ(logAfter(LastSeq() - 1).at(0).op, 'V');

    const uint64_t before = LastSeq();
    SmbRequest request{0, kKeypadSlaveAddress, reg::kStatus, 0, 0};
    uint8_t level = 0;
    EXPECT_EQ(ReadByte(handle + 1, &request), 0u);
    EXPECT_EQ(GPIDLL_GetValue(0, &level), 0u);
    EXPECT_EQ(ReadByte(handle, nullptr), 0u);
    EXPECT_EQ(LastSeq(), before) << "refused calls never reach the controller";
}

TEST_F(GpiDllSim, NewBlockTakesItsProfileFromTheEnvironment) {
    const std::string name = processBlockName() + "Basic";
    SetEnvironmentVariableA("GPIDLL_SIM_NAME", name.c_str());
    SetEnvironmentVariableA("GPIDLL_SIM_PROFILE", "basic");
    const auto basic = KeypadSimClient::Open();
    SetEnvironmentVariableA("GPIDLL_SIM_PROFILE", nullptr);
    SetEnvironmentVariableA("GPIDLL_SIM_NAME", processBlockName().c_str());
    ASSERT_TRUE(basic);

    SmbRequest status{0, kKeypadSlaveAddress, reg::kStatus, 0, 0};
    SmbRequest lux{0, kKeypadSlaveAddress, reg::kLux, 0, 0};
    basic->Run([&](KeypadModel& model, uint64_t nowUs) {
        EXPECT_TRUE(model.Read(status, nowUs));
        EXPECT_FALSE(model.Read(lux, nowUs));
    });
    EXPECT_EQ(status.data, 0u);
    EXPECT_EQ(readByte(reg::kLux), 2u) << "the library's block stays extended";
}

TEST_F(GpiDllSim, WaitForFindsEntriesOfOtherThreadsOrTimesOut) {
    const uint64_t start = LastSeq();
    std::thread presser([this] {
        const auto other = KeypadSimClient::Open();
        other->Run([](KeypadModel& model, uint64_t nowUs) { model.PressKey(Key::Lock, nowUs); });
    });
    const auto found = sim->WaitFor({'K', static_cast<uint16_t>(Key::Lock)}, start, 10000);
    presser.join();
    ASSERT_TRUE(found);
    EXPECT_GT(found->seq, start);

    const uint64_t before = KeypadSimClient::NowUs();
    EXPECT_FALSE(sim->WaitFor({'K', static_cast<uint16_t>(Key::Mute)}, start, 50));
    EXPECT_GE(KeypadSimClient::NowUs() - before, 50000u);
}

// Exit status of keypadctl.exe (beside this program) with the given arguments.
struct KeypadctlRun {
    DWORD status = MAXDWORD;
    std::string errors; // what it wrote to standard error
};

// Runs keypadctl.exe from this program's folder with the given arguments.
KeypadctlRun runKeypadctl(const std::string& arguments) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string command(path, length);
    command =
        "\"" + command.substr(0, command.find_last_of('\\') + 1) + "keypadctl.exe\" " + arguments;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    KeypadctlRun run;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        ADD_FAILURE() << "no pipe";
        return run;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    const bool started = StartProcess(command, true, 0, nullptr, startup, process);
    CloseHandle(writeEnd); // the child holds its own copy
    if (!started) {
        CloseHandle(readEnd);
        ADD_FAILURE() << "cannot start " << command;
        return run;
    }
    // Read until the child closes its end, then wait for its status.
    char buffer[256];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
        run.errors.append(buffer, got);
    CloseHandle(readEnd);
    if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &run.status);
    } else {
        TerminateProcess(process.hProcess, MAXDWORD);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

TEST_F(GpiDllSim, KeypadctlDrivesTheSameController) {
    const std::string since = " --since " + std::to_string(LastSeq());
    EXPECT_EQ(runKeypadctl("wait W 9 --timeout 100" + since).status, 1u);
    const KeypadctlRun press = runKeypadctl("press bright- 3");
    EXPECT_EQ(press.status, 0u);
    EXPECT_EQ(press.errors, "") << "the controller is held by this test";
    EXPECT_EQ(inputLine(), 0);
    EXPECT_EQ(readByte(reg::kBrightness), 7u);
    EXPECT_TRUE(writeByte(reg::kVolumeWrite, 15));
    EXPECT_EQ(runKeypadctl("wait W 9 --timeout 5000" + since).status, 0u);
    EXPECT_EQ(runKeypadctl("fail gpi").status, 0u);
    EXPECT_EQ(inputLine(), std::nullopt);
    EXPECT_EQ(runKeypadctl("press bright").status, 2u);
}

TEST_F(GpiDllSim, KeypadctlSaysWhenItsChangeEndsWithIt) {
    // A controller no process holds: a change is made and lost at once.
    SetEnvironmentVariableA("GPIDLL_SIM_NAME", (processBlockName() + "Unheld").c_str());
    const KeypadctlRun reset = runKeypadctl("reset basic");
    const KeypadctlRun get = runKeypadctl("get 18");
    SetEnvironmentVariableA("GPIDLL_SIM_NAME", processBlockName().c_str());
    EXPECT_EQ(reset.status, 0u);
    EXPECT_NE(reset.errors.find("no other process holds"), std::string::npos) << reset.errors;
    EXPECT_NE(reset.errors.find("GPIDLL_SIM_PROFILE"), std::string::npos) << reset.errors;
    EXPECT_EQ(get.status, 0u);
    EXPECT_EQ(get.errors, "") << "a read changes nothing, so nothing is said";
}

} // namespace
