#include "FatDirectory.h"

#include "LittleEndian.h"
#include "NameText.h"

#include <cstring>

namespace {

constexpr unsigned char deletedMark = 0xE5;
constexpr unsigned char longNameAttributes = 0x0F;
constexpr unsigned maxParts = 20;

unsigned char shortNameSum(const unsigned char* name) {
    unsigned char sum = 0;
    for (int i = 0; i < 11; ++i)
        sum = static_cast<unsigned char>(((sum & 1) << 7) + (sum >> 1) + name[i]);
    return sum;
}

bool legalShortCharacter(unsigned char c) {
    return c > 0x20 && c != 0x7F && !std::strchr("\"*+,./:;<=>?[\\]|", c) && !(c >= 'a' && c <= 'z');
}

// The 8.3 name as Windows shows it: lower case where the entry's flags ask.
std::string shortNameText(const unsigned char* bytes, unsigned char first) {
    std::string base;
    std::string extension;
    for (int i = 0; i < 11; ++i) {
        unsigned char c = i == 0 ? first : bytes[i];
        if ((i < 8 && (bytes[12] & 0x08)) || (i >= 8 && (bytes[12] & 0x10)))
            c = c >= 'A' && c <= 'Z' ? c + 32 : c;
        (i < 8 ? base : extension) += static_cast<char>(c >= 0x80 ? '_' : c);
    }
    for (std::string* part : {&base, &extension}) {
        while (!part->empty() && part->back() == ' ')
            part->pop_back();
    }
    return extension.empty() ? base : base + "." + extension;
}

}

void FatDirectory::forget() {
    parts.clear();
    expected = 0;
    deletedParts = false;
}

void FatDirectory::takeLongName(const unsigned char* bytes) {
    const bool deleted = bytes[0] == deletedMark;
    const unsigned order = bytes[0] & 0x3F;
    if (deleted ? !(deletedParts && sum == bytes[13]) : (bytes[0] & 0x40) != 0) {
        forget();
        deletedParts = deleted;
        sum = bytes[13];
        expected = deleted ? 0 : order;
        if (!deleted && (order == 0 || order > maxParts)) {
            forget();
            return;
        }
    } else if (!deleted && (deletedParts || order != expected || bytes[13] != sum || parts.empty())) {
        forget();
        return;
    }
    if (parts.size() == 13 * maxParts) {
        forget();
        return;
    }
    static const int unitAt[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    for (int at : unitAt)
        parts.push_back(le16(bytes + at));
    if (!deleted)
        --expected;
}

std::string FatDirectory::longName(const unsigned char* shortEntry, bool deleted, unsigned char& first) const {
    if (parts.empty() || deleted != deletedParts || (!deleted && expected != 0))
        return std::string();
    // A deleted short entry's first byte is the one whose name has the sum
    // the long-name entries keep: the sum maps first bytes one to one.
    unsigned char name[11];
    std::memcpy(name, shortEntry, 11);
    for (unsigned candidate = 0; deleted && candidate < 256; ++candidate) {
        name[0] = static_cast<unsigned char>(candidate);
        if (shortNameSum(name) == sum)
            break;
    }
    if (shortNameSum(name) != sum || (deleted && !legalShortCharacter(name[0])))
        return std::string();
    if (deleted)
        first = name[0];

    // The parts lie last first; the name ends at a 0 in the last part,
    // padded with 0xFFFF, or fills it.
    std::vector<std::uint16_t> units;
    for (std::size_t part = parts.size(); part > 0; part -= 13)
        units.insert(units.end(), parts.begin() + (part - 13), parts.begin() + part);
    std::size_t length = 0;
    while (length < units.size() && units[length] != 0)
        ++length;
    if (length < units.size() - 13 || length == 0)
        return std::string();
    for (std::size_t i = length + 1; i < units.size(); ++i) {
        if (units[i] != 0xFFFF)
            return std::string();
    }
    return utf8FromUtf16(units.data(), length);
}

FatDirectory::Step FatDirectory::take(const unsigned char* bytes, std::uint64_t offset, VolumeEntry& entry) {
    if (bytes[0] == 0x00) {
        forget();
        return Step::End;
    }
    if ((bytes[11] & 0x3F) == longNameAttributes) {
        takeLongName(bytes);
        return Step::More;
    }
    const bool sound = decode(bytes, entry);
    forget();
    if (!sound)
        return Step::More;
    entry.entryOffset = offset;
    return Step::Entry;
}

bool FatDirectory::decode(const unsigned char* bytes, VolumeEntry& entry) {
    const unsigned char attributes = bytes[11];
    // Volume labels, and "." and "..".
    if ((attributes & 0x08)
        || (bytes[0] == '.' && std::memcmp(bytes + 1, "       ", 7) == 0 && std::memcmp(bytes + 8, "   ", 3) == 0)
        || (std::memcmp(bytes, "..", 2) == 0 && std::memcmp(bytes + 2, "         ", 9) == 0))
        return false;

    VolumeEntry found;
    found.deleted = bytes[0] == deletedMark;
    found.attributes = attributes;
    found.directory = attributes & 0x10;
    found.firstCluster =
        le16(bytes + 26) | (volume.kind == VolumeKind::Fat32 ? std::uint32_t(le16(bytes + 20)) << 16 : 0);
    found.size = found.validLength = le32(bytes + 28);
    bool damaged = (attributes & 0xC0) || bytes[0] == ' ' || bytes[0] == '.' || (bytes[0] < 0x20 && bytes[0] != 0x05)
        || (found.firstCluster != 0 && !validCluster(volume, found.firstCluster))
        || found.size > std::uint64_t(volume.clusterCount) * volume.clusterBytes
        || (found.directory && found.firstCluster == 0);
    for (int i = 1; i < 11; ++i)
        damaged = damaged || bytes[i] < 0x20;
    if (damaged) {
        ++broken;
        return false;
    }

    // 0x05 stands for a first byte 0xE5, which would read as deleted.
    unsigned char first = bytes[0] == 0x05 ? 0xE5 : bytes[0];
    found.name = longName(bytes, found.deleted, first);
    found.firstCharacterLost = found.deleted && found.name.empty();
    if (found.firstCharacterLost)
        first = '_';
    found.shortName = shortNameText(bytes, first);
    if (found.name.empty())
        found.name = found.shortName;
    if (!cleanName(found.name)) {
        ++broken;
        return false;
    }
    entry = found;
    return true;
}
