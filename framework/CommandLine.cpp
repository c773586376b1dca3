#include "CommandLine.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

bool isSeparator(unsigned char byte) {
    return (byte >= 1 && byte <= 32) || byte == 127;
}

bool isQuote(char byte) {
    return byte == '"' || byte == '\'' || byte == '`';
}

// Any control byte but the tab, and byte 127, end a quoted stretch unclosed.
bool endsQuotedStretch(unsigned char byte) {
    return (byte < 32 && byte != '\t') || byte == 127;
}

bool isLetter(char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

char lowered(char byte) {
    return (byte >= 'A' && byte <= 'Z') ? static_cast<char>(byte - 'A' + 'a') : byte;
}

// Whether text, which begins with a quote character, ends in the same
// character as a whole character, not as the trail byte of a double-byte one.
bool closedBySameQuote(const char* text) {
    const char* last = text;
    for (const char* position = CharNextA(text); *position != '\0'; position = CharNextA(position)) {
        last = position;
    }
    return last != text && last[0] == text[0] && last[1] == '\0';
}

char* clearSeparators(char* position) {
    while (isSeparator(static_cast<unsigned char>(*position))) {
        *position++ = '\0';
    }
    return position;
}

// The program name ends after its closing quote even when text follows
// directly; that text stays part of the program-name string.
char* skipProgramName(char* text) {
    char* position = text;
    if (*position == '"') {
        ++position;
        while (*position != '\0' && *position != '"') {
            position = CharNextA(position);
        }
        if (*position == '"') {
            ++position;
        }
    } else {
        while (static_cast<unsigned char>(*position) > 32) {
            position = CharNextA(position);
        }
    }
    return position;
}

} // namespace

CommandLine::~CommandLine() {
    clear();
}

bool CommandLine::parse() {
    return parseText(GetCommandLineA());
}

bool CommandLine::parseText(const char* text) {
    clear();
    const std::size_t length = std::strlen(text);
    buffer = static_cast<char*>(std::malloc(length + 1));
    if (buffer == nullptr) {
        return false;
    }
    std::memcpy(buffer, text, length + 1);
    end = buffer + length + 1;
    tokenize(skipProgramName(buffer), false);
    start = buffer;
    return true;
}

void CommandLine::tokenize(char* text, bool extended) {
    char* position = text;
    for (;;) {
        position = clearSeparators(position);
        while (extended && *position == ';') {
            while (*position != '\0' && *position != '\n') {
                char* next = CharNextA(position);
                std::memset(position, 0, static_cast<std::size_t>(next - position));
                position = next;
            }
            position = clearSeparators(position);
        }
        if (*position == '\0') {
            return;
        }
        char* const token = position;
        char* lastCharacter = position;
        while (static_cast<unsigned char>(*position) > 32) {
            const char character = *position;
            lastCharacter = position;
            position = CharNextA(position);
            if (!isQuote(character)) {
                continue;
            }
            while (*position != character && !endsQuotedStretch(static_cast<unsigned char>(*position))) {
                lastCharacter = position;
                position = CharNextA(position);
            }
            if (*position == character) {
                lastCharacter = position;
                position = CharNextA(position);
            }
        }
        // The closing bracket must be a whole character, not a trail byte.
        if (extended && *token == '[' && lastCharacter != token && *lastCharacter == ']') {
            *token = 7;
            *lastCharacter = '\0';
        }
        if (*position == '\0') {
            return;
        }
    }
}

const char* CommandLine::nextToken(const char* previous) const {
    if (buffer == nullptr) {
        return nullptr;
    }
    const char* position = previous != nullptr ? previous : start;
    while (position < end && *position != '\0') {
        ++position;
    }
    while (position < end && *position == '\0') {
        ++position;
    }
    if (position >= end || *position == 7) {
        return nullptr;
    }
    return position;
}

const char* CommandLine::findOption(const char* name) const {
    const std::size_t length = std::strlen(name);
    if (length >= 260) {
        return nullptr;
    }
    char wanted[260];
    for (std::size_t i = 0; i <= length; ++i) {
        wanted[i] = lowered(name[i]);
    }
    for (const char* token = nextToken(nullptr); token != nullptr; token = nextToken(token)) {
        if (*token != '/' && *token != '-') {
            continue;
        }
        char candidate[260] = {};
        std::strncpy(candidate, token + 1, length);
        candidate[length] = '\0';
        for (std::size_t i = 0; i < length; ++i) {
            candidate[i] = lowered(candidate[i]);
        }
        if (std::strcmp(candidate, wanted) != 0) {
            continue;
        }
        const char* rest = token + 1 + length;
        if (!isLetter(*rest)) {
            return rest;
        }
    }
    return nullptr;
}

int CommandLine::option(const char* name) const {
    const char* rest = findOption(name);
    if (rest == nullptr) {
        return 0;
    }
    return *rest == '\0' ? 1 : 7;
}

void CommandLine::clear() {
    std::free(buffer);
    buffer = nullptr;
    start = nullptr;
    end = nullptr;
}

int unquote(char* destination, std::size_t capacity, const char* source) {
    std::size_t length = std::strlen(source);
    if (isQuote(source[0]) && closedBySameQuote(source)) {
        ++source;
        length -= 2;
    }
    if (capacity < length + 1) {
        return 11;
    }
    std::memcpy(destination, source, length);
    destination[length] = '\0';
    return 1;
}
