#include "RecoveryPlatform.h"

#include "CardDrive.h"
#include "WideText.h"
#include "Win32ByteSource.h"
#include "Win32CreatedFile.h"
#include "Win32ErrorText.h"

#include <windows.h>
#include <winioctl.h>

namespace {

std::atomic<bool> interrupted(false);
// Set once the program has removed what it had not finished.
HANDLE cleared = nullptr;

BOOL WINAPI interrupt(DWORD event) {
    interrupted.store(true);
    // The next Ctrl+C ends the program at once.
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
        SetConsoleCtrlHandler(interrupt, FALSE);
    // The console closed, or the user logs off: Windows ends the process once
    // this returns, so it waits (at most 4 of the 5 s Windows gives) for the
    // program to remove its unfinished files.
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && cleared != nullptr)
        WaitForSingleObject(cleared, 4000);
    return TRUE;
}

class Win32NewFiles : public NewFiles {
public:
    explicit Win32NewFiles(Language language) : language(language) {}

    std::unique_ptr<CreatedFile> make() override { return std::make_unique<Win32CreatedFile>(); }
    std::string reason(const CreatedFile& file) const override {
        const DWORD error = static_cast<const Win32CreatedFile&>(file).lastError();
        return error != 0 ? errorText(error, language) : say(language, Text::ShortTransfer);
    }
    bool nameTaken(const CreatedFile& file) const override {
        const DWORD error = static_cast<const Win32CreatedFile&>(file).lastError();
        return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
    }

private:
    Language language;
};

// The folder, or where it is missing, the nearest folder above it that exists,
// as a path that names its volume's root (C:\, \\server\share\).
std::wstring volumeOf(std::wstring folder) {
    wchar_t root[MAX_PATH + 1] = {};
    while (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const std::wstring::size_type slash = folder.find_last_of(L"\\/", folder.size() > 1 ? folder.size() - 2 : 0);
        if (slash == std::wstring::npos)
            folder = L".";
        else
            folder = folder.substr(0, slash + 1);
    }
    return GetVolumePathNameW(folder.c_str(), root, MAX_PATH) ? root : L"";
}

