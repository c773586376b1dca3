#include "ChildProcess.h"

#include <vector>

namespace {

void drain(HANDLE pipe, std::string& output) {
    DWORD available = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        char chunk[4096];
        DWORD read = 0;
        if (!ReadFile(pipe, chunk, available < sizeof chunk ? available : sizeof chunk, &read, nullptr)
            || read == 0) {
            return;
        }
        output.append(chunk, read);
    }
}

} // namespace

bool runChild(const std::string& application, const std::string& commandLine, std::string& output,
              DWORD timeout) {
    output.clear();
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        return false;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    const BOOL started = CreateProcessA(application.c_str(), line.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return false;
    }
    bool ended = false;
    const ULONGLONG deadline = GetTickCount64() + timeout;
    while (!ended && GetTickCount64() < deadline) {
        drain(readEnd, output);
        ended = WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0;
    }
    if (ended) {
        drain(readEnd, output);
    } else {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 5000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(readEnd);
    return ended;
}
