#pragma once

#include <cstddef>

// A private copy of the process command line, cut in place into tokens.
// The first string of the copy is the program name as written; the tokens
// follow, separated by one or more NUL bytes.
class CommandLine {
public:
    CommandLine() = default;
    ~CommandLine();
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    // Copies GetCommandLineA's text and tokenizes it. False (and empty) only
    // when the copy cannot be allocated.
    bool parse();
    // Copies text and tokenizes it exactly as parse does the process command
    // line; the seam that lets tests feed any text. False (and empty) only
    // when the copy cannot be allocated.
    bool parseText(const char* text);
    void tokenize(char* text, bool extended);
    const char* nextToken(const char* previous) const;
    const char* findOption(const char* name) const;
    // 0: absent, 1: present alone, 7: present with text after the name.
    int option(const char* name) const;
    void clear();

    char* buffer = nullptr;
    char* start = nullptr;
    char* end = nullptr;
};

// Copies source without one pair of enclosing quotes: 1, or 11 when it needs
// more than capacity bytes (destination untouched).
int unquote(char* destination, std::size_t capacity, const char* source);
