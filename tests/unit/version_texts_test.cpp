#include <gtest/gtest.h>

#include "FakeDriver.h"
#include "commands/FirmwareRead.h"
#include "commands/VersionTexts.h"

TEST(VersionTexts, FirmwareBox) {
    const struct {
        const char* what;
        FirmwareReport report;
        const char* text;
    } cases[] = {
        {"basic controller", {false, 1, 3, std::nullopt, 0, 0, 0}, "Firmware Version ==> V1.3"},
        {"letter, number, type R",
         {true, 2, 1, 0x10, 75, 18, 52},
         "Firmware Version ==>K4660 R2.1"},
        {"type T", {true, 2, 1, 0x01, 75, 18, 52}, "Firmware Version ==>K4660 T2.1"},
        {"bit 4 wins over bit 0", {true, 2, 1, 0x11, 75, 0, 7}, "Firmware Version ==>K7 R2.1"},
        // Neither type bit, or no type read: no type, the rest stays.
        {"neither type bit", {true, 2, 1, 0x04, 75, 18, 52}, "Firmware Version ==>K4660 2.1"},
        {"type unread", {true, 2, 1, std::nullopt, 75, 18, 52}, "Firmware Version ==>K4660 2.1"},
        // No letter (the first read of register 24 failed): left out, not
        // a NUL that would end the text.
        {"no letter", {true, 2, 1, 0x10, 0, 0, 0}, "Firmware Version ==>0 R2.1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FirmwareText(c.report), c.text) << c.what;
}

TEST(VersionTexts, AboutBoxLines) {
    EXPECT_EQ(DriverVersionLine(0x1A), "driver ver : 1.a");
    EXPECT_EQ(DriverVersionLine(0x20), "driver ver : 2.0");
    EXPECT_EQ(LibraryVersionLine(0x00), "dll ver : 0.0");
    EXPECT_EQ(LibraryVersionLine(0xFF), "dll ver : f.f");
}

TEST(VersionTexts, FirmwareBoxWhenRegister24FailsPartWay) {
    // The letter is read, the second byte fails all its attempts: the third
    // is not read, and both numbers stay 0.
    FakeDriver driver;
    driver.values = {{22, 0x10}, {24, 'K'}};
    int reads24 = 0;
    driver.onAccess = [&](char op, uint16_t reg) {
        if (op == 'R' && reg == 24 && ++reads24 == 1)
            driver.readFailures[24] = -1;
    };
    CMCU controller{driver, nullptr, std::chrono::milliseconds(0)};
    FirmwareReport report{true, 2, 1, std::nullopt, 0, 0, 0};
    ReadFirmwareRegisters(controller, report);
    EXPECT_EQ(driver.Accesses(), "R22 R24 R24 R24 R24 R24 R24");
    EXPECT_EQ(FirmwareText(report), "Firmware Version ==>K0 R2.1");
}
