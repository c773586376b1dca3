#include "ImportTable.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

class MappedImage {
public:
    MappedImage(const BYTE* base, DWORD size) : base_(base), size_(size) {}

    template <typename T>
    bool read(DWORD rva, T& value) const {
        if (rva > size_ || size_ - rva < sizeof value) {
            return false;
        }
        std::memcpy(&value, base_ + rva, sizeof value);
        return true;
    }

    bool text(DWORD rva, std::string& value) const {
        const BYTE* end = rva < size_ ? std::find(base_ + rva, base_ + size_, 0) : base_ + size_;
        value.assign(base_ + std::min(rva, size_), end);
        return end != base_ + size_;
    }

private:
    const BYTE* base_;
    DWORD size_;
};

// Entries of 4 bytes in a PE32 image, 8 in a PE32+ one; the ordinal flag is the top bit.
template <typename Thunk>
bool readThunks(const MappedImage& image, DWORD rva, std::vector<ImportedFunction>& functions) {
    constexpr Thunk ordinalFlag = Thunk(1) << (8 * sizeof(Thunk) - 1);
    for (Thunk thunk = 0; image.read(rva, thunk); rva += sizeof thunk) {
        if (thunk == 0) {
            return true;
        }
        ImportedFunction function;
        function.byOrdinal = (thunk & ordinalFlag) != 0;
        function.ordinal = static_cast<WORD>(thunk & 0xFFFF);
        if (!function.byOrdinal &&
            !image.text(static_cast<DWORD>(thunk) + sizeof(WORD), function.name)) {
            return false;
        }
        functions.push_back(function);
    }
    return false;
}

}  // namespace

bool readImportTable(HMODULE module, ImportTable& imports) {
    imports.clear();
    const auto handle = reinterpret_cast<ULONG_PTR>(module);
    if ((handle & 2) == 0) {
        return false;
    }
    const auto* base = reinterpret_cast<const BYTE*>(handle & ~static_cast<ULONG_PTR>(3));
    IMAGE_DOS_HEADER dos;
    IMAGE_NT_HEADERS32 nt32;
    MappedImage header(base, 4096);
    if (!header.read(0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE ||
        !header.read(static_cast<DWORD>(dos.e_lfanew), nt32) ||
        nt32.Signature != IMAGE_NT_SIGNATURE) {
        return false;
    }
    const bool wide = nt32.OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC;
    IMAGE_NT_HEADERS64 nt64;
    if (wide && !header.read(static_cast<DWORD>(dos.e_lfanew), nt64)) {
        return false;
    }
    const MappedImage image(base, wide ? nt64.OptionalHeader.SizeOfImage
                                       : nt32.OptionalHeader.SizeOfImage);
    const IMAGE_DATA_DIRECTORY& directory =
        (wide ? nt64.OptionalHeader.DataDirectory
              : nt32.OptionalHeader.DataDirectory)[IMAGE_DIRECTORY_ENTRY_IMPORT];
    IMAGE_IMPORT_DESCRIPTOR entry;
    for (DWORD rva = directory.VirtualAddress; rva != 0; rva += sizeof entry) {
        std::string name;
        if (!image.read(rva, entry)) {
            return false;
        }
        if (entry.Name == 0 && entry.FirstThunk == 0) {
            return true;
        }
        if (!image.text(entry.Name, name)) {
            return false;
        }
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        const DWORD thunks = entry.OriginalFirstThunk != 0 ? entry.OriginalFirstThunk
                                                            : entry.FirstThunk;
        if (!(wide ? readThunks<ULONGLONG>(image, thunks, imports[name])
                   : readThunks<DWORD>(image, thunks, imports[name]))) {
            return false;
        }
    }
    return true;
}
