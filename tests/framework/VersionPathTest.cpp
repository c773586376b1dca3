#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "ApplicationBase.h"
#include "ProbeReport.h"
#include "ScratchDirectory.h"

namespace {

// Reads the version strings for a directory and name of the test's choosing.
struct VersionReader : ApplicationBase {
    VersionReader(const std::string& directory, const std::string& name) {
        std::snprintf(moduleDir, sizeof moduleDir, "%s", directory.c_str());
        std::snprintf(moduleName, sizeof moduleName, "%s", name.c_str());
        readVersionStrings();
    }
};

// "<directory>\p.exe" of exactly total bytes, holding the probe's version block.
std::string placeProbe(const ScratchDirectory& scratch, std::size_t total) {
    const std::size_t directoryLength = total - std::strlen("\\p.exe");
    const std::string directory = scratch.path() + "\\" + std::string(directoryLength - scratch.path().size() - 1, 'd');
    EXPECT_TRUE(CreateDirectoryA(directory.c_str(), nullptr));
    EXPECT_TRUE(CopyFileA((testDirectory() + "\\identity_probe.exe").c_str(), (directory + "\\p.exe").c_str(), FALSE));
    return directory;
}

TEST(VersionPath, ExePathIsReadOnlyWhenItFits) {
    ScratchDirectory scratch("");
    ASSERT_TRUE(scratch.created());
    const VersionReader fits(placeProbe(scratch, 259), "p");
    EXPECT_STREQ(fits.companyName, "Probe Works \x95\x5C");
    EXPECT_STREQ(fits.internalName, "probe-internal");
    const VersionReader tooLong(placeProbe(scratch, 260), "p");
    EXPECT_STREQ(tooLong.companyName, "Oxbowapp");
    EXPECT_STREQ(tooLong.internalName, "p");
    EXPECT_STREQ(tooLong.fileVersion, "CurrentVersion");
    EXPECT_STREQ(tooLong.productName, "p");
    EXPECT_STREQ(tooLong.legalCopyright, "All rights reserved.");
}

TEST(VersionPath, LongestIdentityGetsDefaultsIntact) {
    const std::string directory(269, 'x');
    const std::string name(259, 'y');
    const VersionReader reader(directory, name);
    EXPECT_EQ(std::string(reader.moduleDir), directory);
    EXPECT_EQ(std::string(reader.moduleName), name);
    EXPECT_STREQ(reader.companyName, "Oxbowapp");
    EXPECT_EQ(std::string(reader.internalName), name);
    EXPECT_EQ(std::string(reader.productName), name);
}

} // namespace
