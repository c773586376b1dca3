#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "DroppedFile.h"

namespace {

// A drop handle as the shell hands it over: DROPFILES, then the ANSI names,
// each NUL-terminated, the list ended by an empty name.
HDROP makeDrop(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) {
        list += name + '\0';
    }
    list += '\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size());
    if (!memory) {
        return nullptr;
    }
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    std::memcpy(header + 1, list.data(), list.size());
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

std::string pathOfLength(std::size_t length) {
    return "C:\\" + std::string(length - 3, 'x');
}

struct DropCase {
    const char* what;
    std::vector<std::string> names;
    bool taken;
    std::string expected;
};

TEST(DroppedFile, OnlyAWholeFirstPathIsTaken) {
    const DropCase cases[] = {
        {"one file", {"C:\\rec\\a.wav"}, true, "C:\\rec\\a.wav"},
        {"three files: the first", {"C:\\1.wav", "C:\\2.wav", "C:\\3.wav"}, true, "C:\\1.wav"},
        {"259 characters fit", {pathOfLength(259)}, true, pathOfLength(259)},
        {"260 characters would be cut", {pathOfLength(260)}, false, ""},
        {"far too long", {pathOfLength(700), "C:\\short.wav"}, false, ""},
        {"no file", {}, false, ""},
    };
    for (const DropCase& c : cases) {
        SCOPED_TRACE(c.what);
        HDROP drop = makeDrop(c.names);
        ASSERT_NE(nullptr, drop);
        char name[260];
        std::memset(name, '?', sizeof name);
        bool taken = firstDroppedFile(drop, name, sizeof name);
        EXPECT_EQ(c.taken, taken);
        if (c.taken && taken) {
            EXPECT_EQ(c.expected, std::string(name));
        }
        GlobalFree(drop);
    }
}

} // namespace
