#include <gtest/gtest.h>

#include <cstdarg>
#include <string>

#include "Application.h"
#include "HeapString.h"

namespace {

// The test executable carries a Japanese string table (ids 25088 to 25103);
// its texts must come back as the exact bytes of code page 932.
#define TOO_LONG(count)                                                                                                \
    "\x95\xB6\x8E\x9A\x97\xF1\x82\xAA\x92\xB7\x82\xB7\x82\xAC\x82\xDC\x82\xB7\x81"                                     \
    "B( " count " "                                                                                                    \
    "\x95\xB6\x8E\x9A\x96\xA2\x96\x9E\x82\xC5\x93\xFC\x97\xCD\x82\xB5\x82\xC4\x89\xBA\x82\xB3\x82\xA2)"

std::string text(char* heapText) {
    const HeapString owned(heapText);
    return owned ? std::string(owned.get()) : std::string("<null>");
}

TEST(StringResources, LoadsAndFormatsEntriesAsCodePage932) {
    const Application application(GetModuleHandleA(nullptr), false);
    EXPECT_EQ(text(application.loadString(25088)), "\x90\xE6\x93\xAA");
    EXPECT_EQ(text(application.loadString(25092)), TOO_LONG("%1!u!"));
    EXPECT_EQ(text(application.loadString(25103)), "\x96\x96\x94\xF6\x83\\\x95\\");
    EXPECT_EQ(text(application.formatString(25092, 260u)), TOO_LONG("260"));
    EXPECT_EQ(text(application.formatString(25093, 0x1234ABu)),
        "\x83R\x83\x82\x83\x93\x83_\x83"
        "C\x83"
        "A\x83\x8D\x83O\x82\xCC"
        "\x83G\x83\x89\x81[\x82\xC5\x82\xB7 (0x001234AB)");
    EXPECT_EQ(text(application.formatString(25095, "x\x83\\")),
        "\x88\xEA\x8Ds\x96\xDA\r\n\x93\xF1\x8Ds\x96\xDA x\x83\\");
    std::string noLineBreaks;
    for (int i = 0; i < 150; ++i) {
        noLineBreaks += "\x92\xB7\x82\xA2";
    }
    EXPECT_EQ(text(application.formatString(25096, 7u)), noLineBreaks + " 7");
}

TEST(StringResources, AbsentAndEmptyEntriesAreNull) {
    const Application application(GetModuleHandleA(nullptr), false);
    for (UINT id : {25089u, 25094u, 25097u, 25104u, 1u, 40000u}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(application.loadString(id), nullptr);
    }
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

TEST(FormatMessageCopy, CopiesTheFormattedTextOrIsNull) {
    EXPECT_EQ(text(formatWith(FORMAT_MESSAGE_FROM_STRING, "%2!s!-%1!d!", 0, 12, "ab")), "ab-12");
    EXPECT_EQ(text(formatWith(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_IGNORE_INSERTS, "%1 x", 0)), "%1 x");
    EXPECT_EQ(formatWith(FORMAT_MESSAGE_FROM_STRING, "", 0), nullptr);
    EXPECT_EQ(formatWith(FORMAT_MESSAGE_FROM_HMODULE, GetModuleHandleA(nullptr), 0x1234), nullptr);
}

} // namespace
