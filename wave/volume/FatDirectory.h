#pragma once

#include "VolumeEntry.h"
#include "VolumeGeometry.h"

#include <cstdint>
#include <vector>

// The entries of a FAT directory: short entries with the long-name entries
// before them, whose checksum must match the short name. A deleted entry
// (0xE5) has lost its first character; its deleted long-name entries, if they
// survive, give the name, and their checksum the character.
class FatDirectory {
public:
    enum class Step { More, Entry, End };

    explicit FatDirectory(const VolumeGeometry& volume) : volume(volume) {}

    // Takes the next entry: Entry when it is a short entry of a file or folder
    // that is sound (entry then holds it, without its path; "." and "..",
    // volume labels and damaged entries are passed over), End at the mark
    // that ends the directory.
    Step take(const unsigned char* bytes, std::uint64_t offset, VolumeEntry& entry);
    std::uint32_t damaged() const { return broken; }

private:
    void takeLongName(const unsigned char* bytes);
    bool decode(const unsigned char* bytes, VolumeEntry& entry);
    // The name the long-name entries taken so far give a short entry whose
    // first byte is first, or an empty one.
    std::string longName(const unsigned char* shortEntry, bool deleted, unsigned char& first) const;
    void forget();

    const VolumeGeometry& volume;
    // The parts in the order they lie, each 13 UTF-16 units, the last part of
    // the name first.
    std::vector<std::uint16_t> parts;
    unsigned char sum = 0;
    // Live parts count down to 1; deleted ones have lost their numbers.
    unsigned expected = 0;
    bool deletedParts = false;
    std::uint32_t broken = 0;
};
