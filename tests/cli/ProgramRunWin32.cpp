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

// A pipe the program writes its output into, read while it runs so that it
// never waits on a full pipe; what it holds is taken without waiting for an
// end, which a Wine helper that inherited the handle could hold back.
class OutputPipe {
public:
    OutputPipe() {
        SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
        if (CreatePipe(&reading, &writing, &inherited, 1 << 16))
            SetHandleInformation(reading, HANDLE_FLAG_INHERIT, 0);
    }
    OutputPipe(const OutputPipe&) = delete;
    OutputPipe& operator=(const OutputPipe&) = delete;
    ~OutputPipe() {
        closeWriting();
        if (reading != nullptr)
            CloseHandle(reading);
    }

    HANDLE writeEnd() const { return writing; }
    // Once the program holds its own copy.
    void closeWriting() {
        if (writing != nullptr)
            CloseHandle(writing);
        writing = nullptr;
    }
    void drain() {
        DWORD ready = 0;
        char buffer[4096];
        while (PeekNamedPipe(reading, nullptr, 0, nullptr, &ready, nullptr) && ready > 0) {
            DWORD got = 0;
            if (!ReadFile(reading, buffer, ready < sizeof buffer ? ready : sizeof buffer, &got, nullptr) || got == 0)
                return;
            text.append(buffer, got);
        }
    }
    const std::string& received() const { return text; }

private:
    HANDLE reading = nullptr;
    HANDLE writing = nullptr;
    std::string text;
};

}

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args, int timeoutMilliseconds,
    const std::string&) {
    OutputPipe out;
    OutputPipe err;
    std::wstring commandLine = quoted(toWide(program));
    for (const std::string& arg : args)
        commandLine += L" " + quoted(toWide(arg));
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = INVALID_HANDLE_VALUE;
    startup.hStdOutput = out.writeEnd();
    startup.hStdError = err.writeEnd();
    PROCESS_INFORMATION info = {};
    ProgramRun run;
    if (out.writeEnd() != nullptr && err.writeEnd() != nullptr
        && CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
        out.closeWriting();
        err.closeWriting();
        DWORD waited = 0;
        DWORD ended = WAIT_TIMEOUT;
        while (ended == WAIT_TIMEOUT && waited <= static_cast<DWORD>(timeoutMilliseconds)) {
            out.drain();
            err.drain();
            ended = WaitForSingleObject(info.hProcess, 5);
            waited += 5;
        }
        DWORD status = 0;
        if (ended == WAIT_OBJECT_0 && GetExitCodeProcess(info.hProcess, &status))
            run.status = static_cast<int>(status);
        else
            TerminateProcess(info.hProcess, 1);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    out.drain();
    err.drain();
    run.out = out.received();
    run.err = err.received();
    return run;
}

std::string repairProgram() {
    const char* chosen = std::getenv("SONORIX_REPAIR");
    return chosen != nullptr && *chosen != '\0' ? chosen : SONORIX_REPAIR;
}
