#include "ProbeReport.h"

#include <windows.h>

#include <sstream>

std::string ProbeReport::value(const std::string& key) const {
    const auto found = entries.find(key);
    return found != entries.end() ? found->second : "<missing>";
}

std::vector<std::string> ProbeReport::values(const std::string& key) const {
    std::vector<std::string> found;
    for (auto range = entries.equal_range(key); range.first != range.second; ++range.first) {
        found.push_back(range.first->second);
    }
    return found;
}

ProbeReport runProbe(const std::string& path, std::string commandLine) {
    ProbeReport report;
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        return report;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = writeEnd;
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
        nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    std::string output;
    if (started) {
        // The pipe is drained while waiting, so a full pipe never stalls the probe.
        const ULONGLONG deadline = GetTickCount64() + 30000;
        do {
            report.ran = WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0;
            char chunk[4096];
            DWORD available = 0;
            DWORD read = 0;
            while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0
                && ReadFile(readEnd, chunk, sizeof chunk, &read, nullptr) && read > 0) {
                output.append(chunk, read);
            }
        } while (!report.ran && GetTickCount64() < deadline);
        if (!report.ran) {
            TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, 5000);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos) {
            report.entries.emplace(line.substr(0, equals), line.substr(equals + 1));
        }
    }
    return report;
}

std::string testDirectory() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string file(path, length < sizeof path ? length : 0);
    return file.substr(0, file.rfind('\\'));
}
