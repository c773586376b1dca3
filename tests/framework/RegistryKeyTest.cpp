#include "Registry.h"
#include "RegistryKey.h"
#include "ScratchRegistryKey.h"

#include <gtest/gtest.h>

TEST(RegistryKeyReads, onlyADwordIsReadAndAnyNonZeroNumberIsTrue) {
    ScratchRegistryKey scratch("reads");
    const unsigned char eight[8] = {1};
    ASSERT_TRUE(scratch.setDword("", "dword", 0x12345678));
    ASSERT_TRUE(scratch.setDword("", "zero", 0));
    ASSERT_TRUE(scratch.set("", "string", REG_SZ, "1", 2));
    ASSERT_TRUE(scratch.set("", "binary4", REG_BINARY, eight, 4));
    ASSERT_TRUE(scratch.set("", "binary8", REG_BINARY, eight, 8));
    HKEY key = openKey(HKEY_CURRENT_USER, scratch.path().c_str());
    ASSERT_NE(key, nullptr);
    // A failed read leaves the target as it was: 0xCAFE and true.
    const struct {
        const char* name;
        bool read;
        DWORD number;
        bool flag;
    } cases[] = {
        {"dword", true, 0x12345678, true},
        {"zero", true, 0, false},
        {"string", false, 0xCAFE, true},
        {"binary4", false, 0xCAFE, true},
        {"binary8", false, 0xCAFE, true},
        {"absent", false, 0xCAFE, true},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        DWORD number = 0xCAFE;
        bool flag = true;
        EXPECT_EQ(RegistryKey(key).readDword(test.name, number), test.read);
        EXPECT_EQ(number, test.number);
        EXPECT_EQ(RegistryKey(key).readBool(test.name, flag), test.read);
        EXPECT_EQ(flag, test.flag);
    }
    closeKey(key);
}
