#include "PartitionTable.h"

#include "BootSector.h"
#include "Crc32.h"
#include "LittleEndian.h"
#include "SourceReader.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t maxVolumes = 256;
constexpr std::uint64_t maxEntryBytes = 1 << 20;

bool readInside(SourceReader& reader, std::uint64_t offset, std::vector<unsigned char>& bytes) {
    return offset <= reader.size() && bytes.size() <= reader.size() - offset
        && reader.read(offset, bytes.data(), static_cast<std::uint32_t>(bytes.size())).none();
}

bool isExtended(std::uint8_t type) {
    return type == 0x05 || type == 0x0F || type == 0x85;
}

class TableReader {
public:
    TableReader(SourceReader& reader, PartitionFindings& findings, std::uint32_t unit)
        : reader(reader), findings(findings), unit(unit) {}

    void add(std::uint64_t offset, std::uint64_t length, unsigned number, std::uint8_t type) {
        if (findings.volumes.size() >= maxVolumes) {
            findings.tableDamaged = true;
            return;
        }
        VolumeLocation location;
        location.offset = offset;
        location.length = length;
        location.scheme = findings.scheme;
        location.number = number;
        location.mbrType = type;
        location.kind = identifyVolume(reader, offset, length);
        // A volume without a table is as long as its boot sector says.
        VolumeGeometry geometry;
        if (findings.scheme == PartitionScheme::None && readableKind(location.kind)
            && readBootSector(reader, location, geometry).fault == BootFault::None)
            location.length = geometry.length;
        location.cutShort = offset > reader.size() || location.length > reader.size() - offset;
        findings.volumes.push_back(location);
    }

    // The primary partitions, and the logical ones in an extended partition,
    // each described by an extended boot record that links to the next; in
    // sectors of unit bytes.
    void readMbr(const std::vector<unsigned char>& mbr) {
        findings.scheme = PartitionScheme::Mbr;
        findings.sectorBytes = unit;
        for (unsigned i = 0; i < 4; ++i) {
            const unsigned char* entry = mbr.data() + 446 + 16 * i;
            const std::uint8_t type = entry[4];
            const std::uint64_t start = le32(entry + 8);
            const std::uint64_t count = le32(entry + 12);
            if (type == 0 || count == 0)
                continue;
            if (isExtended(type))
                readLogical(start, count);
            else
                add(start * unit, count * unit, i + 1, type);
        }
    }

    void readLogical(std::uint64_t extendedStart, std::uint64_t extendedCount) {
        std::vector<std::uint64_t> visited;
        std::uint64_t record = extendedStart;
        std::vector<unsigned char> sector(512);
        for (unsigned number = 5;; ++number) {
            if (number - 5 == maxLogical || !readInside(reader, record * unit, sector) || sector[510] != 0x55
                || sector[511] != 0xAA) {
                findings.tableDamaged = true;
                return;
            }
            visited.push_back(record);
            const unsigned char* logical = sector.data() + 446;
            if (logical[4] != 0 && le32(logical + 12) != 0)
                add((record + le32(logical + 8)) * unit, std::uint64_t(le32(logical + 12)) * unit, number, logical[4]);
            const unsigned char* link = logical + 16;
            if (!isExtended(link[4]) || le32(link + 12) == 0)
                return;
            record = extendedStart + le32(link + 8);
            if (record >= extendedStart + extendedCount
                || std::find(visited.begin(), visited.end(), record) != visited.end()) {
                findings.tableDamaged = true;
                return;
            }
        }
    }

