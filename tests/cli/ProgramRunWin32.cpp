#include "ProgramRun.h"

#include "WideText.h"

#include <cstdlib>
#include <windows.h>

namespace {

// One argument quoted as CommandLineToArgvW splits it back.
std::wstring quoted(const std::wstring& arg) {
    std::wstring text = L"\"";
    std::size_t slashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        text.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        text += c;
    }
    return text + std::wstring(slashes * 2, L'\\') + L"\"";
}

HANDLE scratchOutput(const wchar_t* name) {
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

std::string contents(HANDLE file) {
    std::string text;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    return text;
}

}

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args, int timeoutMilliseconds) {
    const std::wstring tag = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount());
    const HANDLE out = scratchOutput((L"run-out-" + tag).c_str());
    const HANDLE err = scratchOutput((L"run-err-" + tag).c_str());
    std::wstring commandLine = quoted(toWide(program));
    for (const std::string& arg : args)
        commandLine += L" " + quoted(toWide(arg));
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = INVALID_HANDLE_VALUE;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION info = {};
    ProgramRun run;
    if (CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
        DWORD status = 0;
        if (WaitForSingleObject(info.hProcess, static_cast<DWORD>(timeoutMilliseconds)) == WAIT_OBJECT_0
            && GetExitCodeProcess(info.hProcess, &status))
            run.status = static_cast<int>(status);
        else
            TerminateProcess(info.hProcess, 1);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    run.out = contents(out);
    run.err = contents(err);
    return run;
}

std::string repairProgram() {
    const char* chosen = std::getenv("SONORIX_REPAIR");
    return chosen != nullptr && *chosen != '\0' ? chosen : SONORIX_REPAIR;
}
