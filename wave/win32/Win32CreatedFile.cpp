#include "Win32CreatedFile.h"

#include "WideText.h"

Win32CreatedFile::~Win32CreatedFile() {
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

bool Win32CreatedFile::fail(DWORD code) {
    error = code;
    return false;
}

bool Win32CreatedFile::vacant(const char* path) {
    if (GetFileAttributesW(longPath(toWide(path)).c_str()) != INVALID_FILE_ATTRIBUTES)
        return fail(ERROR_FILE_EXISTS);
    const DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND || fail(code);
}

bool Win32CreatedFile::create(const char* path) {
    error = 0;
    const std::wstring wide = longPath(toWide(path));
    file =
        CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return fail(GetLastError());
    name = wide;
    appended = 0;
    return true;
}

bool Win32CreatedFile::append(const unsigned char* bytes, std::uint32_t count) {
    if (!writeAt(appended, bytes, count))
        return false;
    appended += count;
    return true;
}

bool Win32CreatedFile::writeAt(std::uint64_t offset, const unsigned char* bytes, std::uint32_t count) {
    std::uint32_t done = 0;
    while (done < count) {
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(offset + done);
        at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        DWORD put = 0;
        if (!WriteFile(file, bytes + done, count - done, &put, &at))
            return fail(GetLastError());
        if (put == 0)
            return fail(ERROR_WRITE_FAULT);
        done += put;
    }
    return true;
}

bool Win32CreatedFile::readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    done = 0;
    while (done < count) {
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(offset + done);
        at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        DWORD got = 0;
        if (!ReadFile(file, buffer + done, count - done, &got, &at)) {
            if (GetLastError() == ERROR_HANDLE_EOF)
                break;
            return fail(GetLastError());
        }
        if (got == 0)
            break;
        done += got;
    }
    return true;
}

bool Win32CreatedFile::resize(std::uint64_t size) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(size);
    return (SetFilePointerEx(file, to, nullptr, FILE_BEGIN) && SetEndOfFile(file)) || fail(GetLastError());
}

bool Win32CreatedFile::finish() {
    const bool flushed = FlushFileBuffers(file) != FALSE;
    const DWORD code = GetLastError();
    const bool closed = CloseHandle(file) != FALSE;
    file = INVALID_HANDLE_VALUE;
    if (!flushed)
        return fail(code);
    return closed || fail(GetLastError());
}

bool Win32CreatedFile::rename(const char* path) {
    error = 0;
    const std::wstring wide = longPath(toWide(path));
    // Without MOVEFILE_REPLACE_EXISTING the move fails where the name is
    // taken; MOVEFILE_WRITE_THROUGH returns once the move is on the disk.
    if (!MoveFileExW(name.c_str(), wide.c_str(), MOVEFILE_WRITE_THROUGH))
        return fail(GetLastError());
    name = wide;
    return true;
}

void Win32CreatedFile::abandon() {
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
    if (!name.empty())
        DeleteFileW(name.c_str());
    name.clear();
}
