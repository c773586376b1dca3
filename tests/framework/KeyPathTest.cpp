#include "Registry.h"
#include "RegistryKey.h"
#include "ScratchRegistryKey.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

namespace {

struct KeyPathCase {
    bool built;
    bool withPrefix;
    const char* parts[4];
    const char* expected;
};

const KeyPathCase keyPathCases[] = {
    {true, true, {"Halvane", "Sonorix", "1.01", nullptr}, "Software\\Halvane\\Sonorix\\1.01"},
    {true, true, {"Halvane", "", "1.01", nullptr}, "Software\\Halvane\\1.01"},
    {true, true, {"Halvane", nullptr, "1.01", nullptr}, "Software\\Halvane\\1.01"},
    {true, true, {"Halvane", "Sonorix", "1.01", "Extra"}, "Software\\Halvane\\Sonorix\\1.01\\Extra"},
    {true, false, {"Halvane", "Sonorix", nullptr, nullptr}, "Halvane\\Sonorix"},
    {true, true, {"\x83\x5C\x83\x6D", "\x95\x5C", nullptr, nullptr}, "Software\\\x83\x5C\x83\x6D\\\x95\x5C"},
    {false, true, {nullptr, "Sonorix", nullptr, nullptr}, ""},
    {false, true, {"", nullptr, nullptr, nullptr}, ""},
    {false, false, {"", "Sonorix", nullptr, nullptr}, ""},
};

// A buffer larger than the capacity, so a write past 260 bytes shows.
struct GuardedBuffer {
    char bytes[keyPathCapacity + 64];
    GuardedBuffer() { std::memset(bytes, 0x7F, sizeof bytes); }
    bool tailUntouched() const {
        return std::all_of(bytes + keyPathCapacity, std::end(bytes), [](char c) { return c == 0x7F; });
    }
};

} // namespace

TEST(KeyPath, joinsTheNonEmptyPartsWithBackslashes) {
    for (const KeyPathCase& test : keyPathCases) {
        SCOPED_TRACE(test.expected);
        GuardedBuffer buffer;
        EXPECT_EQ(buildKeyPath(buffer.bytes, test.withPrefix, test.parts[0], test.parts[1], test.parts[2],
                      test.parts[3]),
            test.built);
        EXPECT_STREQ(buffer.bytes, test.expected);
    }
}

// Three parts, so that the separators count: 259 bytes fit, 260 do not.
TEST(KeyPath, fillsTheBufferToItsLastByteAndRefusesOneMoreWithoutWritingPastIt) {
    const std::string first(100, 'a');
    const std::string second(100, 'b');
    for (std::size_t over : {0, 1}) {
        const std::string third(keyPathCapacity - 1 - std::strlen("Software\\") - 202 + over, 'c');
        GuardedBuffer buffer;
        EXPECT_EQ(buildKeyPath(buffer.bytes, true, first.c_str(), second.c_str(), third.c_str(), nullptr), over == 0);
        EXPECT_EQ(std::strlen(buffer.bytes), over == 0 ? keyPathCapacity - 1 : 0);
        EXPECT_TRUE(buffer.tailUntouched());
    }
}

TEST(AppKey, opensTheKeyNamedByItsParts) {
    ScratchRegistryKey scratch("appkey");
    ASSERT_TRUE(scratch.setDword("Sonorix\\1.01", "MainWindowPos.left", 5));
    HKEY key = openAppKey(HKEY_CURRENT_USER, scratch.name().c_str(), "Sonorix", "1.01", nullptr);
    ASSERT_NE(key, nullptr);
    DWORD value = 0;
    EXPECT_TRUE(RegistryKey(key).readDword("MainWindowPos.left", value));
    EXPECT_EQ(value, 5u);
    EXPECT_EQ(closeKey(key), ERROR_SUCCESS);
    EXPECT_EQ(openAppKey(HKEY_CURRENT_USER, scratch.name().c_str(), "Absent", nullptr, nullptr), nullptr);
}

TEST(AppKey, anOverLongPathIsNeitherOpenedNorDeleted) {
    ScratchRegistryKey scratch("long");
    const std::string first(100, 'a');
    const std::string second(150, 'b');
    const std::string relative = first + "\\" + second;
    // What a cut-off path would name: everything that fits in 259 bytes.
    const std::string cut = (scratch.path(relative)).substr(0, keyPathCapacity - 1);
    const std::string cutRelative = cut.substr(scratch.path().size() + 1);
    ASSERT_GT(scratch.path(relative).size(), keyPathCapacity - 1);
    ASSERT_TRUE(scratch.create(relative));
    ASSERT_TRUE(scratch.create(cutRelative));

    EXPECT_EQ(openAppKey(HKEY_CURRENT_USER, scratch.name().c_str(), first.c_str(), second.c_str(), nullptr), nullptr);
    EXPECT_FALSE(deleteAppKey(HKEY_CURRENT_USER, scratch.name().c_str(), first.c_str(), second.c_str(), nullptr));
    EXPECT_TRUE(scratch.exists(relative));
    EXPECT_TRUE(scratch.exists(cutRelative));
}
