#include "Registry.h"
#include "RegistryKey.h"
#include "ScratchRegistryKey.h"

#include <gtest/gtest.h>

namespace {

class RegistryKeyReads : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scratch.setDword("", "dword", 0x12345678));
        ASSERT_TRUE(scratch.setDword("", "zero", 0));
        ASSERT_TRUE(scratch.setDword("", "two", 2));
        ASSERT_TRUE(scratch.setString("", "string", "1"));
        const unsigned char four[4] = {1, 0, 0, 0};
        const unsigned char eight[8] = {1, 0, 0, 0, 0, 0, 0, 0};
        ASSERT_TRUE(scratch.setBinary("", "binary4", four, sizeof four));
        ASSERT_TRUE(scratch.setBinary("", "binary8", eight, sizeof eight));
        key = openKey(HKEY_CURRENT_USER, scratch.path().c_str());
        ASSERT_NE(key, nullptr);
    }

    void TearDown() override {
        if (key != nullptr) {
            closeKey(key);
        }
    }

    ScratchRegistryKey scratch{"reads"};
    HKEY key = nullptr;
};

}  // namespace

TEST_F(RegistryKeyReads, readsADwordValue) {
    DWORD value = 0;
    EXPECT_TRUE(RegistryKey(key).readDword("dword", value));
    EXPECT_EQ(value, 0x12345678u);
}

TEST_F(RegistryKeyReads, leavesTheTargetAloneForAnythingButADword) {
    for (const char* name : {"string", "binary4", "binary8", "absent"}) {
        SCOPED_TRACE(name);
        DWORD value = 0xCAFEu;
        EXPECT_FALSE(RegistryKey(key).readDword(name, value));
        EXPECT_EQ(value, 0xCAFEu);
        bool flag = true;
        EXPECT_FALSE(RegistryKey(key).readBool(name, flag));
        EXPECT_TRUE(flag);
    }
}

TEST_F(RegistryKeyReads, readsAnyNonZeroNumberAsTrue) {
    bool flag = false;
    EXPECT_TRUE(RegistryKey(key).readBool("two", flag));
    EXPECT_TRUE(flag);
    EXPECT_TRUE(RegistryKey(key).readBool("zero", flag));
    EXPECT_FALSE(flag);
}
