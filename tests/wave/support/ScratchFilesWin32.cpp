#include "ScratchFiles.h"

#include <windows.h>

const char* const ScratchDir::separator = "\\";

namespace {

std::int64_t ticks(const FILETIME& t) {
    return static_cast<std::int64_t>(std::uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime);
}

FILETIME fromTicks(std::int64_t value) {
    return {static_cast<DWORD>(value), static_cast<DWORD>(static_cast<std::uint64_t>(value) >> 32)};
}

void removeTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
        const std::string leaf = found.cFileName;
        if (leaf == "." || leaf == "..")
            continue;
        const std::string child = path + "\\" + leaf;
        SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            removeTree(child);
        else
            DeleteFileA(child.c_str());
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    RemoveDirectoryA(path.c_str());
}

bool seekTo(HANDLE file, std::uint64_t offset) {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) != FALSE;
}

bool writeAt(HANDLE file, const std::vector<unsigned char>& bytes, std::uint64_t offset) {
    DWORD put = 0;
    return seekTo(file, offset)
        && (bytes.empty()
            || (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) && put == bytes.size()));
}

// Opens with every sharing mode, so the helpers work beside any opener.
HANDLE openShared(const std::string& path, DWORD access) {
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}
}

ScratchDir::ScratchDir() {
    for (int attempt = 0; attempt < 100 && !created; ++attempt) {
        name = "scratch-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount() + attempt);
        created = CreateDirectoryA(name.c_str(), nullptr) != FALSE;
    }
}

ScratchDir::~ScratchDir() {
    if (created)
        removeTree(name);
}

bool writeSparseFile(const std::string& path, const std::vector<unsigned char>& head, std::uint64_t size,
    const std::vector<unsigned char>& tail) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD unused = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr);
    const bool ok =
        seekTo(file, size) && SetEndOfFile(file) && writeAt(file, head, 0) && writeAt(file, tail, size - tail.size());
    return CloseHandle(file) && ok;
}

std::vector<unsigned char> readRange(const std::string& path, std::uint64_t offset, std::uint32_t count) {
    const HANDLE file = openShared(path, GENERIC_READ);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::vector<unsigned char> bytes(count);
    DWORD got = 0;
    if (!seekTo(file, offset) || (count > 0 && !ReadFile(file, bytes.data(), count, &got, nullptr)))
        got = 0;
    CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

std::uint64_t fileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return std::uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

bool makeDirectory(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool readTimes(const std::string& path, FileTimes& times) {
    const HANDLE file = openShared(path, FILE_READ_ATTRIBUTES);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    FILETIME accessed, modified;
    const bool ok = GetFileTime(file, nullptr, &accessed, &modified) != FALSE;
    CloseHandle(file);
    times.modified = ticks(modified);
    times.accessed = ticks(accessed);
    return ok;
}

bool setTimes(const std::string& path, const FileTimes& times) {
    const HANDLE file = openShared(path, FILE_WRITE_ATTRIBUTES);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const FILETIME accessed = fromTicks(times.accessed);
    const FILETIME modified = fromTicks(times.modified);
    const bool ok = SetFileTime(file, nullptr, &accessed, &modified) != FALSE;
    CloseHandle(file);
    return ok;
}

std::int64_t timeNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return ticks(now);
}

std::int64_t oneDay() {
    return 86400ll * 10000000;
}

bool setReadOnly(const std::string& path, bool readOnly) {
    return SetFileAttributesA(path.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL) != FALSE;
}

bool readOnlyKeepsWritersOut(const std::string& path) {
    const HANDLE file = openShared(path, GENERIC_WRITE);
    if (file == INVALID_HANDLE_VALUE)
        return true;
    CloseHandle(file);
    return false;
}

void leaveStaleError() {
    SetLastError(ERROR_ACCESS_DENIED);
}

HeldFile::HeldFile(const std::string& path, Kind kind) {
    const HANDLE file = openShared(path, kind == Kind::WriteHandle ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ);
    held = file != INVALID_HANDLE_VALUE;
    handle = reinterpret_cast<std::intptr_t>(file);
}

HeldFile::~HeldFile() {
    if (held)
        CloseHandle(reinterpret_cast<HANDLE>(handle));
}

std::vector<HeldFile::Kind> holdKinds() {
    return {HeldFile::Kind::ReadHandle, HeldFile::Kind::WriteHandle};
}
