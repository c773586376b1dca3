#pragma once

#include <cstdint>
#include <string>

// One file or folder a directory lists, live or deleted.
struct VolumeEntry {
    // UTF-8, folders separated by '/', from the root (no leading '/'), the
    // middle left out where it is long (see walkDirectories); the
    // long name where one survives, else the 8.3 name. No name holds '/',
    // '\\' or a control character (each becomes '_'), nor is "." or "..".
    std::string path;
    std::string name;
    // FAT: the 8.3 name as NAME.EXT, in the case Windows shows it; a byte past
    // ASCII becomes '_', and so does a deleted entry's first character when
    // no long name tells it. exFAT: empty.
    std::string shortName;
    // 0 when the entry names none; otherwise a cluster of the volume.
    std::uint32_t firstCluster = 0;
    // FAT: the size; exFAT: the data length and the valid data length (the
    // bytes written). FAT's validLength is its size.
    std::uint64_t size = 0;
    std::uint64_t validLength = 0;
    // The entry's own bytes in the source: the short entry (FAT), the File
    // entry of the set (exFAT).
    std::uint64_t entryOffset = 0;
    std::uint16_t attributes = 0;
    bool directory = false;
    bool deleted = false;
    // exFAT's NoFatChain: the clusters lie in a row from the first, and the
    // FAT does not describe them.
    bool contiguous = false;
    bool firstCharacterLost = false;
};
