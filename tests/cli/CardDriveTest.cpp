#include "CardDrive.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

// What a user types, what Explorer hands over for a dropped drive icon and
// the volume's own name stand for the drive; a path on it, a drive-relative
// name, a disk or a file do not.
TEST(CardDrive, NamesTheDriveAsAWholeOnly) {
    const std::vector<std::pair<std::string, char>> names = {{"E:", 'E'}, {"e:\\", 'E'}, {"E:/", 'E'},
        {"\\\\.\\z:", 'Z'}, {"\\\\.\\E:\\", 0}, {"E:\\DCIM", 0}, {"E:take.wav", 0}, {"E", 0}, {"1:", 0}, {"::", 0},
        {"\\\\.\\PhysicalDrive1", 0}, {"card.img", 0}, {"", 0}, {"\\\\?\\E:", 0}};
    for (const auto& [name, letter] : names)
        EXPECT_EQ(driveLetter(name), letter) << name;
    EXPECT_EQ(driveVolume('E'), "\\\\.\\E:");
}

TEST(CardDrive, TheSystemDriveIsTheOneOfSystemRoot) {
    EXPECT_TRUE(holdsSystem('C', "C:\\Windows"));
    EXPECT_TRUE(holdsSystem('D', "d:\\WINNT"));
    EXPECT_FALSE(holdsSystem('E', "C:\\Windows"));
    EXPECT_FALSE(holdsSystem('C', ""));
}

// The label as the card shows it, or its letter, then the date; a name
// taken gets a number, and no character a folder name refuses gets through.
TEST(CardDrive, FolderNamedForTheCardAndTheDate) {
    EXPECT_EQ(cardFolderName("EOS_DIGITAL", 'E', 2026, 12, 10, 1), "EOS_DIGITAL 2026-12-10");
    EXPECT_EQ(cardFolderName("", 'F', 2027, 1, 2, 3), "F 2027-01-02 (3)");
    EXPECT_EQ(cardFolderName(u8"録音 A/B:C*? ..", 'E', 2026, 3, 4, 1), u8"録音 A_B_C__ 2026-03-04");
    EXPECT_EQ(cardFolderName(" . ", 'G', 2026, 3, 4, 2), "G 2026-03-04 (2)");
}

}
