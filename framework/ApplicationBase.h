#pragma once

#include <windows.h>

#include <cstdarg>

#include "CommandLine.h"

// Who the program is (module, command line, version strings) and the services
// every window needs: strings, formatted messages, message boxes, WinHelp.
class ApplicationBase {
public:
    ApplicationBase();
    virtual ~ApplicationBase();
    ApplicationBase(const ApplicationBase&) = delete;
    ApplicationBase& operator=(const ApplicationBase&) = delete;

    // productName when set (even empty), else moduleName.
    virtual const char* title() const;

    // Stores the window as mainWindow of *currentApplication.
    static void setMainWindow(HWND window);

    // Heap copies (std::free) or null on any failure.
    char* loadString(UINT id) const;
    char* formatString(UINT id, ...) const;

    int messageBox(HWND owner, const char* text, const char* caption, UINT style) const;
    int messageBoxId(HWND owner, UINT id, const char* caption, UINT style) const;
    bool winHelp(HWND window, UINT command, ULONG_PTR data, const char* windowName) const;

    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    char moduleDir[270] = {};
    char moduleName[260] = {};
    CommandLine commandLine;
    char* companyName = nullptr;
    char* internalName = nullptr;
    char* fileVersion = nullptr;
    char* productName = nullptr;
    char* legalCopyright = nullptr;

protected:
    void readVersionStrings();
};

// FormatMessageA with FORMAT_MESSAGE_ALLOCATE_BUFFER added; a std::malloc'ed
// copy of the text, or null.
char* formatMessage(DWORD flags, const void* source, DWORD messageId, va_list* arguments);
