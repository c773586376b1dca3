#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "CommandLine.h"

namespace {

// CP932 characters whose trail byte is a separator candidate the tokenizer
// must not see: 0x5C (backslash), 0x60 (backquote), 0x5D (closing bracket).
#define SO "\x83\x5C"
#define HYO "\x95\x5C"
#define CHI "\x83\x60"
#define ZO "\x83\x5D"

std::vector<std::string> tokensOf(const CommandLine& line) {
    std::vector<std::string> tokens;
    for (const char* token = line.nextToken(nullptr); token != nullptr; token = line.nextToken(token)) {
        tokens.emplace_back(token);
    }
    return tokens;
}

struct ParseCase {
    const char* text;
    const char* program;
    std::vector<std::string> tokens;
};

const ParseCase parseCases[] = {
    {"prog", "prog", {}},
    {"", "", {}},
    {"prog  \t a   b  ", "prog", {"a", "b"}},
    {"prog\x01"
     "a\x1f"
     "b \x7f"
     "c",
        "prog", {"a", "b", "c"}},
    {"prog a\x7f"
     "b c",
        "prog",
        {"a\x7f"
         "b",
            "c"}},
    {"\"C:\\Program Files\\p.exe\" \"C:\\my wav\\a b.wav\" /deluser", "\"C:\\Program Files\\p.exe\"",
        {"\"C:\\my wav\\a b.wav\"", "/deluser"}},
    {"\"C:\\p.exe\"extra /x", "\"C:\\p.exe\"extra", {"/x"}},
    {"\"C:\\p.exe\"\"a b\" c", "\"C:\\p.exe\"\"a b\"", {"c"}},
    {"\"C:\\unclosed name", "\"C:\\unclosed name", {}},
    {" prog a", "", {"prog", "a"}},
    {"\tprog", "", {"prog"}},
    {"prog \"C:\\a b.wav", "prog", {"\"C:\\a b.wav"}},
    {"prog name=\"a b\"c d", "prog", {"name=\"a b\"c", "d"}},
    {"prog 'a b' `c d` \"e f\"", "prog", {"'a b'", "`c d`", "\"e f\""}},
    {"prog 'a \"b' c'", "prog", {"'a \"b'", "c'"}},
    {"prog \"a\tb\"", "prog", {"\"a\tb\""}},
    {"prog \"a\x01"
     "b c",
        "prog", {"\"a", "b", "c"}},
    {"prog \"a\x7f"
     "b c",
        "prog",
        {"\"a\x7f"
         "b",
            "c"}},
    {"prog a ; b", "prog", {"a", ";", "b"}},
    {"prog [main] x", "prog", {"[main]", "x"}},
    {"prog `a" CHI " b`", "prog", {"`a" CHI " b`"}},
    {"prog " CHI " `x y", "prog", {CHI, "`x y"}},
    {"prog \"" SO "\\" HYO ".wav\" z", "prog", {"\"" SO "\\" HYO ".wav\"", "z"}},
    {"\"C:\\" SO "\\" HYO ".exe\" a", "\"C:\\" SO "\\" HYO ".exe\"", {"a"}},
    {"C:\\" SO "\\" HYO ".exe a", "C:\\" SO "\\" HYO ".exe", {"a"}},
    {"p ;x\n[main] b", "p", {";x", "[main]", "b"}},
};

TEST(CommandLineTokenize, SplitsTextInPlaceAsTheProcessCommandLine) {
    for (const ParseCase& entry : parseCases) {
        SCOPED_TRACE(entry.text);
        CommandLine line;
        ASSERT_TRUE(line.parseText(entry.text));
        ASSERT_NE(line.buffer, nullptr);
        EXPECT_EQ(line.start, line.buffer);
        EXPECT_EQ(line.end, line.buffer + std::strlen(entry.text) + 1);
        EXPECT_STREQ(line.start, entry.program);
        EXPECT_EQ(tokensOf(line), entry.tokens);
    }
    const char text[] = "p \"a b\"  c";
    CommandLine line;
    ASSERT_TRUE(line.parseText(text));
    EXPECT_EQ(std::string(line.buffer, sizeof text), std::string("p\0\"a b\"\0\0c", sizeof text));
}

TEST(CommandLineTokenize, ParsingAgainReplacesTheCopyAndClearEmpties) {
    CommandLine line;
    EXPECT_EQ(line.nextToken(nullptr), nullptr);
    ASSERT_TRUE(line.parseText("prog old"));
    ASSERT_TRUE(line.parseText("prog new"));
    EXPECT_EQ(tokensOf(line), std::vector<std::string>{"new"});
    line.clear();
    EXPECT_EQ(line.buffer, nullptr);
    EXPECT_EQ(line.start, nullptr);
    EXPECT_EQ(line.end, nullptr);
    EXPECT_EQ(line.nextToken(nullptr), nullptr);
    EXPECT_EQ(line.option("new"), 0);
}

// Tokenizes text in extended mode behind an empty program name, so that
// iteration from the start begins with the text's first token.
void tokenizeExtended(CommandLine& line, const std::string& text) {
    line.buffer = static_cast<char*>(std::calloc(text.size() + 2, 1));
    text.copy(line.buffer + 1, text.size());
    line.start = line.buffer;
    line.end = line.buffer + text.size() + 2;
    line.tokenize(line.buffer + 1, true);
}

struct ExtendedCase {
    const char* text;
    std::vector<std::string> tokens;
};

const ExtendedCase extendedCases[] = {
    {"a ;comment\n[main] b", {"a"}},
    {"a;b c", {"a;b", "c"}},
    {"; only a comment\nx", {"x"}},
    {";c1\n;c2\r\ny ;tail", {"y"}},
    {";" CHI "\"\n z", {"z"}},
    {"[s] a", {}},
    {"[a b]", {"[a", "b]"}},
    {"[] a", {}},
    {"[", {"["}},
    {"x [" ZO, {"x", "[" ZO}},
    {"'[a]'", {"'[a]'"}},
};

TEST(CommandLineTokenize, ExtendedModeBlanksCommentsAndEndsAtSections) {
    for (const ExtendedCase& entry : extendedCases) {
        SCOPED_TRACE(entry.text);
        CommandLine line;
        tokenizeExtended(line, entry.text);
        EXPECT_EQ(tokensOf(line), entry.tokens);
    }
    CommandLine rewritten;
    tokenizeExtended(rewritten, "a ;c\n[main] b");
    EXPECT_EQ(std::string(rewritten.buffer, rewritten.end), std::string("\0a\0\0\0\0\x07main\0\0b\0", 15));
}

} // namespace
