#include "Catalog.h"

#include <iterator>

namespace {

const TextEntry entries[] = {
#define SONORIX_TEXT(name, english, japanese) {english, japanese},
#include "Texts.def"
#undef SONORIX_TEXT
};

}

std::size_t textCount() {
    return std::size(entries);
}

const TextEntry& entryOf(Text text) {
    return entries[static_cast<std::size_t>(text)];
}

std::string render(const TextEntry& entry, Language language, std::initializer_list<std::string> values) {
    const char* pattern = language == Language::Japanese && *entry.japanese != '\0' ? entry.japanese : entry.english;
    std::string text;
    for (const char* at = pattern; *at != '\0'; ++at) {
        const std::size_t index = static_cast<std::size_t>(at[1] - '1');
        if (at[0] == '{' && index < values.size() && at[2] == '}') {
            text += values.begin()[index];
            at += 2;
        } else {
            text += *at;
        }
    }
    return text;
}
