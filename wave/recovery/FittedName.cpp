#include "FittedName.h"

#include <algorithm>
#include <cstring>

namespace {

// The longest extension kept whole when a name is cut, its dot included.
constexpr std::size_t maxExtensionBytes = 16;

// The bytes of the UTF-8 sequence that begins at text[at], or 0 where none
// does (a stray continuation, a sequence cut short or too long, a surrogate).
std::size_t sequenceAt(const std::string& text, std::size_t at) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80 ? 1
        : lead >= 0xC2 && lead < 0xE0      ? 2
        : lead >= 0xE0 && lead < 0xF0      ? 3
        : lead >= 0xF0 && lead < 0xF5      ? 4
                                           : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
            return 0;
    }
    const unsigned char second = length > 1 ? static_cast<unsigned char>(text[at + 1]) : 0;
    // Overlong forms, surrogates, and past U+10FFFF.
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) || (lead == 0xF0 && second < 0x90)
        || (lead == 0xF4 && second >= 0x90))
        return 0;
    return length;
}

bool forbidden(char c) {
    return static_cast<unsigned char>(c) < 0x20 || std::strchr("\\/:*?\"<>|", c) != nullptr;
}

bool deviceName(std::string stem) {
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    std::transform(stem.begin(), stem.end(), stem.begin(),
        [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL")
        return true;
    const std::string port = stem.substr(0, 3);
    const std::string number = stem.size() > 3 ? stem.substr(3) : "";
    return (port == "COM" || port == "LPT")
        && ((number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" || number == "\xC2\xB2"
            || number == "\xC2\xB3");
}

}

std::string fittedName(const std::string& name, std::size_t room) {
    std::string fitted;
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t length = sequenceAt(name, at);
        if (length == 0 || (length == 1 && forbidden(name[at])))
            fitted += '_';
        else
            fitted.append(name, at, length);
        at += length == 0 ? 1 : length;
    }
    if (fitted.empty() || deviceName(fitted.substr(0, fitted.find('.'))))
        fitted.insert(fitted.begin(), '_');
    const std::size_t limit = maxNameBytes - std::min(room, maxNameBytes - 1);
    if (fitted.size() > limit) {
        const std::string::size_type dot = fitted.rfind('.');
        const std::string extension = dot != std::string::npos && dot > 0 && fitted.size() - dot <= maxExtensionBytes
                && fitted.size() - dot < limit
            ? fitted.substr(dot)
            : std::string();
        std::size_t keep = limit - extension.size();
        // Back to the start of a character.
        while (keep > 0 && (static_cast<unsigned char>(fitted[keep]) & 0xC0) == 0x80)
            --keep;
        fitted = fitted.substr(0, keep) + extension;
    }
    for (std::size_t end = fitted.size(); end > 0 && (fitted[end - 1] == '.' || fitted[end - 1] == ' '); --end)
        fitted[end - 1] = '_';
    return fitted;
}
