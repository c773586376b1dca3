#include "Win32DroppedCards.h"

#include "CardDrive.h"
#include "CommandOptions.h"
#include "OutcomeText.h"
#include "RecoverCommand.h"
#include "RecoveryPlatform.h"
#include "UserLanguage.h"
#include "WideText.h"
#include "Win32Console.h"
#include "Win32ErrorText.h"

#include <algorithm>
#include <windows.h>
#include <shlobj.h>

namespace {

// The user's Documents folder, or "" where the system names none.
std::wstring documentsFolder() {
    PWSTR path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &path)))
        folder = path;
    CoTaskMemFree(path);
    return folder;
}

// The card's volume label, or "" where it has none.
std::string volumeLabel(char letter) {
    const std::wstring root = std::wstring(1, static_cast<wchar_t>(letter)) + L":\\";
    wchar_t label[MAX_PATH + 1] = {};
    if (!GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0))
        return std::string();
    return toUtf8(label);
}

// A new folder in parent named for the card and today; "" (error says why)
// where none could be made.
std::wstring newCardFolder(const std::wstring& parent, char letter, DWORD& error) {
    SYSTEMTIME today;
    GetLocalTime(&today);
    const std::string label = volumeLabel(letter);
    error = ERROR_ALREADY_EXISTS;
    for (unsigned number = 1; number <= 1000 && error == ERROR_ALREADY_EXISTS; ++number) {
        const std::wstring folder =
            parent + L"\\" + toWide(cardFolderName(label, letter, today.wYear, today.wMonth, today.wDay, number));
        if (CreateDirectoryW(folder.c_str(), nullptr))
            return folder;
        error = GetLastError();
    }
    return std::wstring();
}

// Starts this program again with args through the system's elevation
// prompt: 0, or the error that kept it from starting (ERROR_CANCELLED where
// the user said no).
DWORD startAsAdministrator(const std::vector<std::string>& args) {
    wchar_t program[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH)
        return GetLastError();
    // Drives need no quotes: E:\ holds no space and no quotation mark.
    std::wstring parameters;
    for (const std::string& arg : args)
        parameters += (parameters.empty() ? L"" : L" ") + toWide(arg);
    SHELLEXECUTEINFOW start = {};
    start.cbSize = sizeof start;
    start.lpVerb = L"runas";
    start.lpFile = program;
    start.lpParameters = parameters.c_str();
    start.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&start) ? 0 : GetLastError();
}

void note(const std::string& text) {
    console::writeError(text + "\n");
}

// Recovers the card of drive, which opened, into a new folder of Documents:
// the exit status.
int recoverCard(const std::string& drive, Language language) {
    const std::wstring documents = documentsFolder();
    DWORD error = ERROR_PATH_NOT_FOUND;
    const std::wstring folder = documents.empty() ? std::wstring() : newCardFolder(documents, drive[0], error);
    if (folder.empty()) {
        const std::string why = documents.empty()
            ? say(language, Text::NoDocumentsFolder)
            : say(language, Text::NamedReason, {toUtf8(documents), errorText(error, language)});
        console::writeOut(outcomeLine(language, drive, FileError, false, why) + "\n");
        return 2;
    }
    const std::string output = toUtf8(folder);
    note(say(language, Text::RecoveringCardInto, {drive, output}));
    CommandOptions options;
    options.action = CommandOptions::Action::Recover;
    options.source = drive;
    options.output = output;
    const int status = runRecovery(options, language);
    // A folder nothing went into is taken away again: only an empty one can be.
    if (!RemoveDirectoryW(folder.c_str()))
        note(say(language, Text::RecordingsAreIn, {output}));
    return status;
}

// Why the card of drive cannot be read, or "" where it can: a look before any
// folder is made for it. denied: for want of an administrator's rights.
std::string cannotRead(const std::string& drive, Language language, bool& denied) {
    RecoveryPlatform look(language);
    std::string why;
    denied = !look.open(drive, why) && look.source().lastError() == ERROR_ACCESS_DENIED;
    return why;
}

// Offers to start again as administrator; the key that answers closes the
// window.
int offerAdministrator(const std::vector<std::string>& args, Language language) {
    console::writeOut(say(language, Text::OfferAdministrator) + "\n");
    const wchar_t key = console::readKey();
    if (key != L'y' && key != L'Y')
        return 2;
    const DWORD error = startAsAdministrator(args);
    if (error == 0)
        return 0;
    note(say(language, Text::NotStartedAsAdministrator, {errorText(error, language)}));
    console::waitIfOwnConsole(language);
    return 2;
}

}

bool recoverDroppedCards(const std::vector<std::string>& args, int& status) {
    if (args.empty() || !console::ownConsole())
        return false;
    for (const std::string& arg : args) {
        if (driveLetter(arg) == 0)
            return false;
    }
    const Language language = userLanguage();
    status = 0;
    for (const std::string& arg : args) {
        const std::string drive = std::string(1, driveLetter(arg)) + ":";
        bool denied = false;
        const std::string why = cannotRead(drive, language, denied);
        if (!why.empty())
            console::writeOut(outcomeLine(language, drive, FileError, false, why) + "\n");
        if (denied) {
            status = offerAdministrator(args, language);
            return true;
        }
        status = std::max(status, why.empty() ? recoverCard(drive, language) : 2);
    }
    console::waitIfOwnConsole(language);
    return true;
}
