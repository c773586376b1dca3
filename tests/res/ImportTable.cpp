#include "ImportTable.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

namespace {

struct Section {
    std::uint32_t virtualAddress;
    std::uint32_t virtualSize;
    std::uint32_t rawOffset;
    std::uint32_t rawSize;
};

class PeImage {
public:
    explicit PeImage(const Bytes& file) : file_(file) {}

    bool parse(std::uint32_t& importRva) {
        ByteReader reader(file_);
        std::uint16_t magic = 0;
        std::uint32_t peOffset = 0;
        std::uint32_t signature = 0;
        std::uint16_t sectionCount = 0;
        std::uint16_t optionalSize = 0;
        if (!reader.word(magic) || magic != IMAGE_DOS_SIGNATURE || !reader.seek(0x3C) ||
            !reader.dword(peOffset) || !reader.seek(peOffset) || !reader.dword(signature) ||
            signature != IMAGE_NT_SIGNATURE || !reader.seek(peOffset + 6) ||
            !reader.word(sectionCount) || !reader.seek(peOffset + 20) ||
            !reader.word(optionalSize)) {
            return false;
        }
        const std::size_t optional = peOffset + 24;
        std::uint16_t optionalMagic = 0;
        if (!reader.seek(optional) || !reader.word(optionalMagic)) {
            return false;
        }
        if (optionalMagic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
            wide_ = false;
        } else if (optionalMagic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
            wide_ = true;
        } else {
            return false;
        }
        const std::size_t directories = optional + (wide_ ? 112 : 96);
        if (!reader.seek(directories + 8 * IMAGE_DIRECTORY_ENTRY_IMPORT) ||
            !reader.dword(importRva) || !reader.seek(optional + optionalSize)) {
            return false;
        }
        for (std::uint16_t i = 0; i < sectionCount; ++i) {
            Section section{};
            const std::size_t header = optional + optionalSize + 40u * i;
            if (!reader.seek(header + 8) || !reader.dword(section.virtualSize) ||
                !reader.dword(section.virtualAddress) || !reader.dword(section.rawSize) ||
                !reader.dword(section.rawOffset)) {
                return false;
            }
            sections_.push_back(section);
        }
        return true;
    }

    bool wide() const { return wide_; }

    // The file offset of a relative virtual address, or 0 when no section holds it.
    std::size_t offsetOf(std::uint32_t rva) const {
        for (const Section& section : sections_) {
            if (rva >= section.virtualAddress && rva - section.virtualAddress < section.rawSize &&
                rva - section.virtualAddress < section.virtualSize) {
                return section.rawOffset + (rva - section.virtualAddress);
            }
        }
        return 0;
    }

    bool asciiAt(std::uint32_t rva, std::string& text) const {
        std::size_t offset = offsetOf(rva);
        text.clear();
        if (offset == 0) {
            return false;
        }
        for (; offset < file_.size(); ++offset) {
            if (file_[offset] == 0) {
                return true;
            }
            text.push_back(static_cast<char>(file_[offset]));
        }
        return false;
    }

private:
    const Bytes& file_;
    bool wide_ = false;
    std::vector<Section> sections_;
};

bool readThunks(const Bytes& file, const PeImage& image, std::uint32_t thunkRva,
                std::vector<ImportedFunction>& functions) {
    ByteReader reader(file);
    const std::size_t start = image.offsetOf(thunkRva);
    if (start == 0 || !reader.seek(start)) {
        return false;
    }
    for (;;) {
        std::uint32_t low = 0;
        std::uint32_t high = 0;
        if (!reader.dword(low) || (image.wide() && !reader.dword(high))) {
            return false;
        }
        const bool ordinalFlag = image.wide() ? (high & 0x80000000u) != 0 : (low & 0x80000000u) != 0;
        if (low == 0 && high == 0) {
            return true;
        }
        ImportedFunction function;
        if (ordinalFlag) {
            function.byOrdinal = true;
            function.ordinal = static_cast<std::uint16_t>(low & 0xFFFF);
        } else if (!image.asciiAt((low & 0x7FFFFFFFu) + 2, function.name)) {
            return false;
        }
        functions.push_back(function);
    }
}

}  // namespace

bool readImportTable(const Bytes& file, ImportTable& imports) {
    PeImage image(file);
    std::uint32_t importRva = 0;
    imports.clear();
    if (!image.parse(importRva)) {
        return false;
    }
    if (importRva == 0) {
        return true;
    }
    ByteReader reader(file);
    const std::size_t table = image.offsetOf(importRva);
    if (table == 0) {
        return false;
    }
    for (std::size_t entry = table;; entry += 20) {
        std::uint32_t lookupRva = 0;
        std::uint32_t nameRva = 0;
        std::uint32_t addressRva = 0;
        if (!reader.seek(entry) || !reader.dword(lookupRva) || !reader.seek(entry + 12) ||
            !reader.dword(nameRva) || !reader.dword(addressRva)) {
            return false;
        }
        if (nameRva == 0 && addressRva == 0) {
            return true;
        }
        std::string name;
        if (!image.asciiAt(nameRva, name)) {
            return false;
        }
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (!readThunks(file, image, lookupRva != 0 ? lookupRva : addressRva, imports[name])) {
            return false;
        }
    }
}

Bytes readWholeFile(const std::string& path) {
    Bytes data;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return data;
    }
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < (1 << 28)) {
        data.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD read = 0;
        if (!ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &read, nullptr) ||
            read != data.size()) {
            data.clear();
        }
    }
    CloseHandle(file);
    return data;
}
