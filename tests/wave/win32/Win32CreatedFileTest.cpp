#include "ScratchFiles.h"
#include "Win32CreatedFile.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A name that is taken, or in a folder that is not there, is never written;
// an abandoned file leaves nothing behind, a finished one holds every byte.
TEST(Win32CreatedFile, IsMadeOnlyWhereNothingIsAndLeavesNothingWhenAbandoned) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ready());
    const std::string taken = dir.file("taken.wav");
    ASSERT_TRUE(writeFile(taken, {1, 2, 3}));
    Win32CreatedFile file;
    EXPECT_FALSE(file.vacant(taken.c_str()));
    EXPECT_FALSE(file.create(taken.c_str()));
    EXPECT_EQ(file.lastError(), DWORD(ERROR_FILE_EXISTS));
    EXPECT_EQ(readRange(taken, 0, 16), (std::vector<unsigned char>{1, 2, 3}));
    EXPECT_FALSE(file.vacant(dir.file("none\\new.wav").c_str()));
    EXPECT_EQ(file.lastError(), DWORD(ERROR_PATH_NOT_FOUND));

    const std::string made = dir.file("made.wav");
    const unsigned char bytes[] = {4, 5, 6};
    EXPECT_TRUE(file.vacant(made.c_str()));
    ASSERT_TRUE(file.create(made.c_str()) && file.append(bytes, 3));
    file.abandon();
    EXPECT_EQ(GetFileAttributesA(made.c_str()), INVALID_FILE_ATTRIBUTES);

    Win32CreatedFile kept;
    ASSERT_TRUE(kept.create(made.c_str()) && kept.append(bytes, 3) && kept.append(bytes, 2) && kept.finish());
    EXPECT_EQ(readRange(made, 0, 16), (std::vector<unsigned char>{4, 5, 6, 4, 5}));
}

}