    // A GPT header at lba and its entries, both checked against their CRCs.
    bool readGpt(std::uint64_t lba, std::uint32_t sectorBytes, std::uint64_t& alternate) {
        std::vector<unsigned char> header(sectorBytes);
        if (lba > reader.size() / sectorBytes || !readInside(reader, lba * sectorBytes, header)
            || std::memcmp(header.data(), "EFI PART", 8) != 0)
            return false;
        const std::uint32_t headerBytes = le32(header.data() + 12);
        if (headerBytes < 92 || headerBytes > sectorBytes || le64(header.data() + 24) != lba)
            return false;
        const std::uint32_t stored = le32(header.data() + 16);
        std::memset(header.data() + 16, 0, 4);
        if (crc32(header.data(), headerBytes) != stored)
            return false;
        alternate = le64(header.data() + 32);
        const std::uint64_t entriesLba = le64(header.data() + 72);
        const std::uint64_t count = le32(header.data() + 80);
        const std::uint64_t entryBytes = le32(header.data() + 84);
        if (entryBytes < 128 || entryBytes % 8 != 0 || count * entryBytes > maxEntryBytes
            || entriesLba > reader.size() / sectorBytes)
            return false;
        std::vector<unsigned char> entries(count * entryBytes);
        if (!readInside(reader, entriesLba * sectorBytes, entries)
            || crc32(entries.data(), entries.size()) != le32(header.data() + 88))
            return false;

        static const unsigned char unused[16] = {};
        for (std::uint64_t i = 0; i < count; ++i) {
            const unsigned char* entry = entries.data() + i * entryBytes;
            const std::uint64_t first = le64(entry + 32);
            const std::uint64_t last = le64(entry + 40);
            if (std::memcmp(entry, unused, 16) == 0)
                continue;
            if (last < first || last >= ~0ull / sectorBytes) {
                findings.tableDamaged = true;
                continue;
            }
            add(first * sectorBytes, (last - first + 1) * sectorBytes, static_cast<unsigned>(i + 1), 0);
        }
        return true;
    }

    // The primary header at LBA 1; where it or its entries are damaged, the
    // backup it names, or the one in the disk's last sector. In sectors of
    // unit bytes first, then of the other of 512 and 4096.
    void readGpt() {
        findings.scheme = PartitionScheme::Gpt;
        for (std::uint32_t sectorBytes : {unit, unit == 4096 ? 512u : 4096u}) {
            findings.sectorBytes = sectorBytes;
            std::uint64_t alternate = 0;
            if (readGpt(1, sectorBytes, alternate))
                return;
            const std::uint64_t last = reader.size() / sectorBytes - 1;
            if ((alternate > 1 && readGpt(alternate, sectorBytes, alternate))
                || readGpt(last, sectorBytes, alternate)) {
                findings.gptBackupUsed = true;
                return;
            }
        }
        findings.tableDamaged = true;
    }

private:
    SourceReader& reader;
    PartitionFindings& findings;
    std::uint32_t unit;
};

bool plausibleMbr(const std::vector<unsigned char>& mbr) {
    if (mbr[510] != 0x55 || mbr[511] != 0xAA)
        return false;
    bool any = false;
    for (unsigned i = 0; i < 4; ++i) {
        const unsigned char* entry = mbr.data() + 446 + 16 * i;
        if (entry[0] != 0x00 && entry[0] != 0x80)
            return false;
        if (entry[4] != 0 && le32(entry + 12) != 0) {
            if (le32(entry + 8) == 0)
                return false;
            any = true;
        }
    }
    return any;
}

bool hasGptSignature(SourceReader& reader) {
    for (std::uint64_t at : {512u, 4096u}) {
        std::vector<unsigned char> signature(8);
        if (readInside(reader, at, signature) && std::memcmp(signature.data(), "EFI PART", 8) == 0)
            return true;
    }
    return false;
}

}

PartitionFindings findVolumes(SourceReader& reader, std::uint32_t sectorBytes) {
    PartitionFindings findings;
    const std::uint32_t unit = sectorBytes != 0 ? sectorBytes : 512;
    // A volume's own boot sector ends in 55 AA as an MBR does, so it is
    // looked for first.
    const VolumeKind bare = identifyVolume(reader, 0, reader.size());
    std::vector<unsigned char> mbr(512);
    const bool hasMbr = readInside(reader, 0, mbr) && plausibleMbr(mbr);
    bool protective = false;
    for (unsigned i = 0; hasMbr && i < 4; ++i)
        protective = protective || mbr[446 + 16 * i + 4] == 0xEE;

    if (bare != VolumeKind::Unknown || (!hasMbr && !hasGptSignature(reader))) {
        TableReader(reader, findings, unit).add(0, reader.size(), 0, 0);
    } else if (protective || !hasMbr) {
        TableReader(reader, findings, unit).readGpt();
    } else {
        // Where the source cannot tell its sectors' size, the MBR's are the
        // ones of 512 and 4096 bytes that find a volume where it says.
        for (std::uint32_t tried : {unit, 4096u}) {
            PartitionFindings read;
            TableReader(reader, read, tried).readMbr(mbr);
            const bool found = std::any_of(read.volumes.begin(), read.volumes.end(),
                [](const VolumeLocation& location) { return location.kind != VolumeKind::Unknown; });
            if (tried == unit || found)
                findings = read;
            if (found || sectorBytes != 0)
                break;
        }
    }
    return findings;
}
