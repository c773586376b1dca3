#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>

// The languages sonorix-repair speaks.
enum class Language { English, Japanese };

// Every text a person reads from sonorix-repair, named after what it says; the
// texts themselves are in Texts.def, English and Japanese side by side.
enum class Text {
#define SONORIX_TEXT(name, english, japanese) name,
#include "Texts.def"
#undef SONORIX_TEXT
};

// One text in both languages; {1} to {9} stand for its values, in any order.
struct TextEntry {
    const char* english;
    // Empty where the translation is missing: the English stands in.
    const char* japanese;
};

// How many texts the catalog holds; Text values run from 0 to one less.
std::size_t textCount();
const TextEntry& entryOf(Text text);

// The entry in language with each {n} replaced by the nth of values.
std::string render(const TextEntry& entry, Language language, std::initializer_list<std::string> values);

// A text of the catalog in language, with its values.
inline std::string say(Language language, Text text, std::initializer_list<std::string> values = {}) {
    return render(entryOf(text), language, values);
}
