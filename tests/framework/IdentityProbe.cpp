#include <windows.h>

#include <string>

#include "Application.h"

// Prints what an Application learns about this process, one "key=value" line
// each, for the tests that start it under chosen names and command lines.
int main() {
    std::string report;
    const auto put = [&report](const char* key, const char* value) {
        report = report + key + "=" + (value != nullptr ? value : "<null>") + "\n";
    };
    const Application application(GetModuleHandleA(nullptr), true);
    put("moduleDir", application.moduleDir);
    put("moduleName", application.moduleName);
    put("companyName", application.companyName);
    put("internalName", application.internalName);
    put("fileVersion", application.fileVersion);
    put("productName", application.productName);
    put("legalCopyright", application.legalCopyright);
    put("title", application.title());
    const CommandLine& line = application.commandLine;
    put("program", line.start);
    for (const char* token = line.nextToken(nullptr); token != nullptr; token = line.nextToken(token)) {
        put("token", token);
    }
    put("deluser", std::to_string(line.option("deluser")).c_str());
    put("delinfo", std::to_string(line.option("delinfo")).c_str());
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
    return 0;
}
