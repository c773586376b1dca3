#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CommandLine.h"
#include "ProbeReport.h"
#include "ScratchDirectory.h"

namespace {

// The process command line as the child really receives it: the probe
// prints its program-name string, its tokens and its two options.
class CommandLineProcess : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(directory.created());
        ASSERT_TRUE(directory.copy(testDirectory() + "\\identity_probe.exe", "probe.exe"));
        probe = directory.path() + "\\probe.exe";
    }

    ProbeReport run(const std::string& commandLine) {
        ProbeReport report = runProbe(probe, commandLine);
        EXPECT_TRUE(report.ran) << commandLine;
        return report;
    }

    ScratchDirectory directory{" with space \x83\x5C"};
    std::string probe;
};

TEST_F(CommandLineProcess, ProgramNameAloneGivesNoTokenAndNoOption) {
    const ProbeReport report = run("\"" + probe + "\"");
    EXPECT_EQ(report.value("program"), "\"" + probe + "\"");
    EXPECT_TRUE(report.values("token").empty());
    EXPECT_EQ(report.value("deluser"), "0");
    EXPECT_EQ(report.value("delinfo"), "0");
}

TEST_F(CommandLineProcess, QuotedPathsWithSpacesAndAnOption) {
    const std::string wave = "\"C:\\my wav\\\x95\x5C a.wav\"";
    const ProbeReport report = run("\"" + probe + "\" " + wave + " /deluser");
    EXPECT_EQ(report.values("token"), (std::vector<std::string>{wave, "/deluser"}));
    EXPECT_EQ(report.value("deluser"), "1");
    EXPECT_EQ(report.value("delinfo"), "0");
    char unquoted[260];
    ASSERT_EQ(unquote(unquoted, sizeof unquoted, report.values("token").at(0).c_str()), 1);
    EXPECT_STREQ(unquoted, "C:\\my wav\\\x95\x5C a.wav");
}

TEST_F(CommandLineProcess, TextGluedToTheQuotedProgramNameIsNoToken) {
    const ProbeReport report = run("\"" + probe + "\"glued -DELINFO");
    EXPECT_EQ(report.value("program"), "\"" + probe + "\"glued");
    EXPECT_EQ(report.values("token"), std::vector<std::string>{"-DELINFO"});
    EXPECT_EQ(report.value("delinfo"), "1");
}

TEST_F(CommandLineProcess, LeadingSpaceMakesTheProgramNameTheFirstToken) {
    const ProbeReport report = run(" probe.exe /deluser=1");
    EXPECT_EQ(report.value("program"), "");
    EXPECT_EQ(report.values("token"), (std::vector<std::string>{"probe.exe", "/deluser=1"}));
    EXPECT_EQ(report.value("deluser"), "7");
}

TEST_F(CommandLineProcess, UnterminatedQuoteRunsToTheEnd) {
    const ProbeReport report = run("probe.exe \"C:\\a b.wav /delinfo");
    EXPECT_EQ(report.value("program"), "probe.exe");
    EXPECT_EQ(report.values("token"), std::vector<std::string>{"\"C:\\a b.wav /delinfo"});
    EXPECT_EQ(report.value("delinfo"), "0");
    char unquoted[260];
    ASSERT_EQ(unquote(unquoted, sizeof unquoted, "\"C:\\a b.wav /delinfo"), 1);
    EXPECT_STREQ(unquoted, "\"C:\\a b.wav /delinfo");
}

TEST_F(CommandLineProcess, OptionsAreCaseInsensitiveAndNeedAFlag) {
    const ProbeReport report = run("probe.exe deluser /DelUsers -DELINFO2 /DelUser");
    EXPECT_EQ(report.value("deluser"), "1");
    EXPECT_EQ(report.value("delinfo"), "7");
}

} // namespace
