#include <gtest/gtest.h>

#include <cstdarg>
#include <string>

#include "Application.h"
#include "HeapString.h"

namespace {

// The test executable carries a Japanese string table (ids 25088 to 25103);
// its texts must come back as the exact bytes of code page 932.
const char tooLongTemplate[] =
    "\x95\xB6\x8E\x9A\x97\xF1\x82\xAA\x92\xB7\x82\xB7\x82\xAC\x82\xDC\x82\xB7\x81" "B( %1!u! "
    "\x95\xB6\x8E\x9A\x96\xA2\x96\x9E\x82\xC5\x93\xFC\x97\xCD\x82\xB5\x82\xC4\x89\xBA\x82\xB3\x82\xA2)";
const char tooLong260[] =
    "\x95\xB6\x8E\x9A\x97\xF1\x82\xAA\x92\xB7\x82\xB7\x82\xAC\x82\xDC\x82\xB7\x81" "B( 260 "
    "\x95\xB6\x8E\x9A\x96\xA2\x96\x9E\x82\xC5\x93\xFC\x97\xCD\x82\xB5\x82\xC4\x89\xBA\x82\xB3\x82\xA2)";
const char dialogError[] =
    "\x83R\x83\x82\x83\x93\x83_\x83" "C\x83" "A\x83\x8D\x83O\x82\xCC\x83G\x83\x89\x81[\x82\xC5\x82\xB7 (0x001234AB)";
const char lines[] = "\x88\xEA\x8Ds\x96\xDA\r\n\x93\xF1\x8Ds\x96\xDA ";
const char longPiece[] = "\x92\xB7\x82\xA2";

class StringResources : public testing::Test {
protected:
    Application application{GetModuleHandleA(nullptr), false};
};

std::string text(char* heapText) {
    const HeapString owned(heapText);
    return owned ? std::string(owned.get()) : std::string("<null>");
}

TEST_F(StringResources, LoadsEntriesAsCodePage932) {
    struct Case {
        UINT id;
        const char* expected;
    };
    const Case cases[] = {
        {25088, "\x90\xE6\x93\xAA"},
        {25092, tooLongTemplate},
        {25103, "\x96\x96\x94\xF6\x83\\\x95\\"},
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.id);
        EXPECT_EQ(text(application.loadString(entry.id)), entry.expected);
    }
}

TEST_F(StringResources, AbsentAndEmptyEntriesAreNull) {
    for (UINT id : {25089u, 25094u, 25097u, 25104u, 1u, 40000u}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(application.loadString(id), nullptr);
    }
}

TEST_F(StringResources, FormatStringExpandsInserts) {
    EXPECT_EQ(text(application.formatString(25092, 260u)), tooLong260);
    EXPECT_EQ(text(application.formatString(25093, 0x1234ABu)), dialogError);
    EXPECT_EQ(text(application.formatString(25095, "x\x83\\")), std::string(lines) + "x\x83\\");
}

TEST_F(StringResources, FormatStringAddsNoLineBreaks) {
    std::string expected;
    for (int i = 0; i < 150; ++i) {
        expected += longPiece;
    }
    EXPECT_EQ(text(application.formatString(25096, 7u)), expected + " 7");
}

TEST_F(StringResources, FormatStringOfAMissingTemplateIsNull) {
    EXPECT_EQ(application.formatString(25094, 1u), nullptr);
    EXPECT_EQ(application.formatString(40000, 1u), nullptr);
}

char* formatWith(DWORD flags, const void* source, DWORD id, ...) {
    va_list arguments;
    va_start(arguments, id);
    char* result = formatMessage(flags, source, id, &arguments);
    va_end(arguments);
    return result;
}

TEST(FormatMessageCopy, CopiesTheFormattedText) {
    EXPECT_EQ(text(formatWith(FORMAT_MESSAGE_FROM_STRING, "%2!s!-%1!d!", 0, 12, "ab")), "ab-12");
    EXPECT_EQ(text(formatWith(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_IGNORE_INSERTS, "%1 x", 0)), "%1 x");
}

TEST(FormatMessageCopy, FailureIsNull) {
    EXPECT_EQ(formatWith(FORMAT_MESSAGE_FROM_STRING, "", 0), nullptr);
    EXPECT_EQ(formatWith(FORMAT_MESSAGE_FROM_HMODULE, GetModuleHandleA(nullptr), 0x1234), nullptr);
}

} // namespace
