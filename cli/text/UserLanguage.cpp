#include "UserLanguage.h"

#include <cstring>

Language languageOfLocale(const char* all, const char* messages, const char* lang) {
    for (const char* name : {all, messages, lang}) {
        if (name == nullptr || *name == '\0')
            continue;
        // strchr finds the terminator too: "ja" alone names Japanese.
        const bool japanese = std::strncmp(name, "ja", 2) == 0 && std::strchr("_.@", name[2]) != nullptr;
        return japanese ? Language::Japanese : Language::English;
    }
    return Language::English;
}

Language languageOfUiLanguage(unsigned identifier) {
    return (identifier & 0x3FF) == 0x11 ? Language::Japanese : Language::English;
}
