#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Files the tests hand to Sonorix, in scratch folders of their own.

// The fields a canonical 44-byte header is built from.
struct HeaderFields {
    std::uint32_t riffSize = 36;
    std::uint16_t formatTag = 1;
    std::uint16_t channels = 1;
    std::uint32_t sampleRate = 8000;
    std::uint16_t bitsPerSample = 16;
    std::uint32_t dataSize = 0;
};

// The header, then sampleBytes of patterned samples.
std::vector<unsigned char> waveBytes(const HeaderFields& fields, std::size_t sampleBytes);
// Checks that the file holds before with only its two size fields set to fit its length.
void expectOnlySizesFitted(const std::vector<unsigned char>& before, const std::string& path);

// A fresh, empty folder under the system's temporary folder (ANSI path).
std::string scratchFolder(const std::string& name);
bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes);
// Empty when the file does not open.
std::vector<unsigned char> readFile(const std::string& path);

// Text from UTF-8 source into the ANSI code page (932 here).
std::string ansi(const char* utf8);
// A Unix path of the build as Wine shows it (drive Z:).
std::string windowsPath(const char* unixPath);
