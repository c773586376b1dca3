#include "ApplicationBase.h"

#include <cstdlib>
#include <cstring>

#include "HeapString.h"

namespace {

// The UTF-16 text of one entry of a string block and its length in code
// units; false for a missing, malformed or empty entry.
bool findEntry(HINSTANCE module, UINT id, const WCHAR*& text, int& length) {
    const HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(static_cast<WORD>(id / 16 + 1)), RT_STRING);
    if (info == nullptr) {
        return false;
    }
    const DWORD size = SizeofResource(module, info);
    const HGLOBAL loaded = size == 0 ? nullptr : LoadResource(module, info);
    const WCHAR* entry = loaded == nullptr ? nullptr : static_cast<const WCHAR*>(LockResource(loaded));
    if (entry == nullptr) {
        return false;
    }
    const WCHAR* const limit = entry + size / sizeof(WCHAR);
    for (UINT skipped = 0; skipped < id % 16 && entry < limit; ++skipped) {
        entry += 1 + *entry;
    }
    if (entry >= limit || *entry == 0 || *entry > limit - entry - 1) {
        return false;
    }
    length = *entry;
    text = entry + 1;
    return true;
}

} // namespace

char* ApplicationBase::loadString(UINT id) const {
    const WCHAR* text = nullptr;
    int length = 0;
    if (!findEntry(instance, id, text, length)) {
        return nullptr;
    }
    const int measure = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (measure <= 0) {
        return nullptr;
    }
    char* converted = static_cast<char*>(std::malloc(static_cast<std::size_t>(measure) + 1));
    if (converted == nullptr) {
        return nullptr;
    }
    if (WideCharToMultiByte(CP_ACP, 0, text, length, converted, measure, nullptr, nullptr) != measure) {
        std::free(converted);
        return nullptr;
    }
    converted[measure] = '\0';
    return converted;
}

char* ApplicationBase::formatString(UINT id, ...) const {
    const HeapString pattern(loadString(id));
    if (!pattern) {
        return nullptr;
    }
    va_list arguments;
    va_start(arguments, id);
    char* formatted = formatMessage(FORMAT_MESSAGE_FROM_STRING, pattern.get(), 0, &arguments);
    va_end(arguments);
    return formatted;
}

char* formatMessage(DWORD flags, const void* source, DWORD messageId, va_list* arguments) {
    char* system = nullptr;
    const DWORD length = FormatMessageA(flags | FORMAT_MESSAGE_ALLOCATE_BUFFER, source, messageId, 0x400,
        reinterpret_cast<char*>(&system), 0, arguments);
    if (length == 0 || system == nullptr) {
        if (system != nullptr) {
            LocalFree(system);
        }
        return nullptr;
    }
    char* copy = static_cast<char*>(std::malloc(length + 1));
    if (copy != nullptr) {
        std::memcpy(copy, system, length);
        copy[length] = '\0';
    }
    LocalFree(system);
    return copy;
}
