#include <string>

#include <gtest/gtest.h>

#include "app/FunctionMask.h"
#include "app/RegistryValue.h"

namespace {
const char* kKey = "Software\\LumitraxTest\\Keypad";

struct RegistryValueTest : ::testing::Test {
    HKEY key = nullptr;
    void SetUp() override {
        RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(key);
        RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
    }
    void Put(DWORD type, const std::string& data) {
        ASSERT_EQ(RegSetValueExA(key, "HaveKeypad", 0, type,
                                 reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
    }
    std::optional<std::vector<uint8_t>> Read() {
        return ReadRegistryValue(HKEY_CURRENT_USER, kKey, "HaveKeypad");
    }
};
} // namespace

TEST_F(RegistryValueTest, AnyTypeAndSizeIsReadWhole) {
    struct Case {
        const char* name;
        DWORD type;
        std::string data;
        bool lockPresent;
    } cases[] = {
        {"one zero byte", REG_BINARY, std::string(1, '\0'), false},
        {"zero DWORD", REG_DWORD, std::string(4, '\0'), false},
        {"one DWORD", REG_DWORD, std::string("\1\0\0\0", 4), true},
        {"empty binary", REG_BINARY, "", true},
        {"text 0", REG_SZ, std::string("0\0", 2), true},
        {"long string", REG_SZ, std::string(5000, 'x') + '\0', true},
        {"long binary starting with 0", REG_BINARY, std::string(1, '\0') + std::string(4000, 'y'),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Put(c.type, c.data);
        const auto value = Read();
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(std::string(value->begin(), value->end()), c.data);
        EXPECT_EQ(LockFunctionPresent(value), c.lockPresent);
    }
}

TEST_F(RegistryValueTest, MissingValueOrKeyReadsAsNothing) {
    EXPECT_FALSE(Read().has_value());
    EXPECT_FALSE(
        ReadRegistryValue(HKEY_CURRENT_USER, "Software\\LumitraxTest\\None", "HaveKeypad"));
}
