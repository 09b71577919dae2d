#include <string>

#include <gtest/gtest.h>

#include "app/FunctionMask.h"
#include "app/RegistryValue.h"

namespace {
const char* kKey = "SOFTWARE\\LumitraxTest";

// The test's value in the 32-bit view of the machine's registry, where the
// program's setting lives.
struct RegistryValueTest : ::testing::Test {
    HKEY key = nullptr;
    void SetUp() override {
        TearDown();
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0,
                                  KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        if (key)
            RegCloseKey(key);
        key = nullptr;
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
            RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kKey, view, 0);
    }
    void Put(DWORD type, const std::string& data) {
        ASSERT_EQ(RegSetValueExA(key, "HaveKeypad", 0, type,
                                 reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
    }
    std::optional<std::vector<uint8_t>> Read() {
        return ReadRegistryValue(HKEY_LOCAL_MACHINE, kKey, "HaveKeypad", kHaveKeypadMaxSize);
    }
};
} // namespace

TEST_F(RegistryValueTest, AnyTypeIsReadWholeUpToTheLimitAndALongerValueCountsAsUnreadable) {
    const std::string zeroThenFill =
        std::string(1, '\0') + std::string(kHaveKeypadMaxSize - 1, 'y');
    struct Case {
        const char* name;
        DWORD type;
        std::string data;
        bool read;
        bool lockPresent;
    } cases[] = {
        {"one zero byte", REG_BINARY, std::string(1, '\0'), true, false},
        {"zero DWORD", REG_DWORD, std::string(4, '\0'), true, false},
        {"one DWORD", REG_DWORD, std::string("\1\0\0\0", 4), true, true},
        {"empty binary", REG_BINARY, "", true, true},
        {"text 0", REG_SZ, std::string("0\0", 2), true, true},
        {"binary starting with 0, at the limit", REG_BINARY, zeroThenFill, true, false},
        {"binary starting with 0, one byte over", REG_BINARY, zeroThenFill + 'y', false, true},
        {"a megabyte starting with 0", REG_BINARY, zeroThenFill + std::string(1 << 20, 'y'), false,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Put(c.type, c.data);
        const auto value = Read();
        ASSERT_EQ(value.has_value(), c.read);
        if (value) {
            EXPECT_EQ(std::string(value->begin(), value->end()), c.data);
        }
        EXPECT_EQ(LockFunctionPresent(value), c.lockPresent);
    }
}

TEST_F(RegistryValueTest, MissingValueOrKeyReadsAsNothing) {
    EXPECT_FALSE(Read().has_value());
    EXPECT_FALSE(ReadRegistryValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\LumitraxTest\\None", "HaveKeypad",
                                   kHaveKeypadMaxSize));
    if (sizeof(void*) == 8) {
        // A 64-bit build reads the 32-bit program's view, not its own.
        HKEY own = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0,
                                  KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &own, nullptr),
                  ERROR_SUCCESS);
        const BYTE zero = 0;
        RegSetValueExA(own, "HaveKeypad", 0, REG_BINARY, &zero, 1);
        RegCloseKey(own);
        EXPECT_FALSE(Read().has_value());
    }
}
