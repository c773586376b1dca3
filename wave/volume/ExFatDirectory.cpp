#include "ExFatDirectory.h"

#include "DirectoryStream.h"
#include "LittleEndian.h"
#include "NameText.h"

#include <cstring>

namespace {

constexpr unsigned char fileEntry = 0x85;
constexpr unsigned char streamEntry = 0xC0;
constexpr unsigned char nameEntry = 0xC1;
constexpr unsigned char inUse = 0x80;
constexpr std::uint64_t maxDirectoryBytes = 256ull << 20;

// The set's checksum as it was written, while every entry of it was in use:
// the in-use bits are counted set.
std::uint16_t setChecksum(const std::vector<unsigned char>& set) {
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < set.size(); ++i) {
        if (i == 2 || i == 3)
            continue;
        const unsigned char byte = i % 32 == 0 ? set[i] | inUse : set[i];
        sum = static_cast<std::uint16_t>(((sum & 1) ? 0x8000 : 0) + (sum >> 1) + byte);
    }
    return sum;
}

}

ExFatDirectory::Step ExFatDirectory::take(const unsigned char* bytes, std::uint64_t offset, VolumeEntry& entry) {
    const unsigned char type = bytes[0];
    if (type == 0x00) {
        if (!set.empty())
            ++broken;
        set.clear();
        return Step::End;
    }
    // A primary entry (category bit clear) begins a set and cuts off one not
    // yet whole.
    if (!(type & 0x40)) {
        if (!set.empty())
            ++broken;
        set.clear();
        if ((type | inUse) != fileEntry)
            return Step::More;
        wanted = 1 + bytes[1];
        if (wanted < 3 || wanted > maxSet) {
            ++broken;
            return Step::More;
        }
        setAt = offset;
    } else if (set.empty()) {
        return Step::More;
    }
    set.insert(set.end(), bytes, bytes + 32);
    if (set.size() < wanted * 32)
        return Step::More;
    const bool sound = decode(entry);
    set.clear();
    if (!sound) {
        ++broken;
        return Step::More;
    }
    entry.entryOffset = setAt;
    return Step::Entry;
}

bool ExFatDirectory::decode(VolumeEntry& entry) const {
    const unsigned char* file = set.data();
    const unsigned char* stream = file + 32;
    const bool deleted = !(file[0] & inUse);
    for (std::size_t i = 32; i < set.size(); i += 32) {
        if (bool(set[i] & inUse) == deleted)
            return false;
    }
    const unsigned nameLength = stream[3];
    const unsigned nameEntries = (nameLength + 14) / 15;
    if ((stream[0] | inUse) != streamEntry || nameLength == 0 || 2 + nameEntries > wanted
        || setChecksum(set) != le16(file + 2))
        return false;
    std::uint16_t units[255];
    for (unsigned i = 0; i < nameLength; ++i) {
        const unsigned char* name = file + 64 + 32 * (i / 15);
        if ((name[0] | inUse) != nameEntry)
            return false;
        units[i] = le16(name + 2 + 2 * (i % 15));
    }

    VolumeEntry found;
    found.name = utf8FromUtf16(units, nameLength);
    found.attributes = le16(file + 4);
    found.directory = found.attributes & 0x10;
    found.deleted = deleted;
    // Without AllocationPossible the entry has no clusters at all.
    if (stream[1] & 1) {
        found.contiguous = stream[1] & 2;
        found.firstCluster = le32(stream + 20);
        found.size = le64(stream + 24);
        found.validLength = le64(stream + 8);
    }
    const std::uint64_t heap = std::uint64_t(volume.clusterCount) * volume.clusterBytes;
    if (!cleanName(found.name) || (found.firstCluster != 0 && !validCluster(volume, found.firstCluster))
        || found.size > heap || found.validLength > found.size || (found.directory && found.firstCluster == 0))
        return false;
    entry = found;
    return true;
}

ExFatSystemFiles findExFatSystemFiles(ClusterMap& map) {
    const VolumeGeometry& volume = map.geometry();
    ExFatSystemFiles files;
    DirectoryStream root(map, volume.rootCluster, false, maxDirectoryBytes);
    const unsigned char* bytes;
    std::uint64_t offset;
    while (root.next(bytes, offset) && bytes[0] != 0x00) {
        const std::uint32_t first = le32(bytes + 20);
        const SystemFile file = {first, le64(bytes + 24)};
        if (!validCluster(volume, first))
            continue;
        // With two FATs there are two bitmaps; bit 0 of the flags names the
        // FAT each goes with.
        if (bytes[0] == 0x81 && files.bitmap.firstCluster == 0 && (bytes[1] & 1) == volume.activeFat)
            files.bitmap = file;
        else if (bytes[0] == 0x82 && files.upcase.firstCluster == 0)
            files.upcase = file;
    }
    return files;
}
