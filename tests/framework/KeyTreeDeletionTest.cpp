#include "Registry.h"
#include "ScratchRegistryKey.h"

#include <gtest/gtest.h>

TEST(KeyTreeDeletion, deletesATwoLevelTreeWithItsValues) {
    ScratchRegistryKey scratch("tree");
    for (const char* key : {"Top\\A\\A1", "Top\\A\\A2", "Top\\B\\B1", "Top\\C"}) {
        ASSERT_TRUE(scratch.setDword(key, "value", 1));
    }
    ASSERT_TRUE(scratch.setDword("Top", "value", 1));
    ASSERT_TRUE(scratch.setDword("Sibling", "value", 1));

    EXPECT_TRUE(deleteKeyTree(HKEY_CURRENT_USER, scratch.path("Top").c_str()));
    EXPECT_FALSE(scratch.exists("Top"));
    EXPECT_TRUE(scratch.exists("Sibling"));
    EXPECT_TRUE(scratch.exists(""));
}

TEST(KeyTreeDeletion, anAbsentKeyIsAFailure) {
    ScratchRegistryKey scratch("absent");
    EXPECT_FALSE(deleteKeyTree(HKEY_CURRENT_USER, scratch.path("Nothing").c_str()));
    EXPECT_TRUE(scratch.exists(""));
}

TEST(KeyPruning, climbsByWholeCharactersThroughDoubleByteNames) {
    ScratchRegistryKey scratch("dbcs");
    ASSERT_TRUE(scratch.setDword("", "keeps the scratch key", 1));
    // "ソ" and "表" in code page 932: their trail byte is a backslash.
    ASSERT_TRUE(scratch.create("\x83\x5C\\\x95\x5C"));

    EXPECT_FALSE(deleteKeyAndPrune(HKEY_CURRENT_USER, scratch.path("\x83\x5C\\\x95\x5C").c_str()));
    EXPECT_FALSE(scratch.exists("\x83\x5C"));
    EXPECT_TRUE(scratch.exists(""));
}

TEST(KeyPruning, deletesTheParentsLeftEmptyAndStopsAtOneThatHoldsAValue) {
    ScratchRegistryKey scratch("prune");
    ASSERT_TRUE(scratch.setDword("", "keeps the scratch key", 1));
    ASSERT_TRUE(scratch.create("X\\Y\\Z\\Leaf"));

    EXPECT_FALSE(deleteKeyAndPrune(HKEY_CURRENT_USER, scratch.path("X\\Y\\Z").c_str()));
    EXPECT_FALSE(scratch.exists("X"));
    EXPECT_TRUE(scratch.exists(""));
}

TEST(KeyPruning, aParentWithAValueStaysWithItsOwnParents) {
    ScratchRegistryKey scratch("prunevalue");
    ASSERT_TRUE(scratch.create("X\\Y\\Z"));
    ASSERT_TRUE(scratch.setDword("X\\Y", "value", 1));

    EXPECT_FALSE(deleteKeyAndPrune(HKEY_CURRENT_USER, scratch.path("X\\Y\\Z").c_str()));
    EXPECT_FALSE(scratch.exists("X\\Y\\Z"));
    EXPECT_TRUE(scratch.exists("X\\Y"));
}

TEST(KeyPruning, aParentWithAnotherSubkeyStays) {
    ScratchRegistryKey scratch("prunesibling");
    ASSERT_TRUE(scratch.create("X\\Y\\Z"));
    ASSERT_TRUE(scratch.create("X\\Other"));

    EXPECT_FALSE(deleteKeyAndPrune(HKEY_CURRENT_USER, scratch.path("X\\Y\\Z").c_str()));
    EXPECT_FALSE(scratch.exists("X\\Y"));
    EXPECT_TRUE(scratch.exists("X\\Other"));
}

TEST(KeyPruning, aTreeThatCannotBeFoundTouchesNoParent) {
    ScratchRegistryKey scratch("prunemissing");
    ASSERT_TRUE(scratch.create("X\\Y"));
    EXPECT_FALSE(deleteKeyAndPrune(HKEY_CURRENT_USER, scratch.path("X\\Y\\Z").c_str()));
    EXPECT_TRUE(scratch.exists("X\\Y"));
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
