#include "Registry.h"

#include "HeapString.h"

#include <cstdlib>
#include <cstring>

namespace {

// Appends text when it fits with its terminator; length tracks the bytes used.
bool append(char* destination, std::size_t& length, const char* text) {
    const std::size_t size = std::strlen(text);
    if (size >= keyPathCapacity - length) {
        return false;
    }
    std::memcpy(destination + length, text, size + 1);
    length += size;
    return true;
}

bool appendPart(char* destination, std::size_t& length, const char* part) {
    if (part == nullptr || *part == '\0') {
        return true;
    }
    return append(destination, length, "\\") && append(destination, length, part);
}

// The last backslash of path, found by whole characters, or null.
char* lastBackslash(char* path) {
    char* last = nullptr;
    for (char* scan = path; *scan != '\0'; scan = CharNextA(scan)) {
        if (*scan == '\\') {
            last = scan;
        }
    }
    return last;
}

// The most bytes one character takes in the ANSI code page (at most four, in
// UTF-8), so that a slot sized in UTF-16 characters holds the bytes that
// RegEnumKeyExA writes.
DWORD ansiBytesPerCharacter() {
    CPINFO info;
    return GetCPInfo(CP_ACP, &info) ? info.MaxCharSize : 4;
}

// Reads the names of key's direct subkeys into one block of slots. Only the
// first *filled slots hold names; the key may lose subkeys while it is read.
bool collectSubkeyNames(HKEY key, DWORD subkeys, DWORD slotSize, char* slots, DWORD* filled) {
    *filled = 0;
    for (DWORD index = 0; index < subkeys; ++index) {
        DWORD capacity = slotSize;
        const LONG result =
            RegEnumKeyExA(key, index, slots + index * slotSize, &capacity, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) {
            return true;
        }
        if (result != ERROR_SUCCESS) {
            return false;
        }
        *filled = index + 1;
    }
    return true;
}

} // namespace

bool buildKeyPath(char* destination, bool withPrefix, const char* part1, const char* part2, const char* part3,
    const char* part4) {
    std::size_t length = 0;
    destination[0] = '\0';
    // Without a first part the path would name a parent of the key meant.
    const bool built = part1 != nullptr && *part1 != '\0' && (!withPrefix || append(destination, length, "Software\\"))
        && append(destination, length, part1) && appendPart(destination, length, part2)
        && appendPart(destination, length, part3) && appendPart(destination, length, part4);
    if (!built) {
        destination[0] = '\0';
    }
    return built;
}

HKEY openKey(HKEY root, const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

HKEY openAppKey(HKEY root, const char* part1, const char* part2, const char* part3, const char* part4) {
    char path[keyPathCapacity];
    if (!buildKeyPath(path, true, part1, part2, part3, part4)) {
        return nullptr;
    }
    return openKey(root, path);
}

LONG closeKey(HKEY key) {
    return RegCloseKey(key);
}

bool deleteKeyTree(HKEY root, const char* path) {
    HKEY key = openKey(root, path);
    if (key == nullptr) {
        return false;
    }
    DWORD subkeys = 0;
    // In UTF-16 characters; an ANSI name may need more bytes than that.
    DWORD longestName = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &longestName, nullptr, nullptr, nullptr, nullptr,
            nullptr, nullptr)
        != ERROR_SUCCESS) {
        closeKey(key);
        return false;
    }
    if (subkeys != 0) {
        const DWORD slotSize = longestName * ansiBytesPerCharacter() + 1;
        char* slots = static_cast<char*>(std::malloc(static_cast<std::size_t>(subkeys) * slotSize));
        if (slots == nullptr) {
            closeKey(key);
            return false;
        }
        DWORD filled = 0;
        bool deleted = collectSubkeyNames(key, subkeys, slotSize, slots, &filled);
        for (DWORD index = 0; deleted && index < filled; ++index) {
            deleted = deleteKeyTree(key, slots + index * slotSize);
        }
        std::free(slots);
        if (!deleted) {
            closeKey(key);
            return false;
        }
    }
    closeKey(key);
    return RegDeleteKeyA(root, path) == ERROR_SUCCESS;
}

bool deleteKeyAndPrune(HKEY root, const char* path) {
    if (!deleteKeyTree(root, path)) {
        return false;
    }
    const HeapString parent(copyString(path));
    if (!parent) {
        return false;
    }
    for (;;) {
        char* cut = lastBackslash(parent.get());
        if (cut == nullptr) {
            return true;
        }
        *cut = '\0';
        HKEY key = openKey(root, parent.get());
        if (key == nullptr) {
            return false;
        }
        DWORD subkeys = 0;
        DWORD values = 0;
        const LONG queried = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
            nullptr, nullptr, nullptr, nullptr);
        closeKey(key);
        if (queried != ERROR_SUCCESS || subkeys != 0 || values != 0) {
            return false;
        }
        if (RegDeleteKeyA(root, parent.get()) != ERROR_SUCCESS) {
            return false;
        }
    }
}

bool deleteAppKey(HKEY root, const char* part1, const char* part2, const char* part3, const char* part4) {
    char path[keyPathCapacity];
    if (!buildKeyPath(path, true, part1, part2, part3, part4)) {
        return false;
    }
    return deleteKeyAndPrune(root, path);
}
