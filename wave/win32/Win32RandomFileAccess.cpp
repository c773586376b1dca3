#include "Win32RandomFileAccess.h"

#include "Filetime.h"
#include "WideText.h"

namespace {

OVERLAPPED at(std::uint64_t offset) {
    OVERLAPPED overlapped = {};
    overlapped.Offset = static_cast<DWORD>(offset);
    overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return overlapped;
}

}

Win32RandomFileAccess::~Win32RandomFileAccess() {
    close();
}

bool Win32RandomFileAccess::fail(Refusal why) {
    error = why == Refusal::None ? GetLastError() : 0;
    refused = why;
    if (isOpen()) {
        CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
    }
    return false;
}

bool Win32RandomFileAccess::open(const char* path) {
    close();
    error = 0;
    refused = Refusal::None;
    position = 0;
    written = false;
    const std::wstring name = toWide(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return fail();
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
        return fail(Refusal::NotRegularFile);
    if ((attributes & FILE_ATTRIBUTE_READONLY) && mode != Mode::Read)
        return fail(Refusal::ReadOnly);
    const bool writes = mode == Mode::ReadWrite;
    const DWORD share = writes ? 0 : mode == Mode::Inspect ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
    file = CreateFileW(name.c_str(), writes ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ, share, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        SetLastError(code);
        return fail(code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ? Refusal::Locked : Refusal::None);
    }
    // A folder cannot be opened so, but a name can be made to stand for a
    // device or a pipe after the look at its attributes.
    if (GetFileType(file) != FILE_TYPE_DISK)
        return fail(Refusal::NotRegularFile);
    return true;
}

bool Win32RandomFileAccess::isOpen() const {
    return file != INVALID_HANDLE_VALUE;
}

bool Win32RandomFileAccess::getLastWriteTime(FileTime& time) {
    FILETIME lastWrite;
    if (!GetFileTime(file, nullptr, nullptr, &lastWrite)) {
        error = GetLastError();
        return false;
    }
    time = fromFiletime(lastWrite);
    return true;
}

bool Win32RandomFileAccess::getSize(std::uint64_t& size) {
    LARGE_INTEGER length;
    if (!GetFileSizeEx(file, &length)) {
        error = GetLastError();
        return false;
    }
    size = static_cast<std::uint64_t>(length.QuadPart);
    return true;
}

bool Win32RandomFileAccess::read(unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    const bool ok = readAt(position, buffer, count, done);
    position += done;
    return ok;
}

bool Win32RandomFileAccess::seek(std::uint32_t offset) {
    position = offset;
    return isOpen();
}

bool Win32RandomFileAccess::write(const unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    const bool ok = writeAt(position, buffer, count, done);
    position += done;
    return ok;
}

bool Win32RandomFileAccess::setLastWriteTime(const FileTime& time) {
    const FILETIME lastWrite = toFiletime(time);
    if (!SetFileTime(file, nullptr, nullptr, &lastWrite)) {
        error = GetLastError();
        return false;
    }
    return true;
}

bool Win32RandomFileAccess::readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count,
    std::uint32_t& done) {
    done = 0;
    while (done < count) {
        OVERLAPPED overlapped = at(offset + done);
        DWORD got = 0;
        if (!ReadFile(file, buffer + done, count - done, &got, &overlapped)) {
            if (GetLastError() == ERROR_HANDLE_EOF)
                return true;
            error = GetLastError();
            return false;
        }
        if (got == 0)
            return true;
        done += got;
    }
    return true;
}

bool Win32RandomFileAccess::writeAt(std::uint64_t offset, const unsigned char* buffer, std::uint32_t count,
    std::uint32_t& done) {
    done = 0;
    written = true;
    while (done < count) {
        OVERLAPPED overlapped = at(offset + done);
        DWORD put = 0;
        if (!WriteFile(file, buffer + done, count - done, &put, &overlapped) || put == 0) {
            error = GetLastError();
            return false;
        }
        done += put;
    }
    return true;
}

bool Win32RandomFileAccess::flush() {
    if (!written)
        return true;
    if (!FlushFileBuffers(file)) {
        error = GetLastError();
        return false;
    }
    written = false;
    return true;
}

bool Win32RandomFileAccess::close() {
    if (!isOpen())
        return true;
    const bool flushed = flush();
    const bool closed = CloseHandle(file) != FALSE;
    file = INVALID_HANDLE_VALUE;
    return flushed && closed;
}
