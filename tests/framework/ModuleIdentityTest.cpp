#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "ProbeReport.h"
#include "ScratchDirectory.h"

namespace {

#define SO "\x83\x5C"
#define HYO "\x95\x5C"

const char companyName[] = "Probe Works " HYO;
const char productName[] = "Probe Product " SO;

std::string probePath() {
    return testDirectory() + "\\identity_probe.exe";
}

std::string emptyProductProbePath() {
    return testDirectory() + "\\identity_probe_empty_product.exe";
}

// Starts the executable at directory\name through its full quoted path.
ProbeReport start(const ScratchDirectory& directory, const std::string& name) {
    const std::string path = directory.path() + "\\" + name;
    return runProbe(path, "\"" + path + "\"");
}

void expectOwnVersionBlock(const ProbeReport& report) {
    EXPECT_EQ(report.value("companyName"), companyName);
    EXPECT_EQ(report.value("internalName"), "probe-internal");
    EXPECT_EQ(report.value("fileVersion"), "9.8.7.6");
    EXPECT_EQ(report.value("productName"), productName);
    EXPECT_EQ(report.value("legalCopyright"), "(c) the probe authors");
    EXPECT_EQ(report.value("title"), productName);
}

void expectDefaults(const ProbeReport& report, const std::string& moduleName) {
    EXPECT_EQ(report.value("companyName"), "Oxbowapp");
    EXPECT_EQ(report.value("internalName"), moduleName);
    EXPECT_EQ(report.value("fileVersion"), "CurrentVersion");
    EXPECT_EQ(report.value("productName"), moduleName);
    EXPECT_EQ(report.value("legalCopyright"), "All rights reserved.");
    EXPECT_EQ(report.value("title"), moduleName);
}

TEST(ModuleIdentity, DirectoryWithTrailByteBackslashIsKeptWhole) {
    ScratchDirectory directory(SO HYO);
    ASSERT_TRUE(directory.created());
    ASSERT_TRUE(directory.copy(probePath(), "probe.exe"));
    const ProbeReport report = start(directory, "probe.exe");
    ASSERT_TRUE(report.ran);
    EXPECT_EQ(report.value("moduleDir"), directory.path());
    EXPECT_EQ(report.value("moduleName"), "probe");
    expectOwnVersionBlock(report);
}

TEST(ModuleIdentity, FileNameWithTrailByteBackslashIsNotCut) {
    ScratchDirectory directory("");
    ASSERT_TRUE(directory.created());
    ASSERT_TRUE(directory.copy(probePath(), HYO "x" SO ".exe"));
    const ProbeReport report = start(directory, HYO "x" SO ".exe");
    ASSERT_TRUE(report.ran);
    EXPECT_EQ(report.value("moduleDir"), directory.path());
    EXPECT_EQ(report.value("moduleName"), HYO "x" SO);
    expectOwnVersionBlock(report);
}

TEST(ModuleIdentity, NameKeepsTheCaseStoredOnDisk) {
    ScratchDirectory directory("");
    ASSERT_TRUE(directory.created());
    ASSERT_TRUE(directory.copy(probePath(), "MixedCase.exe"));
    const ProbeReport report = start(directory, "MIXEDCASE.EXE");
    ASSERT_TRUE(report.ran);
    EXPECT_EQ(report.value("moduleName"), "MixedCase");
    expectOwnVersionBlock(report);
}

TEST(ModuleIdentity, SeveralDotsLoseOnlyTheLastExtension) {
    ScratchDirectory directory("");
    ASSERT_TRUE(directory.created());
    ASSERT_TRUE(directory.copy(probePath(), "my.probe.v2.exe"));
    const ProbeReport report = start(directory, "my.probe.v2.exe");
    ASSERT_TRUE(report.ran);
    EXPECT_EQ(report.value("moduleName"), "my.probe.v2");
    expectOwnVersionBlock(report);
}

TEST(ModuleIdentity, NoExtensionKeepsTheWholeNameAndGetsDefaults) {
    ScratchDirectory directory("");
    ASSERT_TRUE(directory.created());
    ASSERT_TRUE(directory.copy(probePath(), "probe"));
    const ProbeReport report = start(directory, "probe");
    ASSERT_TRUE(report.ran);
    EXPECT_EQ(report.value("moduleDir"), directory.path());
    EXPECT_EQ(report.value("moduleName"), "probe");
    expectDefaults(report, "probe");
}

TEST(ModuleIdentity, OtherExtensionWithoutExeBesideGetsDefaults) {
    ScratchDirectory directory("");
    ASSERT_TRUE(directory.created());
    ASSERT_TRUE(directory.copy(probePath(), "probe.bin"));
    const ProbeReport report = start(directory, "probe.bin");
    ASSERT_TRUE(report.ran);
    EXPECT_EQ(report.value("moduleName"), "probe");
    expectDefaults(report, "probe");
}

TEST(ModuleIdentity, OtherExtensionReadsTheExeBesideIt) {
    ScratchDirectory directory("");
    ASSERT_TRUE(directory.created());
    ASSERT_TRUE(directory.copy(probePath(), "probe.bin"));
    ASSERT_TRUE(directory.copy(emptyProductProbePath(), "probe.exe"));
    const ProbeReport report = start(directory, "probe.bin");
    ASSERT_TRUE(report.ran);
    EXPECT_EQ(report.value("companyName"), companyName);
    EXPECT_EQ(report.value("productName"), "");
}

TEST(ModuleIdentity, EmptyProductNameIsTheTitle) {
    ScratchDirectory directory("");
    ASSERT_TRUE(directory.created());
    ASSERT_TRUE(directory.copy(emptyProductProbePath(), "quiet.exe"));
    const ProbeReport report = start(directory, "quiet.exe");
    ASSERT_TRUE(report.ran);
    EXPECT_EQ(report.value("moduleName"), "quiet");
    EXPECT_EQ(report.value("productName"), "");
    EXPECT_EQ(report.value("title"), "");
    EXPECT_EQ(report.value("companyName"), companyName);
    EXPECT_EQ(report.value("fileVersion"), "9.8.7.6");
}

TEST(ModuleIdentity, PublishedWhileAliveAndClearedAfter) {
    ScratchDirectory directory("");
    ASSERT_TRUE(directory.created());
    ASSERT_TRUE(directory.copy(probePath(), "probe.exe"));
    const ProbeReport report = start(directory, "probe.exe");
    ASSERT_TRUE(report.ran);
    EXPECT_EQ(report.value("published"), "1");
    EXPECT_EQ(report.value("cleared"), "1");
}

} // namespace
