// The system-call floor of sonorix-repair.exe -r over a folder of cut-off
// recordings, for the same comparison as folder_bench under Wine: for each
// file open it shared with no one, read the 44 header bytes, write 40 back,
// set the last-write time, flush it (Windows has no sync of a whole file
// system, so each repaired file is flushed by itself) and close it. It writes
// the cut-off sizes back, so each run leaves every file to be repaired again.
//
//   windows_floor DIR
#include <cstdio>
#include <string>
#include <windows.h>

namespace {

const unsigned char cutSizes[40] = {36, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 2, 0, 0x44,
    0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0};

bool cut(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    unsigned char header[44];
    DWORD done = 0;
    FILETIME lastWrite;
    OVERLAPPED start = {};
    OVERLAPPED sizes = {};
    sizes.Offset = 4;
    bool ok = GetFileTime(file, nullptr, nullptr, &lastWrite) && ReadFile(file, header, 44, &done, &start) && done == 44
        && WriteFile(file, cutSizes, 40, &done, &sizes) && done == 40 && SetFileTime(file, nullptr, nullptr, &lastWrite)
        && FlushFileBuffers(file);
    return CloseHandle(file) && ok;
}

}

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: windows_floor DIR\n");
        return 64;
    }
    const std::wstring folder = argv[1];
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"\\*.wav").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 2;
    bool ok = true;
    do
        ok = cut(folder + L"\\" + found.cFileName) && ok;
    while (FindNextFileW(search, &found));
    FindClose(search);
    return ok ? 0 : 2;
}
