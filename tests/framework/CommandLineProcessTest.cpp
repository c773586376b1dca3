#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ProbeReport.h"
#include "ScratchDirectory.h"

namespace {

// The process command line as the child really receives it: the probe prints
// its program-name string, its tokens and its two options. "%p" stands for the
// probe's full path, under a directory with a space and a double-byte name.
struct ProcessCase {
    const char* commandLine;
    const char* program;
    std::vector<std::string> tokens;
    const char* deluser;
    const char* delinfo;
};

const ProcessCase processCases[] = {
    {"\"%p\"", "\"%p\"", {}, "0", "0"},
    {"\"%p\" \"C:\\my wav\\\x95\x5C a.wav\" /deluser", "\"%p\"", {"\"C:\\my wav\\\x95\x5C a.wav\"", "/deluser"}, "1",
        "0"},
    {"\"%p\"glued -DELINFO", "\"%p\"glued", {"-DELINFO"}, "0", "1"},
    {" probe.exe /deluser=1", "", {"probe.exe", "/deluser=1"}, "7", "0"},
    {"probe.exe \"C:\\a b.wav /delinfo", "probe.exe", {"\"C:\\a b.wav /delinfo"}, "0", "0"},
    {"probe.exe deluser /DelUsers -DELINFO2 /DelUser", "probe.exe", {"deluser", "/DelUsers", "-DELINFO2", "/DelUser"},
        "1", "7"},
};

TEST(CommandLineProcess, ChildSeesItsCommandLineAsTokensAndOptions) {
    ScratchDirectory directory(" with space \x83\x5C");
    ASSERT_TRUE(directory.created());
    ASSERT_TRUE(directory.copy(testDirectory() + "\\identity_probe.exe", "probe.exe"));
    const std::string probe = directory.path() + "\\probe.exe";
    const auto withProbe = [&probe](std::string text) {
        const std::size_t at = text.find("%p");
        return at == std::string::npos ? text : text.replace(at, 2, probe);
    };
    for (const ProcessCase& entry : processCases) {
        SCOPED_TRACE(entry.commandLine);
        const ProbeReport report = runProbe(probe, withProbe(entry.commandLine));
        ASSERT_TRUE(report.ran);
        EXPECT_EQ(report.value("program"), withProbe(entry.program));
        EXPECT_EQ(report.values("token"), entry.tokens);
        EXPECT_EQ(report.value("deluser"), entry.deluser);
        EXPECT_EQ(report.value("delinfo"), entry.delinfo);
    }
}

} // namespace
