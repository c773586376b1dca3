#include "CardDrive.h"

#include <cstdio>

namespace {

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}

char driveLetter(const std::string& name) {
    const std::string volume = "\\\\.\\";
    // \\.\E:\ would be the volume's root folder, not the volume.
    const bool raw = name.compare(0, volume.size(), volume) == 0;
    const std::string drive = raw ? name.substr(volume.size()) : name;
    const bool whole = drive.size() == 2 || (!raw && drive.size() == 3 && (drive[2] == '\\' || drive[2] == '/'));
    return whole && drive[1] == ':' && isLetter(drive[0]) ? upper(drive[0]) : 0;
}

std::string driveVolume(char letter) {
    return std::string("\\\\.\\") + letter + ":";
}

bool holdsSystem(char letter, const std::string& systemRoot) {
    return systemRoot.size() >= 2 && systemRoot[1] == ':' && upper(systemRoot[0]) == letter;
}

std::string cardFolderName(const std::string& label, char letter, unsigned year, unsigned month, unsigned day,
    unsigned number) {
    std::string name;
    for (const char c : label) {
        const bool refused =
            static_cast<unsigned char>(c) < 0x20 || std::string("\\/:*?\"<>|").find(c) != std::string::npos;
        name += refused ? '_' : c;
    }
    // Windows drops spaces and dots at the end of a folder's name.
    while (!name.empty() && (name.back() == ' ' || name.back() == '.'))
        name.pop_back();
    if (name.empty())
        name = std::string(1, letter);
    char date[32];
    std::snprintf(date, sizeof date, " %04u-%02u-%02u", year, month, day);
    name += date;
    return number > 1 ? name + " (" + std::to_string(number) + ")" : name;
}
