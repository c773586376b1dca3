#include "ScratchDirectory.h"

#include <windows.h>

namespace {

void removeTree(const std::string& directory) {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string path = directory + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(path);
            } else {
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(directory.c_str());
}

} // namespace

ScratchDirectory::ScratchDirectory(const std::string& suffix) {
    static unsigned counter = 0;
    char temporary[MAX_PATH];
    const DWORD length = GetTempPathA(sizeof temporary, temporary);
    if (length == 0 || length >= sizeof temporary) {
        return;
    }
    std::string base(temporary, length);
    if (base.back() != '\\') {
        base += '\\';
    }
    const std::string stem = base + "sx" + std::to_string(GetCurrentProcessId()) + "-";
    do {
        directory = stem + std::to_string(++counter) + suffix;
        ok = CreateDirectoryA(directory.c_str(), nullptr) != FALSE;
    } while (!ok && GetLastError() == ERROR_ALREADY_EXISTS && counter < 1000);
}

ScratchDirectory::~ScratchDirectory() {
    if (ok) {
        removeTree(directory);
    }
}

bool ScratchDirectory::copy(const std::string& source, const std::string& name) const {
    return CopyFileA(source.c_str(), (directory + "\\" + name).c_str(), FALSE) != FALSE;
}
