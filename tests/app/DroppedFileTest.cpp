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

// The first name when it is taken whole; empty when nothing should be taken.
struct DropCase {
    const char* what;
    std::vector<std::string> names;
    std::string taken;
};

TEST(DroppedFile, OnlyAWholeFirstPathIsTaken) {
    const std::string fits = "C:\\" + std::string(256, 'x'); // 259 characters
    const DropCase cases[] = {
        {"one file", {"C:\\rec\\a.wav"}, "C:\\rec\\a.wav"},
        {"three files: the first", {"C:\\1.wav", "C:\\2.wav", "C:\\3.wav"}, "C:\\1.wav"},
        {"259 characters fit", {fits}, fits},
        {"260 characters would be cut", {fits + "x"}, ""},
        {"far too long", {fits + std::string(441, 'x'), "C:\\short.wav"}, ""},
        {"no file", {}, ""},
    };
    for (const DropCase& c : cases) {
        SCOPED_TRACE(c.what);
        HDROP drop = makeDrop(c.names);
        ASSERT_NE(nullptr, drop);
        char name[260];
        std::memset(name, '?', sizeof name);
        bool taken = firstDroppedFile(drop, name, sizeof name);
        EXPECT_EQ(!c.taken.empty(), taken);
        if (taken) {
            EXPECT_EQ(c.taken, std::string(name));
        }
        GlobalFree(drop);
    }
}

} // namespace
