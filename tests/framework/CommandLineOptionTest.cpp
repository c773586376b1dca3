#include <gtest/gtest.h>

#include <string>

#include "CommandLine.h"

namespace {

struct OptionCase {
    const char* arguments;
    int deluser;
    const char* rest;
};

const OptionCase optionCases[] = {
    {"/deluser", 1, ""},
    {"-DELUSER", 1, ""},
    {"/DelUser", 1, ""},
    {"/deluser=1", 7, "=1"},
    {"/deluser2", 7, "2"},
    {"/deluser:x", 7, ":x"},
    {"/deluser\"a b\"", 7, "\"a b\""},
    {"/delusers", 0, nullptr},
    {"deluser", 0, nullptr},
    {"\"/deluser\"", 0, nullptr},
    {"/del", 0, nullptr},
    {"//deluser", 0, nullptr},
    {"", 0, nullptr},
    {"/delusers -deluser", 1, ""},
    {"/deluser=1 /deluser", 7, "=1"},
    {"a.wav /delinfo -DELUSER", 1, ""},
};

TEST(CommandLineOption, AnswersAbsentAloneOrWithText) {
    for (const OptionCase& entry : optionCases) {
        SCOPED_TRACE(entry.arguments);
        CommandLine line;
        ASSERT_TRUE(line.parseText((std::string("prog ") + entry.arguments).c_str()));
        EXPECT_EQ(line.option("deluser"), entry.deluser);
        EXPECT_EQ(line.option("DELUSER"), entry.deluser);
        const char* rest = line.findOption("deluser");
        if (entry.rest == nullptr) {
            EXPECT_EQ(rest, nullptr);
        } else {
            ASSERT_NE(rest, nullptr);
            EXPECT_STREQ(rest, entry.rest);
        }
    }
}

TEST(CommandLineOption, NeitherTheProgramNameNorNamesOf260BytesAreOptions) {
    CommandLine program;
    ASSERT_TRUE(program.parseText("/deluser"));
    EXPECT_EQ(program.option("deluser"), 0);
    const std::string longest(259, 'a');
    const std::string tooLong(260, 'a');
    CommandLine line;
    ASSERT_TRUE(line.parseText(("prog /" + longest + " /" + tooLong).c_str()));
    EXPECT_EQ(line.option(longest.c_str()), 1);
    EXPECT_EQ(line.option(tooLong.c_str()), 0);
}

// 11 leaves the destination untouched; the capacity counts the terminator.
struct UnquoteCase {
    std::string source;
    std::size_t capacity;
    int result;
    std::string unquoted;
};

const std::string a259(259, 'a');
const std::string a260(260, 'a');

const UnquoteCase unquoteCases[] = {
    {"\"a b\"", 260, 1, "a b"},
    {"'x'", 260, 1, "x"},
    {"`y`", 260, 1, "y"},
    {"\"\"", 260, 1, ""},
    {"\"", 260, 1, "\""},
    {"'", 260, 1, "'"},
    {"'a\"", 260, 1, "'a\""},
    {"\"\"a\"\"", 260, 1, "\"a\""},
    {"\"C:\\a b.wav", 260, 1, "\"C:\\a b.wav"},
    {"", 260, 1, ""},
    {"\"\x83\x5C\x95\x5C\"", 260, 1, "\x83\x5C\x95\x5C"},
    // "ベンチ" in code page 932 ends in 0x60, the backquote, as a trail byte.
    {"`C:\\wav\\\x83\x78\x83\x93\x83\x60", 260, 1, "`C:\\wav\\\x83\x78\x83\x93\x83\x60"},
    {"`\x83\x60`", 260, 1, "\x83\x60"},
    {a259, 260, 1, a259},
    {a260, 260, 11, ""},
    {"\"" + a259 + "\"", 260, 1, a259},
    {"\"" + a260 + "\"", 260, 11, ""},
    {"\"" + a260, 260, 11, ""},
    {"", 0, 11, ""},
    {"\"\"", 1, 1, ""},
    {"abc", 3, 11, ""},
    {"abc", 4, 1, "abc"},
};

TEST(Unquote, RemovesOneMatchingPairWithinTheCapacity) {
    for (const UnquoteCase& entry : unquoteCases) {
        SCOPED_TRACE(entry.source.substr(0, 20) + " capacity " + std::to_string(entry.capacity));
        const std::string untouched(299, 'Z');
        char destination[300];
        untouched.copy(destination, sizeof destination);
        destination[sizeof destination - 1] = '\0';
        EXPECT_EQ(unquote(destination, entry.capacity, entry.source.c_str()), entry.result);
        EXPECT_EQ(std::string(destination), entry.result == 1 ? entry.unquoted : untouched);
    }
}

} // namespace
