#include <windows.h>

#include <string>

#include "Application.h"

// Prints what an Application learns about this process, one "key=value" line
// each, for the tests that start it under chosen names and command lines.
namespace {

void put(std::string& report, const char* key, const char* value) {
    report += key;
    report += '=';
    report += value != nullptr ? value : "<null>";
    report += '\n';
}

} // namespace

int main() {
    std::string report;
    {
        Application application(GetModuleHandleA(nullptr), true);
        put(report, "published", currentApplication == &application ? "1" : "0");
        put(report, "moduleDir", application.moduleDir);
        put(report, "moduleName", application.moduleName);
        put(report, "companyName", application.companyName);
        put(report, "internalName", application.internalName);
        put(report, "fileVersion", application.fileVersion);
        put(report, "productName", application.productName);
        put(report, "legalCopyright", application.legalCopyright);
        put(report, "title", application.title());
        const CommandLine& line = application.commandLine;
        put(report, "program", line.start);
        for (const char* token = line.nextToken(nullptr); token != nullptr; token = line.nextToken(token)) {
            put(report, "token", token);
        }
        put(report, "deluser", std::to_string(line.option("deluser")).c_str());
        put(report, "delinfo", std::to_string(line.option("delinfo")).c_str());
    }
    put(report, "cleared", currentApplication == nullptr ? "1" : "0");
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), report.data(), static_cast<DWORD>(report.size()), &written,
              nullptr);
    return 0;
}
