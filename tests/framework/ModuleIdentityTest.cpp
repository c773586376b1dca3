#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ProbeReport.h"
#include "ScratchDirectory.h"

namespace {

#define SO "\x83\x5C"
#define HYO "\x95\x5C"

// Which version strings the started probe must report.
enum Block { OwnBlock, EmptyProductBlock, Defaults };

std::vector<std::string> expectedStrings(Block block, const std::string& moduleName) {
    if (block == Defaults) {
        return {"Oxbowapp", moduleName, "CurrentVersion", moduleName, "All rights reserved.", moduleName};
    }
    const std::string product = block == OwnBlock ? "Probe Product " SO : "";
    return {"Probe Works " HYO, "probe-internal", "9.8.7.6", product, "(c) the probe authors", product};
}

struct IdentityCase {
    const char* directorySuffix;
    const char* probeAs; // copy of the probe with its own version block
    const char* emptyProductAs; // copy of the probe whose ProductName is empty
    const char* startAs;
    const char* moduleName;
    Block block;
};

const IdentityCase identityCases[] = {
    {SO HYO, "probe.exe", nullptr, "probe.exe", "probe", OwnBlock},
    {"", HYO "x" SO ".exe", nullptr, HYO "x" SO ".exe", HYO "x" SO, OwnBlock},
    {"", "MixedCase.exe", nullptr, "MIXEDCASE.EXE", "MixedCase", OwnBlock},
    {"", "my.probe.v2.exe", nullptr, "my.probe.v2.exe", "my.probe.v2", OwnBlock},
    {"", "probe", nullptr, "probe", "probe", Defaults},
    {"", "probe.bin", nullptr, "probe.bin", "probe", Defaults},
    {"", "probe.bin", "probe.exe", "probe.bin", "probe", EmptyProductBlock},
    {"", nullptr, "quiet.exe", "quiet.exe", "quiet", EmptyProductBlock},
};

TEST(ModuleIdentity, NameDirectoryAndVersionStringsOfTheStartedFile) {
    const char* keys[] = {"companyName", "internalName", "fileVersion", "productName", "legalCopyright", "title"};
    for (const IdentityCase& entry : identityCases) {
        SCOPED_TRACE(entry.startAs);
        ScratchDirectory directory(entry.directorySuffix);
        ASSERT_TRUE(directory.created());
        if (entry.probeAs != nullptr) {
            ASSERT_TRUE(directory.copy(testDirectory() + "\\identity_probe.exe", entry.probeAs));
        }
        if (entry.emptyProductAs != nullptr) {
            ASSERT_TRUE(directory.copy(testDirectory() + "\\identity_probe_empty_product.exe", entry.emptyProductAs));
        }
        const std::string path = directory.path() + "\\" + entry.startAs;
        const ProbeReport report = runProbe(path, "\"" + path + "\"");
        ASSERT_TRUE(report.ran);
        EXPECT_EQ(report.value("moduleDir"), directory.path());
        EXPECT_EQ(report.value("moduleName"), entry.moduleName);
        std::vector<std::string> strings;
        for (const char* key : keys) {
            strings.push_back(report.value(key));
        }
        EXPECT_EQ(strings, expectedStrings(entry.block, entry.moduleName));
    }
}

} // namespace
