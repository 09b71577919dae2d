#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "FakeDriver.h"
#include "controller/CMCU.h"
#include "controller/RegisterMap.h"

namespace {
struct RegisterAccess : ::testing::Test {
    FakeDriver driver;
    std::vector<std::string> traces;
    CMCU mcu{driver, [this](const char* text) { traces.push_back(text); },
             std::chrono::milliseconds(0)};
};
} // namespace

TEST_F(RegisterAccess, ReadSucceedsAtFifthAttemptAndMakesNoSixth) {
    driver.values[2] = 13;
    driver.readFailures[2] = 4;
    int32_t value = -1;
    EXPECT_TRUE(mcu.ReadRegister(REG_VOLUME, value));
    EXPECT_EQ(value, 13);
    EXPECT_EQ(driver.Accesses(), "R2 R2 R2 R2 R2");

    driver.ClearLog();
    driver.readFailures[2] = 5;
    value = 7;
    EXPECT_FALSE(mcu.ReadRegister(REG_VOLUME, value));
    EXPECT_EQ(value, 7) << "a failed read leaves the caller's field unchanged";
    EXPECT_EQ(driver.Accesses(), "R2 R2 R2 R2 R2");
    EXPECT_EQ(traces, std::vector<std::string>{"readSmb volume Error"});
}

TEST_F(RegisterAccess, WriteMakesSixAttemptsAndCarriesOneByte) {
    driver.writeFailures[9] = 5;
    mcu.WriteRegister(REG_SET_VOLUME, 0x1FE);
    ASSERT_EQ(driver.log.size(), 6u);
    EXPECT_TRUE(driver.log.back().ok);
    for (const auto& access : driver.log) {
        EXPECT_EQ(access.slave, 0x68);
        EXPECT_EQ(access.data, 0xFEu) << "value in the low-order byte, zeros above";
    }
    EXPECT_TRUE(traces.empty());

    driver.ClearLog();
    driver.writeFailures[7] = -1;
    mcu.WriteRegister(REG_MUTE, 1);
    EXPECT_EQ(driver.Accesses(), "W7 W7 W7 W7 W7 W7") << "dropped after the sixth attempt";
    EXPECT_EQ(traces, std::vector<std::string>{"writeSmb mute Error"});
}

TEST_F(RegisterAccess, PersistentReadRetriesRoundsThenGivesUp) {
    driver.values[23] = 1;
    driver.readFailures[23] = 12; // two whole rounds and two attempts fail
    int32_t value = 0;
    EXPECT_TRUE(mcu.ReadRegisterPersistent(REG_BACKLIGHT, value));
    EXPECT_EQ(value, 1);
    EXPECT_EQ(driver.log.size(), 13u);

    driver.ClearLog();
    driver.readFailures[17] = -1;
    value = 0x21;
    EXPECT_FALSE(mcu.ReadRegisterPersistent(REG_VERSION, value));
    EXPECT_EQ(value, 0x21);
    EXPECT_EQ(driver.log.size(), size_t(CMCU::kPersistentRounds * CMCU::kReadAttempts));
}

TEST_F(RegisterAccess, InputLineUsesOnlyTheLowByteOfTheResult) {
    uint8_t level = 9;
    driver.lineLow = true;
    EXPECT_TRUE(mcu.ReadInputLine(level));
    EXPECT_EQ(level, 0);
    driver.gpiFails = true; // the fake answers 0x100
    EXPECT_FALSE(mcu.ReadInputLine(level));
}

// A driver that notices two accesses running at the same time.
class OverlapDetector : public ControllerDriver {
public:
    uint32_t ReadByte(SmbRequest& r) override { return Enter(r, 0x40 + r.reg); }
    uint32_t WriteByte(SmbRequest& r) override { return Enter(r, r.data); }
    uint32_t GetValue(uint8_t& level) override {
        SmbRequest none{};
        level = 1;
        return Enter(none, 0);
    }
    void GetDriverDllVersion(uint8_t& driverVersion, uint8_t& libraryVersion) override {
        SmbRequest none{};
        Enter(none, 0);
        driverVersion = libraryVersion = 0;
    }
    std::atomic<int> overlaps{0};
    std::atomic<int> torn{0};

private:
    uint32_t Enter(SmbRequest& r, uint32_t data) {
        if (inside_.fetch_add(1) != 0)
            overlaps++;
        const uint16_t reg = r.reg;
        std::this_thread::yield();
        if (r.reg != reg)
            torn++; // another thread rewrote the shared record meanwhile
        r.data = data;
        inside_.fetch_sub(1);
        return 1;
    }
    std::atomic<int> inside_{0};
};

TEST(RegisterAccessConcurrency, OneAccessAtATimeFromManyThreads) {
    OverlapDetector driver;
    CMCU mcu(driver, nullptr, std::chrono::milliseconds(0));
    std::vector<std::thread> threads;
    std::atomic<int> wrongValues{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                int32_t value = 0;
                const uint16_t reg = static_cast<uint16_t>(1 + (i + t) % 20);
                if (t % 2 == 0) {
                    mcu.ReadRegister(reg, value);
                    if (value != 0x40 + reg)
                        wrongValues++;
                } else {
                    mcu.WriteRegister(reg, i & 0xFF);
                    uint8_t level;
                    mcu.ReadInputLine(level);
                }
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(driver.overlaps, 0);
    EXPECT_EQ(driver.torn, 0);
    EXPECT_EQ(wrongValues, 0);
}
