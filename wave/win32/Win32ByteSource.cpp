#include "Win32ByteSource.h"

#include "WideText.h"

#include <winioctl.h>

namespace {

bool startsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, wcslen(prefix), prefix) == 0;
}

// \\.\E:, \\.\PhysicalDrive1, \\?\Volume{...} and \\?\GLOBALROOT\Device\...
// name devices; \\?\C:\... names a file.
bool namesDevice(const std::wstring& name) {
    return startsWith(name, L"\\\\.\\") || startsWith(name, L"\\\\?\\Volume{")
        || startsWith(name, L"\\\\?\\GLOBALROOT\\");
}

}

Win32ByteSource::Win32ByteSource() : handle(*this, file), uncachedHandle(*this, uncached) {}

Win32ByteSource::~Win32ByteSource() {
    close();
}

bool Win32ByteSource::fail(bool refusal) {
    error = refusal ? ERROR_INVALID_FUNCTION : GetLastError();
    refused = refusal;
    close();
    return false;
}

bool Win32ByteSource::open(const char* path) {
    close();
    error = 0;
    refused = false;
    const std::wstring name = toWide(path);
    device = namesDevice(name);
    if (!device) {
        const DWORD attributes = GetFileAttributesW(name.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return fail();
        if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
            return fail(true);
    }
    file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, device ? 0 : FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return fail();
    if (GetFileType(file) != FILE_TYPE_DISK)
        return fail(true);
    if (device) {
        if (!sizeDevice())
            return false;
    } else {
        LARGE_INTEGER length;
        if (!GetFileSizeEx(file, &length))
            return fail();
        bytes = static_cast<std::uint64_t>(length.QuadPart);
        sector = 512;
    }
    openUnbuffered(name);
    return true;
}

void Win32ByteSource::openUnbuffered(const std::wstring& name) {
    uncached = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_NO_BUFFERING, nullptr);
    if (uncached == INVALID_HANDLE_VALUE)
        return;
    direct = std::make_unique<BlockReads>(uncachedHandle, sector);
    // An image's volume may take unbuffered reads in larger sectors alone;
    // then reads go through the cache.
    unsigned char probe[512];
    std::uint32_t done = 0;
    const DWORD kept = error;
    if (bytes >= sector && !direct->readAt(0, probe, sizeof probe, done) && error == ERROR_INVALID_PARAMETER) {
        direct.reset();
        CloseHandle(uncached);
        uncached = INVALID_HANDLE_VALUE;
    }
    error = kept;
}

bool Win32ByteSource::sizeDevice() {
    DWORD returned = 0;
    GET_LENGTH_INFORMATION length = {};
    if (!DeviceIoControl(file, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length, &returned, nullptr))
        return fail(GetLastError() == ERROR_INVALID_FUNCTION);
    bytes = static_cast<std::uint64_t>(length.Length.QuadPart);
    // Past the end the file system gives a mounted volume, the sectors it
    // leaves unused would be refused otherwise; reading them changes nothing.
    DeviceIoControl(file, FSCTL_ALLOW_EXTENDED_DASD_IO, nullptr, 0, nullptr, 0, &returned, nullptr);
    DISK_GEOMETRY geometry = {};
    sector = 512;
    if (DeviceIoControl(file, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry, sizeof geometry, &returned, nullptr)
        && geometry.BytesPerSector >= 512 && geometry.BytesPerSector <= 65536
        && (geometry.BytesPerSector & (geometry.BytesPerSector - 1)) == 0)
        sector = geometry.BytesPerSector;
    blocks = std::make_unique<BlockReads>(handle, sector);
    return true;
}

void Win32ByteSource::close() {
    direct.reset();
    if (uncached != INVALID_HANDLE_VALUE)
        CloseHandle(uncached);
    uncached = INVALID_HANDLE_VALUE;
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
    blocks.reset();
    bytes = 0;
}

bool Win32ByteSource::readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    return blocks ? blocks->readAt(offset, buffer, count, done) : handle.readAt(offset, buffer, count, done);
}

bool Win32ByteSource::HandleReads::readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count,
    std::uint32_t& done) {
    done = 0;
    while (done < count) {
        OVERLAPPED overlapped = {};
        overlapped.Offset = static_cast<DWORD>(offset + done);
        overlapped.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        DWORD got = 0;
        if (!ReadFile(file, buffer + done, count - done, &got, &overlapped)) {
            if (GetLastError() == ERROR_HANDLE_EOF)
                return true;
            owner.error = GetLastError();
            return false;
        }
        if (got == 0)
            return true;
        done += got;
    }
    return true;
}
