#include "TestFiles.h"

#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

std::vector<unsigned char> waveBytes(const HeaderFields& fields, std::size_t sampleBytes) {
    std::vector<unsigned char> bytes(44 + sampleBytes);
    auto put = [&bytes](std::size_t at, std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
        }
    };
    std::memcpy(bytes.data(), "RIFF....WAVEfmt ", 16);
    std::memcpy(&bytes[36], "data", 4);
    std::uint32_t blockAlign = fields.channels * fields.bitsPerSample / 8u;
    put(4, fields.riffSize, 4);
    put(16, 16, 4);
    put(20, fields.formatTag, 2);
    put(22, fields.channels, 2);
    put(24, fields.sampleRate, 4);
    put(28, fields.sampleRate * blockAlign, 4);
    put(32, blockAlign, 2);
    put(34, fields.bitsPerSample, 2);
    put(40, fields.dataSize, 4);
    for (std::size_t i = 0; i < sampleBytes; ++i) {
        bytes[44 + i] = static_cast<unsigned char>(i * 7);
    }
    return bytes;
}

void expectOnlySizesFitted(const std::vector<unsigned char>& before, const std::string& path) {
    std::vector<unsigned char> after = readFile(path);
    ASSERT_EQ(before.size(), after.size());
    auto field = [&after](std::size_t at) {
        return after[at] | after[at + 1] << 8 | after[at + 2] << 16 | std::uint32_t(after[at + 3]) << 24;
    };
    EXPECT_EQ(after.size() - 8, field(4));
    EXPECT_EQ(after.size() - 44, field(40));
    for (int i : {4, 5, 6, 7, 40, 41, 42, 43}) {
        after[i] = before[i];
    }
    EXPECT_EQ(before, after) << "more than the size fields changed";
}

std::string scratchFolder(const std::string& name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "sonorix-app-" + name;
    std::string list = folder + '\0'; // c_str() adds the second NUL that ends the list
    SHFILEOPSTRUCTA removal{};
    removal.wFunc = FO_DELETE;
    removal.pFrom = list.c_str();
    removal.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationA(&removal);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return file.good();
}

std::vector<unsigned char> readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), {});
}

std::string ansi(const char* utf8) {
    std::wstring wide(std::strlen(utf8), L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &wide[0], wide.size() + 1) - 1);
    std::string text(wide.size() * 2, '\0');
    text.resize(WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, &text[0], text.size() + 1, nullptr, nullptr) - 1);
    return text;
}

std::string windowsPath(const char* unixPath) {
    std::string path = std::string("Z:") + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}
