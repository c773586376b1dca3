#include "Win32FileAccess.h"

#include "Filetime.h"

Win32FileAccess::~Win32FileAccess() {
    close();
}

bool Win32FileAccess::open(const char* path) {
    close();
    file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file != INVALID_HANDLE_VALUE;
}

bool Win32FileAccess::isOpen() const {
    return file != INVALID_HANDLE_VALUE && file != nullptr;
}

bool Win32FileAccess::getLastWriteTime(FileTime& time) {
    FILETIME lastWrite;
    if (!GetFileTime(file, nullptr, nullptr, &lastWrite))
        return false;
    time = fromFiletime(lastWrite);
    return true;
}

bool Win32FileAccess::getSize(std::uint64_t& size) {
    // A size whose low half is 0xFFFFFFFF is valid; only the error code tells a
    // failure apart, so no earlier error may linger in it.
    SetLastError(NO_ERROR);
    DWORD high = 0;
    const DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return false;
    size = std::uint64_t(high) << 32 | low;
    return true;
}

bool Win32FileAccess::read(unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    DWORD got = 0;
    const BOOL ok = ReadFile(file, buffer, count, &got, nullptr);
    done = got;
    return ok != FALSE;
}

bool Win32FileAccess::seek(std::uint32_t offset) {
    SetLastError(NO_ERROR);
    LONG high = 0;
    const DWORD low = SetFilePointer(file, static_cast<LONG>(offset), &high, FILE_BEGIN);
    return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

bool Win32FileAccess::write(const unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    DWORD put = 0;
    const BOOL ok = WriteFile(file, buffer, count, &put, nullptr);
    done = put;
    return ok != FALSE;
}

bool Win32FileAccess::setLastWriteTime(const FileTime& time) {
    const FILETIME lastWrite = toFiletime(time);
    return SetFileTime(file, nullptr, nullptr, &lastWrite) != FALSE;
}

bool Win32FileAccess::close() {
    if (file == INVALID_HANDLE_VALUE)
        return true;
    const bool closed = CloseHandle(file) != FALSE;
    file = INVALID_HANDLE_VALUE;
    return closed;
}
