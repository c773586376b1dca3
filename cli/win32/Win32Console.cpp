#include "Win32Console.h"

#include "WideText.h"

#include <windows.h>

namespace {

bool isConsole(DWORD which) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(which), &mode) != FALSE;
}

// UTF-16 through WriteConsoleW to a console, which shows it whatever the code
// page; UTF-8 bytes to a file or a pipe. False when not all of it arrived.
bool writeTo(DWORD which, const std::string& text) {
    const HANDLE handle = GetStdHandle(which);
    if (isConsole(which)) {
        const std::wstring wide = toWide(text);
        DWORD written = 0;
        return WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr)
            && written == wide.size();
    }
    DWORD written = 0;
    return WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
}

bool outComplete = true;
// Output to a file or a pipe, gathered so that a long run makes few writes.
std::string pending;
constexpr std::size_t pendingAtMost = 1 << 16;

void writePending() {
    outComplete = writeTo(STD_OUTPUT_HANDLE, pending) && outComplete;
    pending.clear();
}

}

namespace console {

void writeOut(const std::string& text) {
    static const bool console = isConsole(STD_OUTPUT_HANDLE);
    if (console) {
        outComplete = writeTo(STD_OUTPUT_HANDLE, text) && outComplete;
        return;
    }
    pending += text;
    if (pending.size() >= pendingAtMost)
        writePending();
}

void writeError(const std::string& text) {
    writeTo(STD_ERROR_HANDLE, text);
}

bool finishOut() {
    if (!pending.empty())
        writePending();
    return outComplete;
}

bool outIsTerminal() {
    return isConsole(STD_OUTPUT_HANDLE);
}

// The progress line moves with escape sequences, which a console follows
// only once asked to; one that cannot be asked gets no progress line.
bool errorIsTerminal() {
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    return GetConsoleMode(error, &mode) && SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

// A console that holds this process alone was made for it.
bool ownConsole() {
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1 && outIsTerminal();
}

wchar_t readKey() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    FlushConsoleInputBuffer(input);
    for (;;) {
        INPUT_RECORD record;
        DWORD got = 0;
        if (!ReadConsoleInputW(input, &record, 1, &got) || got == 0)
            return 0;
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown)
            return record.Event.KeyEvent.uChar.UnicodeChar;
    }
}

void waitIfOwnConsole(Language language) {
    if (!ownConsole())
        return;
    writeOut(say(language, Text::PressAnyKey) + "\n");
    readKey();
}

}