// The disks a volume (C:\) lies on, by their numbers (\\.\PhysicalDriveN).
std::vector<DWORD> disksOf(const std::wstring& volumeRoot) {
    std::vector<DWORD> disks;
    if (volumeRoot.size() < 2 || volumeRoot[1] != L':')
        return disks;
    const std::wstring device = L"\\\\.\\" + volumeRoot.substr(0, 2);
    const HANDLE volume =
        CreateFileW(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (volume == INVALID_HANDLE_VALUE)
        return disks;
    unsigned char buffer[sizeof(VOLUME_DISK_EXTENTS) + 16 * sizeof(DISK_EXTENT)] = {};
    DWORD returned = 0;
    if (DeviceIoControl(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, buffer, sizeof buffer, &returned,
            nullptr)) {
        const VOLUME_DISK_EXTENTS* extents = reinterpret_cast<const VOLUME_DISK_EXTENTS*>(buffer);
        for (DWORD i = 0; i < extents->NumberOfDiskExtents && i < 16; ++i)
            disks.push_back(extents->Extents[i].DiskNumber);
    }
    CloseHandle(volume);
    return disks;
}

// Whether a folder on volumeRoot lies on the device source names: the volume
// itself (\\.\E:), or a disk it lies on (\\.\PhysicalDriveN).
bool onDevice(const std::wstring& source, const std::wstring& volumeRoot) {
    const std::wstring prefix = L"\\\\.\\";
    if (source.compare(0, prefix.size(), prefix) != 0)
        return false;
    const std::wstring name = source.substr(prefix.size());
    if (name.size() == 2 && name[1] == L':')
        return volumeRoot.size() >= 2 && towupper(volumeRoot[0]) == towupper(name[0]) && volumeRoot[1] == L':';
    const std::wstring disk = L"PhysicalDrive";
    if (_wcsnicmp(name.c_str(), disk.c_str(), disk.size()) != 0)
        return false;
    const DWORD number = static_cast<DWORD>(wcstoul(name.c_str() + disk.size(), nullptr, 10));
    for (DWORD each : disksOf(volumeRoot)) {
        if (each == number)
            return true;
    }
    return false;
}

// Whether two paths name one file.
bool sameFile(const std::wstring& a, const std::wstring& b) {
    BY_HANDLE_FILE_INFORMATION first = {}, second = {};
    const auto look = [](const std::wstring& path, BY_HANDLE_FILE_INFORMATION& information) {
        const HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        const bool known = GetFileInformationByHandle(file, &information) != FALSE;
        CloseHandle(file);
        return known;
    };
    return look(a, first) && look(b, second) && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber
        && first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

// Whether the drive of letter holds Windows (%SystemRoot%).
bool isSystemDrive(char letter) {
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = GetSystemWindowsDirectoryW(folder, MAX_PATH + 1);
    return length > 0 && length <= MAX_PATH && holdsSystem(letter, toUtf8(folder));
}

// Makes folder and the folders above it that are missing.
bool makeFolders(const std::wstring& folder) {
    if (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
        return true;
    const std::wstring::size_type slash = folder.find_last_of(L"\\/", folder.size() > 1 ? folder.size() - 2 : 0);
    if (GetLastError() != ERROR_PATH_NOT_FOUND || slash == std::wstring::npos || slash == 0)
        return false;
    return makeFolders(folder.substr(0, slash))
        && (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
}

}

struct RecoveryPlatform::State {
    explicit State(Language language) : files(language), language(language) {}

    Win32ByteSource source;
    Win32NewFiles files;
    Language language;
    std::wstring path;
};

RecoveryPlatform::RecoveryPlatform(Language language) : state(new State(language)) {}

RecoveryPlatform::~RecoveryPlatform() {
    if (cleared != nullptr)
        SetEvent(cleared);
}

bool RecoveryPlatform::open(const std::string& path, std::string& why) {
    const Language language = state->language;
    // A card's drive, E: or E:\, is read as its volume, \\.\E:.
    const char letter = driveLetter(path);
    if (letter != 0 && isSystemDrive(letter)) {
        why = say(language, Text::SystemDrive, {std::string(1, letter) + ":"});
        return false;
    }
    const std::string opened = letter != 0 ? driveVolume(letter) : path;
    state->path = toWide(opened);
    if (state->source.open(opened.c_str()))
        return true;
    const DWORD error = static_cast<DWORD>(state->source.lastError());
    if (state->source.notImageOrDevice())
        why = say(language, Text::NotImageOrDevice);
    else if (error == ERROR_ACCESS_DENIED && state->source.isDevice())
        why = say(language, Text::NeedsAdministrator);
    else
        why = errorText(error, language);
    return false;
}

ByteSource& RecoveryPlatform::source() {
    return state->source;
}

bool RecoveryPlatform::admitOutput(const std::string& folder, bool dryRun, bool& onSource, std::string& why) {
    const Language language = state->language;
    const std::wstring wide = toWide(folder);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    onSource = state->source.isDevice() ? onDevice(state->path, volumeOf(wide))
                                        : attributes != INVALID_FILE_ATTRIBUTES && sameFile(wide, state->path);
    if (onSource)
        return false;
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        why = say(language, Text::NotAFolderNamed, {folder});
        return false;
    }
    if (!dryRun && !makeFolders(wide)) {
        why = say(language, Text::NamedReason, {folder, errorText(GetLastError(), language)});
        return false;
    }
    return true;
}

NewFiles& RecoveryPlatform::newFiles() {
    return state->files;
}

char RecoveryPlatform::separator() const {
    return '\\';
}

std::string RecoveryPlatform::failureText(int code) const {
    return code == 0 ? say(state->language, Text::SourceEnded) : errorText(static_cast<DWORD>(code), state->language);
}

void RecoveryPlatform::catchInterruptions() {
    cleared = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(interrupt, TRUE);
}

const std::atomic<bool>& RecoveryPlatform::interruption() const {
    return interrupted;
}
