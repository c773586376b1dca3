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

TEST(CommandLineOption, ProgramNameIsNeverAnOption) {
    CommandLine line;
    ASSERT_TRUE(line.parseText("/deluser"));
    EXPECT_EQ(line.option("deluser"), 0);
}

TEST(CommandLineOption, NamesOf260BytesFindNothing) {
    const std::string longest(259, 'a');
    const std::string tooLong(260, 'a');
    CommandLine line;
    ASSERT_TRUE(line.parseText(("prog /" + longest + " /" + tooLong).c_str()));
    EXPECT_EQ(line.option(longest.c_str()), 1);
    EXPECT_EQ(line.option(tooLong.c_str()), 0);
}

struct UnquoteCase {
    const char* source;
    const char* result;
};

const UnquoteCase unquoteCases[] = {
    {"\"a b\"", "a b"},
    {"'x'", "x"},
    {"`y`", "y"},
    {"\"\"", ""},
    {"\"", "\""},
    {"'", "'"},
    {"'a\"", "'a\""},
    {"\"\"a\"\"", "\"a\""},
    {"abc", "abc"},
    {"\"C:\\a b.wav", "\"C:\\a b.wav"},
    {"", ""},
    {"\"\x83\x5C\x95\x5C\"", "\x83\x5C\x95\x5C"},
};

TEST(Unquote, RemovesOneMatchingPair) {
    for (const UnquoteCase& entry : unquoteCases) {
        SCOPED_TRACE(entry.source);
        char destination[260];
        EXPECT_EQ(unquote(destination, sizeof destination, entry.source), 1);
        EXPECT_STREQ(destination, entry.result);
    }
}

TEST(Unquote, CapacityCountsTheTerminator) {
    struct Case {
        std::string source;
        int result;
    };
    const Case cases[] = {
        {std::string(259, 'a'), 1},
        {std::string(260, 'a'), 11},
        {"\"" + std::string(259, 'a') + "\"", 1},
        {"\"" + std::string(260, 'a') + "\"", 11},
        {"\"" + std::string(260, 'a'), 11},
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.source.size());
        char destination[300];
        std::string(sizeof destination - 1, 'Z').copy(destination, sizeof destination);
        destination[sizeof destination - 1] = '\0';
        const int result = unquote(destination, 260, entry.source.c_str());
        EXPECT_EQ(result, entry.result);
        if (result == 11) {
            EXPECT_EQ(std::string(destination), std::string(sizeof destination - 1, 'Z'));
        } else {
            EXPECT_EQ(std::string(destination), std::string(259, 'a'));
        }
    }
}

TEST(Unquote, SmallCapacities) {
    char destination[4] = {'Z', 'Z', 'Z', 'Z'};
    EXPECT_EQ(unquote(destination, 0, ""), 11);
    EXPECT_EQ(destination[0], 'Z');
    EXPECT_EQ(unquote(destination, 1, "\"\""), 1);
    EXPECT_STREQ(destination, "");
    EXPECT_EQ(unquote(destination, 3, "abc"), 11);
    EXPECT_EQ(unquote(destination, 4, "abc"), 1);
    EXPECT_STREQ(destination, "abc");
}

} // namespace
