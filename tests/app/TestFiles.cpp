#include "TestFiles.h"

namespace {

void put16(std::vector<unsigned char>& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<unsigned char>(value);
    bytes[at + 1] = static_cast<unsigned char>(value >> 8);
}

void put32(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

std::uint32_t get32(const std::vector<unsigned char>& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | bytes[at + i];
    }
    return value;
}

void removeContents(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        std::string name = entry.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        std::string path = folder + "\\" + name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            removeContents(path);
            RemoveDirectoryA(path.c_str());
        } else {
            DeleteFileA(path.c_str());
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

} // namespace

std::vector<unsigned char> waveBytes(const HeaderFields& fields, std::size_t sampleBytes) {
    std::vector<unsigned char> bytes(44 + sampleBytes);
    const char tags[] = "RIFF....WAVEfmt ";
    for (int i = 0; i < 16; ++i) {
        bytes[i] = static_cast<unsigned char>(tags[i]);
    }
    put32(bytes, 4, fields.riffSize);
    put32(bytes, 16, 16);
    put16(bytes, 20, fields.formatTag);
    put16(bytes, 22, fields.channels);
    put32(bytes, 24, fields.sampleRate);
    std::uint16_t blockAlign = static_cast<std::uint16_t>(fields.channels * fields.bitsPerSample / 8);
    put32(bytes, 28, fields.sampleRate * blockAlign);
    put16(bytes, 32, blockAlign);
    put16(bytes, 34, fields.bitsPerSample);
    bytes[36] = 'd';
    bytes[37] = 'a';
    bytes[38] = 't';
    bytes[39] = 'a';
    put32(bytes, 40, fields.dataSize);
    for (std::size_t i = 0; i < sampleBytes; ++i) {
        bytes[44 + i] = static_cast<unsigned char>(i * 7);
    }
    return bytes;
}

std::string scratchFolder(const std::string& name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "sonorix-app-" + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    removeContents(folder);
    return folder;
}

bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                                         &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::vector<unsigned char> readFile(const std::string& path) {
    std::vector<unsigned char> bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    DWORD size = GetFileSize(file, nullptr);
    if (size != INVALID_FILE_SIZE) {
        bytes.resize(size);
        DWORD read = 0;
        if (size && !ReadFile(file, bytes.data(), size, &read, nullptr)) {
            read = 0;
        }
        bytes.resize(read);
    }
    CloseHandle(file);
    return bytes;
}

bool readSizes(const std::string& path, std::uint32_t* riffSize, std::uint32_t* dataSize) {
    std::vector<unsigned char> bytes = readFile(path);
    if (bytes.size() < 44) {
        return false;
    }
    *riffSize = get32(bytes, 4);
    *dataSize = get32(bytes, 40);
    return true;
}

bool setLastWriteTime(const std::string& path, const FILETIME& time) {
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    BOOL ok = SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
    return ok != FALSE;
}

bool lastWriteTime(const std::string& path, FILETIME* time) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return false;
    }
    *time = data.ftLastWriteTime;
    return true;
}

std::string ansi(const char* utf8) {
    int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring wide(wideLength, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &wide[0], wideLength);
    int length = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(length, '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, &text[0], length, nullptr, nullptr);
    text.resize(length > 0 ? length - 1 : 0);
    return text;
}

std::string windowsPath(const char* unixPath) {
    std::string path = std::string("Z:") + unixPath;
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}
