#include "ImportTable.h"

#include <algorithm>
#include <cctype>

namespace {

// Entries of 4 bytes in a PE32 image, 8 in a PE32+ one; the ordinal flag is the top bit.
template <typename Thunk>
void readThunks(const BYTE* base, DWORD rva, std::vector<ImportedFunction>& functions) {
    constexpr Thunk ordinalFlag = Thunk(1) << (8 * sizeof(Thunk) - 1);
    for (auto* thunk = reinterpret_cast<const Thunk*>(base + rva); *thunk != 0; ++thunk) {
        ImportedFunction function;
        function.byOrdinal = (*thunk & ordinalFlag) != 0;
        function.ordinal = static_cast<WORD>(*thunk & 0xFFFF);
        if (!function.byOrdinal) {
            function.name = reinterpret_cast<const char*>(base + static_cast<DWORD>(*thunk) + 2);
        }
        functions.push_back(function);
    }
}

} // namespace

bool readImportTable(HMODULE module, ImportTable& imports) {
    imports.clear();
    const auto handle = reinterpret_cast<ULONG_PTR>(module);
    const auto* base = reinterpret_cast<const BYTE*>(handle & ~static_cast<ULONG_PTR>(3));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if ((handle & 2) == 0 || dos->e_magic != IMAGE_DOS_SIGNATURE) {
        return false;
    }
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const bool wide = nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC;
    if (nt->Signature != IMAGE_NT_SIGNATURE) {
        return false;
    }
    const IMAGE_DATA_DIRECTORY* directories = wide
        ? reinterpret_cast<const IMAGE_NT_HEADERS64*>(nt)->OptionalHeader.DataDirectory
        : nt->OptionalHeader.DataDirectory;
    const DWORD table = directories[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + table); table != 0 && entry->Name != 0;
         ++entry) {
        std::string name = reinterpret_cast<const char*>(base + entry->Name);
        std::transform(name.begin(), name.end(), name.begin(),
            [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        const DWORD thunks = entry->OriginalFirstThunk != 0 ? entry->OriginalFirstThunk : entry->FirstThunk;
        if (wide) {
            readThunks<ULONGLONG>(base, thunks, imports[name]);
        } else {
            readThunks<DWORD>(base, thunks, imports[name]);
        }
    }
    return true;
}
