#include "ScratchDirectory.h"

#include <windows.h>

namespace {

void removeTree(const std::string& directory) {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
        const std::string name = found.cFileName;
        const std::string path = directory + "\\" + name;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            DeleteFileA(path.c_str());
        } else if (name != "." && name != "..") {
            removeTree(path);
        }
    }
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
    }
    RemoveDirectoryA(directory.c_str());
}

} // namespace

ScratchDirectory::ScratchDirectory(const std::string& suffix) {
    char temporary[MAX_PATH];
    char unique[MAX_PATH];
    const DWORD length = GetTempPathA(sizeof temporary, temporary);
    if (length != 0 && length < sizeof temporary && GetTempFileNameA(temporary, "sx", 0, unique) != 0) {
        DeleteFileA(unique);
        directory = unique + suffix;
        ok = CreateDirectoryA(directory.c_str(), nullptr) != FALSE;
    }
}

ScratchDirectory::~ScratchDirectory() {
    if (ok) {
        removeTree(directory);
    }
}

bool ScratchDirectory::copy(const std::string& source, const std::string& name) const {
    return CopyFileA(source.c_str(), (directory + "\\" + name).c_str(), FALSE) != FALSE;
}
