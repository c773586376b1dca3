#include "Win32Folders.h"

#include "Win32ErrorText.h"
#include "WideText.h"

#include <algorithm>
#include <windows.h>

namespace {

// Case-insensitive as Windows compares names: both upper-cased alike.
std::wstring upper(std::wstring text) {
    if (!text.empty())
        CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

bool matches(const wchar_t* pattern, const wchar_t* name) {
    if (*pattern == L'\0')
        return *name == L'\0';
    if (*pattern == L'*')
        return matches(pattern + 1, name) || (*name != L'\0' && matches(pattern, name + 1));
    return *name != L'\0' && (*pattern == L'?' || *pattern == *name) && matches(pattern + 1, name + 1);
}

bool isSelfOrParent(const wchar_t* name) {
    return std::wstring(name) == L"." || std::wstring(name) == L"..";
}

// Calls each(found) for every entry FindFirstFileW gives for pattern; false
// with the error code when the search could not start.
template <typename Each>
bool find(const std::wstring& pattern, DWORD& error, Each each) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return false;
    }
    do {
        if (!isSelfOrParent(found.cFileName))
            each(found);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return true;
}

}

std::vector<Folders::Named> Win32Folders::expand(const std::string& argument) {
    const std::size_t leaf = argument.find_last_of("\\/:") + 1;
    if (argument.find_first_of("*?", leaf) == std::string::npos)
        return {{argument, ""}};
    const std::string folder = argument.substr(0, leaf);
    const std::wstring pattern = upper(toWide(argument.substr(leaf)));
    std::vector<std::string> names;
    DWORD error = 0;
    find(toWide(argument), error, [&](const WIN32_FIND_DATAW& found) {
        if (matches(pattern.c_str(), upper(found.cFileName).c_str()))
            names.push_back(toUtf8(found.cFileName));
    });
    if (names.empty())
        return {{argument, say(language, Text::NoFileMatches)}};
    std::sort(names.begin(), names.end());
    std::vector<Named> expanded;
    for (const std::string& name : names)
        expanded.push_back({folder + name, ""});
    return expanded;
}

bool Win32Folders::isFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(toWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32Folders::list(const std::string& folder, std::deque<File>& files, std::vector<std::string>& subfolders,
    std::string& why) {
    DWORD error = 0;
    const bool listed = find(toWide(join(folder, "*")), error, [&](const WIN32_FIND_DATAW& found) {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            return;
        // A folder holds no devices: what is not a folder is a file.
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            subfolders.push_back(toUtf8(found.cFileName));
        else
            files.push_back({toUtf8(found.cFileName), true});
    });
    if (!listed)
        why = errorText(error, language);
    return listed;
}

std::string Win32Folders::join(const std::string& folder, const std::string& name) const {
    return !folder.empty() && (folder.back() == '\\' || folder.back() == '/') ? folder + name : folder + "\\" + name;
}

std::string Win32Folders::leaf(const std::string& path) const {
    return path.substr(path.find_last_of("\\/:") + 1);
}
