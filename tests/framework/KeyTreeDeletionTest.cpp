#include "Registry.h"
#include "ScratchRegistryKey.h"

#include <gtest/gtest.h>

#include <vector>

// Only a tree's own keys go, deepest first; a name that cannot be reached
// through the ANSI code page ("\uD55C", read back as "?") stops the deletion
// there, leaving it, its subtree and its ancestors in place.
TEST(KeyTreeDeletion, deletesTheWholeTreeOrLeavesWhatItCouldNotDelete) {
    const struct {
        const char* what;
        std::vector<std::string> keys; // UTF-8, below the scratch key
        bool deleted;
        std::vector<std::string> gone;
        std::vector<std::string> kept;
    } cases[] = {
        {"ASCII names", {"Top\\A\\A1", "Top\\A\\A2", "Top\\B\\B1", "Top\\C"}, true, {"Top"}, {"Sibling"}},
        {"Japanese names, several levels deep",
            {u8"Top\\設定\\録音ソ表\\表示\\ソ", u8"Top\\設定\\録音ソ表\\音", u8"Top\\予定\\表"}, true, {"Top"},
            {"Sibling"}},
        {"a name the code page cannot hold", {u8"Top\\A\\設定", u8"Top\\Z", u8"Top\\\uD55C\\録音"}, false,
            {"Top\\A", "Top\\Z"}, {u8"Top\\\uD55C\\録音", "Sibling"}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        ScratchRegistryKey scratch("tree");
        for (const std::string& key : test.keys) {
            ASSERT_TRUE(scratch.setDword(key, "value", 1));
        }
        ASSERT_TRUE(scratch.setDword("Top", "value", 1));
        ASSERT_TRUE(scratch.setDword("Sibling", "value", 1));
        EXPECT_EQ(deleteKeyTree(HKEY_CURRENT_USER, scratch.path("Top").c_str()), test.deleted);
        for (const std::string& key : test.gone) {
            EXPECT_FALSE(scratch.exists(key)) << key;
        }
        for (const std::string& key : test.kept) {
            EXPECT_TRUE(scratch.exists(key)) << key;
        }
    }
}

TEST(KeyTreeDeletion, anAbsentKeyIsAFailure) {
    ScratchRegistryKey scratch("absent");
    EXPECT_FALSE(deleteKeyTree(HKEY_CURRENT_USER, scratch.path("Top").c_str()));
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
        {"double-byte names", {u8"ソ\\表"}, "", u8"ソ\\表", u8"ソ", ""},
        {"empty parents", {"X\\Y\\Z\\Leaf"}, "", "X\\Y\\Z", "X", ""},
        {"a parent with a value", {"X\\Y\\Z"}, "X\\Y", "X\\Y\\Z", "X\\Y\\Z", "X\\Y"},
        {"a parent with another subkey", {"X\\Y\\Z", "X\\Other"}, "", "X\\Y\\Z", "X\\Y", "X\\Other"},
        {"a tree that cannot be found", {"X\\Y"}, "", "X\\Y\\Z", nullptr, "X\\Y"},
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
        EXPECT_TRUE(test.gone == nullptr || !scratch.exists(test.gone));
        EXPECT_TRUE(scratch.exists(test.kept));
    }
}

TEST(AppKeyDeletion, deletesTheVersionKeyAndItsEmptyParents) {
    ScratchRegistryKey scratch("appdelete");
    ASSERT_TRUE(scratch.setDword("", "keeps the scratch key", 1));
    ASSERT_TRUE(scratch.setDword("Sonorix\\1.01", "MainWindowPos.left", 1));

    EXPECT_FALSE(deleteAppKey(HKEY_CURRENT_USER, scratch.name().c_str(), "Sonorix", "1.01", nullptr));
    EXPECT_FALSE(scratch.exists("Sonorix"));
    EXPECT_TRUE(scratch.exists(""));
}
