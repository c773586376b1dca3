#include <gtest/gtest.h>

#include <string>

#include "CharacterScan.h"

namespace {

struct ScanCase {
    const char* text;
    char wanted;
    int position;
};

const ScanCase scanCases[] = {
    {"C:\\Tools\\Sonorix.exe", '\\', 8},
    {"C:\\\x83\x5C", '\\', 2},
    {"C:\\\x83\x5C\\a", '\\', 5},
    {"\x95\x5C", '\\', -1},
    {"\x95\x5Cx", '\\', -1},
    {"a.b.c", '.', 3},
    {"abc", '.', -1},
    {"", '\\', -1},
    {"\\", '\\', 0},
    {"\x83\x60`", '`', 2},
};

TEST(CharacterScan, FindsTheLastWholeCharacter) {
    for (const ScanCase& entry : scanCases) {
        SCOPED_TRACE(entry.text);
        std::string text(entry.text);
        EXPECT_EQ(findLastCharacter(&text[0], entry.wanted), entry.position < 0 ? nullptr : &text[0] + entry.position);
    }
}

} // namespace
