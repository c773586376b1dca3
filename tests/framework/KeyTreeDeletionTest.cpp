#include "Registry.h"
#include "ScratchRegistryKey.h"

#include <gtest/gtest.h>

#include <vector>

TEST(KeyTreeDeletion, deletesATwoLevelTreeWithItsValues) {
    ScratchRegistryKey scratch("tree");
    for (const char* key : {"Top\\A\\A1", "Top\\A\\A2", "Top\\B\\B1", "Top\\C", "Top", "Sibling"}) {
        ASSERT_TRUE(scratch.setDword(key, "value", 1));
    }
    EXPECT_TRUE(deleteKeyTree(HKEY_CURRENT_USER, scratch.path("Top").c_str()));
    EXPECT_FALSE(scratch.exists("Top"));
    EXPECT_TRUE(scratch.exists("Sibling"));
    EXPECT_FALSE(deleteKeyTree(HKEY_CURRENT_USER, scratch.path("Top").c_str()))
        << "an absent key is a failure";
    EXPECT_TRUE(scratch.exists(""));
}

// The scratch key holds a value in every case, so the climb stops there at the
// latest and the result is false.
TEST(KeyPruning, deletesTheParentsLeftEmptyUpToOneThatStays) {
    const struct {
        const char* what;
        std::vector<const char*> keys;
        const char* valueIn;
        const char* deleted;
        const char* gone;
        const char* kept;
    } cases[] = {
        // "ソ" and "表" in code page 932: their trail byte is a backslash.
        {"double-byte names", {"\x83\x5C\\\x95\x5C"}, "", "\x83\x5C\\\x95\x5C", "\x83\x5C", ""},
        {"empty parents", {"X\\Y\\Z\\Leaf"}, "", "X\\Y\\Z", "X", ""},
        {"a parent with a value", {"X\\Y\\Z"}, "X\\Y", "X\\Y\\Z", "X\\Y\\Z", "X\\Y"},
        {"a parent with another subkey", {"X\\Y\\Z", "X\\Other"}, "", "X\\Y\\Z", "X\\Y",
         "X\\Other"},
        {"a tree that cannot be found", {"X\\Y"}, "", "X\\Y\\Z", "X\\Y\\Z", "X\\Y"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        ScratchRegistryKey scratch("prune");
        ASSERT_TRUE(scratch.setDword("", "keeps the scratch key", 1));
        for (const char* key : test.keys) {
            ASSERT_TRUE(scratch.create(key));
        }
        ASSERT_TRUE(scratch.setDword(test.valueIn, "value", 1));
        EXPECT_FALSE(deleteKeyAndPrune(HKEY_CURRENT_USER, scratch.path(test.deleted).c_str()));
        EXPECT_FALSE(scratch.exists(test.gone));
        EXPECT_TRUE(scratch.exists(test.kept));
    }
}

TEST(AppKeyDeletion, deletesTheVersionKeyAndItsEmptyParents) {
    ScratchRegistryKey scratch("appdelete");
    ASSERT_TRUE(scratch.setDword("", "keeps the scratch key", 1));
    ASSERT_TRUE(scratch.setDword("Sonorix\\1.01", "MainWindowPos.left", 1));

    EXPECT_FALSE(deleteAppKey(HKEY_CURRENT_USER, scratch.name().c_str(), "Sonorix", "1.01",
                              nullptr));
    EXPECT_FALSE(scratch.exists("Sonorix"));
    EXPECT_TRUE(scratch.exists(""));
}
