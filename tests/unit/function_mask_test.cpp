#include <gtest/gtest.h>

#include "FakeDriver.h"
#include "app/FunctionMask.h"

TEST(FunctionMask, HaveKeypadValueDecidesOnTheFirstByteOnly) {
    using Value = std::optional<std::vector<uint8_t>>;
    EXPECT_FALSE(LockFunctionPresent(Value{{0}}));
    EXPECT_FALSE(LockFunctionPresent(Value{{0, 1, 2, 3}}));
    EXPECT_TRUE(LockFunctionPresent(Value{{1}}));
    EXPECT_TRUE(LockFunctionPresent(Value{{'0', 0}})) << "the text \"0\" is not a zero byte";
    EXPECT_TRUE(LockFunctionPresent(Value{std::vector<uint8_t>{}})) << "empty value";
    EXPECT_TRUE(LockFunctionPresent(std::nullopt)) << "missing or unreadable";
}

TEST(FunctionMask, FromRegister25AndTheRegistry) {
    struct Case {
        bool extended;
        uint32_t functions;
        bool lock;
        uint8_t mask;
        uint8_t count;
    } cases[] = {
        {true, 3, true, 7, 3},   {true, 3, false, 3, 2}, {true, 1, true, 5, 2},
        {true, 2, false, 2, 1},  {true, 0, false, 0, 0}, {false, 3, true, 5, 2},
        {false, 0, false, 1, 1},
    };
    for (const Case& c : cases) {
        FakeDriver driver;
        driver.values[25] = c.functions;
        CMCU mcu(driver, nullptr, std::chrono::milliseconds(0));
        PanelState state;
        state.extendedRegisters = c.extended;
        state.functionMask = 0xFF; // a second computation starts from zero
        UpdateFunctionMask(state, mcu, c.lock);
        EXPECT_EQ(state.functionMask, c.mask);
        EXPECT_EQ(state.functionCount, c.count);
        EXPECT_EQ(driver.Accesses(), c.extended ? "R25" : "") << "register 25 only when extended";
    }
}
