#include "ProgressLine.h"
#include "RepairTargets.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// A tree of folders in memory: each folder's files and subfolders, in the
// order a system might list them; a folder missing from the map cannot be
// read. Files are listed as regular unless named in pipes.
class FakeFolders : public Folders {
public:
    struct Entries {
        std::vector<std::string> files;
        std::vector<std::string> subfolders;
    };
    std::map<std::string, Entries> tree;
    std::vector<std::string> unreadable;
    std::vector<std::string> pipes;

    std::vector<Named> expand(const std::string& argument) override {
        return {{argument, argument.find('*') != std::string::npos ? "no file matches" : ""}};
    }
    bool isFolder(const std::string& path) override {
        return tree.count(path) > 0 || std::find(unreadable.begin(), unreadable.end(), path) != unreadable.end();
    }
    bool list(const std::string& folder, std::deque<File>& files, std::vector<std::string>& subfolders,
        std::string& why) override {
        if (tree.count(folder) == 0) {
            why = "Permission denied";
            return false;
        }
        for (const std::string& name : tree[folder].files)
            files.push_back({name, std::find(pipes.begin(), pipes.end(), name) == pipes.end()});
        subfolders = tree[folder].subfolders;
        return true;
    }
    std::string join(const std::string& folder, const std::string& name) const override { return folder + "/" + name; }
    std::string leaf(const std::string& path) const override { return path.substr(path.rfind('/') + 1); }
};

// Only what a listing said is a regular file is marked so, never a name
// given as an argument.
TEST(RepairTargets, WalksEachFolderInByteOrderFilesFirstAndReportsWhatItCannotRead) {
    FakeFolders folders;
    folders.tree["t"] = {{"b.wav", "notes.txt", "A.WAV", "c.Aifc", ".wav", "d.wav.bak", "e.bwf", "\xC3\xA9.rf64"},
        {"z", "locked", "m"}};
    folders.tree["t/m"] = {{"x.aiff", "x.wave"}, {}};
    folders.tree["t/z"] = {{"y.aif"}, {}};
    folders.unreadable = {"t/locked"};
    folders.pipes = {"c.Aifc", "x.wave"};

    const std::deque<RepairTarget> walked = findTargets({"t", "one.wav", "*.wav"}, true, folders, Language::English);
    std::vector<std::string> lines;
    for (const RepairTarget& target : walked)
        lines.push_back(
            target.path + (target.error.empty() ? "" : " (" + target.error + ")") + (target.regular ? " regular" : ""));
    EXPECT_EQ(lines,
        (std::vector<std::string>{"t/A.WAV regular", "t/b.wav regular", "t/c.Aifc", "t/e.bwf regular",
            "t/\xC3\xA9.rf64 regular", "t/locked (Permission denied)", "t/m/x.aiff regular", "t/m/x.wave",
            "t/z/y.aif regular", "one.wav", "*.wav (no file matches)"}));

    const std::deque<RepairTarget> plain = findTargets({"t"}, false, folders, Language::English);
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_EQ(plain[0].error, "a folder; --recursive repairs what it holds");
}

TEST(ProgressLine, AppearsAfterASecondRedrawsAtMostTenTimesASecondAndIsErased) {
    const auto start = ProgressLine::Clock::now();
    const auto at = [&](int milliseconds) { return start + std::chrono::milliseconds(milliseconds); };
    for (bool enabled : {true, false}) {
        std::string written;
        ProgressLine line(
            enabled, Language::English, [&](const std::string& text) { written += text; }, start);
        line.show(1, 9, "early.wav", at(900));
        line.show(2, 9, "a.wav", at(1000));
        line.show(3, 9, "soon.wav", at(1050));
        line.show(4, 9, std::string(60, 'x') + "\xC3\xA9", at(1150));
        line.erase();
        line.erase();
        EXPECT_EQ(written,
            enabled ? "\r\x1B[K2/9 a.wav\r\x1B[K4/9 ..." + std::string(46, 'x') + "\xC3\xA9\r\x1B[K" : "");
    }
}

}
