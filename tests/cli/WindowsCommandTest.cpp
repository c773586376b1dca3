#include "ProgramRun.h"
#include "SampleHeader.h"
#include "ScratchFiles.h"
#include "WideText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <windows.h>

namespace {

// {d} stands for the scratch folder in the files, arguments and output.
std::string filled(std::string text, const std::string& folder) {
    for (std::size_t at; (at = text.find("{d}")) != std::string::npos;)
        text.replace(at, 3, folder);
    return text;
}

// Names, wildcards, folders and refusals of sonorix-repair.exe, each checked
// through its output and exit status. The files are cut-off recordings; hold
// names one that another handle keeps open ("read:" or "write:"), that has
// the read-only attribute ("readOnly:"), or a 5 GiB RF64 recording cut off
// before an ID3v1 tag at its end ("large:").
struct WindowsCase {
    const char* name;
    std::vector<std::string> files;
    std::string hold;
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err;
};

class WindowsCommandTest : public testing::TestWithParam<WindowsCase> {
protected:
    void TearDown() override {
        for (auto name = created.rbegin(); name != created.rend(); ++name) {
            SetFileAttributesW(name->c_str(), FILE_ATTRIBUTE_NORMAL);
            if (!DeleteFileW(name->c_str()))
                RemoveDirectoryW(name->c_str());
        }
    }

    // Through the wide API, so names that code page 932 cannot hold exist.
    bool create(const std::string& path) {
        const std::size_t slash = path.rfind('\\');
        const std::wstring folder = toWide(path.substr(0, slash));
        if (CreateDirectoryW(folder.c_str(), nullptr))
            created.push_back(folder);
        const std::wstring name = toWide(path);
        const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        created.push_back(name);
        std::vector<unsigned char> bytes = bytesOf(sampleHeader(36, 0));
        bytes.resize(1044, 9);
        DWORD written = 0;
        const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        return CloseHandle(file) && ok && written == bytes.size();
    }

    ScratchDir dir;
    std::vector<std::wstring> created;
};

TEST_P(WindowsCommandTest, ReportsEachNameAsGiven) {
    const WindowsCase& c = GetParam();
    ASSERT_TRUE(dir.ready());
    const std::string folder = dir.path();
    for (const std::string& file : c.files)
        ASSERT_TRUE(create(filled("{d}\\" + file, folder))) << file;
    const std::size_t colon = c.hold.find(':');
    const std::string kind = c.hold.substr(0, colon);
    const std::string held = colon == std::string::npos ? "" : filled("{d}\\" + c.hold.substr(colon + 1), folder);
    if (kind == "readOnly") {
        ASSERT_TRUE(setReadOnly(held, true));
    }
    if (kind == "large") {
        const std::vector<unsigned char> canonical = bytesOf(sampleHeader(36, 0));
        std::vector<unsigned char> head = {'R', 'F', '6', '4', 0xFF, 0xFF, 0xFF, 0xFF, 'W', 'A', 'V', 'E', 'd', 's',
            '6', '4', 28, 0, 0, 0};
        head.resize(48, 0);
        head.insert(head.end(), canonical.begin() + 12, canonical.begin() + 40);
        head.insert(head.end(), 4, 0xFF);
        std::vector<unsigned char> tag(128, ' ');
        tag[0] = 'T', tag[1] = 'A', tag[2] = 'G';
        ASSERT_TRUE(writeSparseFile(held, head, 5ull << 30, tag));
        created.push_back(toWide(held));
    }
    std::unique_ptr<HeldFile> other;
    if (kind == "read" || kind == "write") {
        other.reset(new HeldFile(held, kind == "read" ? HeldFile::Kind::ReadHandle : HeldFile::Kind::WriteHandle));
        ASSERT_TRUE(other->holding());
    }
    std::vector<std::string> args;
    for (const std::string& arg : c.args)
        args.push_back(filled(arg, folder));

    const ProgramRun result = runProgram(repairProgram(), args);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.out, filled(c.out, folder));
    EXPECT_EQ(result.err, filled(c.err, folder));

    // What was reported repaired is so: a second look finds it sound.
    std::string again = filled(c.out, folder);
    if (again.find(": repaired") == std::string::npos)
        return;
    for (std::size_t at; (at = again.find(": repaired")) != std::string::npos;)
        again.replace(at, 10, ": already sound");
    args.insert(args.begin(), "--dry-run");
    EXPECT_EQ(runProgram(repairProgram(), args).out, again);
}

INSTANTIATE_TEST_SUITE_P(Runs, WindowsCommandTest,
    testing::Values(WindowsCase{"namesOutsideCodePage932", {"日本語.wav", "한국어.wav", "😀.wav"}, "",
                        {"{d}\\日本語.wav", "{d}\\한국어.wav", "{d}\\😀.wav"}, 0,
                        "{d}\\日本語.wav: repaired\n{d}\\한국어.wav: repaired\n{d}\\😀.wav: repaired\n",
                        "sonorix-repair: 3 files: 3 repaired\n"},
        WindowsCase{"wildcardInNameOrderLongNamesOnly", {"b.wav", "A.WAV", "x.wavx", "한.wav"}, "", {"{d}\\*.wav"}, 0,
            "{d}\\A.WAV: repaired\n{d}\\b.wav: repaired\n{d}\\한.wav: repaired\n",
            "sonorix-repair: 3 files: 3 repaired\n"},
        WindowsCase{"wildcardMatchingNothing", {"a.wav"}, "", {"--canonical", "{d}\\*.aif?"}, 2,
            "{d}\\*.aif?: file error (no file matches)\n", ""},
        WindowsCase{"recursiveFolder", {"a.wav", "sub\\c.AIFF", "notes.txt"}, "", {"-r", "--dry-run", "{d}"}, 0,
            "{d}\\a.wav: would be repaired\n{d}\\sub\\c.AIFF: would be repaired\n",
            "sonorix-repair: 2 files: 2 would be repaired\n"},
        WindowsCase{"folderWithoutRecursive", {"a.wav"}, "", {"{d}"}, 2,
            "{d}: file error (a folder; --recursive repairs what it holds)\n", ""},
        WindowsCase{"readOnly", {"a.wav"}, "readOnly:a.wav", {"{d}\\a.wav"}, 2, "{d}\\a.wav: file error (read-only)\n",
            ""},
        WindowsCase{"readOnlyDryRun", {"a.wav"}, "readOnly:a.wav", {"--dry-run", "{d}\\a.wav"}, 2,
            "{d}\\a.wav: file error (read-only)\n", ""},
        WindowsCase{"heldForReading", {"a.wav"}, "read:a.wav", {"{d}\\a.wav"}, 2,
            "{d}\\a.wav: file error (locked by another process)\n", ""},
        WindowsCase{"heldForWritingDryRun", {"a.wav"}, "write:a.wav", {"--dry-run", "{d}\\a.wav"}, 2,
            "{d}\\a.wav: file error (locked by another process)\n", ""},
        // Past 4 GiB: the size, and the tag read at an offset of 33 bits.
        WindowsCase{"largerThan4GiB", {}, "large:big.wav", {"--json", "{d}\\big.wav"}, 0,
            "{\"path\":\"{d}\\\\big.wav\",\"outcome\":\"repaired\",\"reason\":null,\"changes\":["
            "{\"offset\":28,\"before\":\"0000000000000000\",\"after\":\"30ffff3f01000000\"},"
            "{\"offset\":36,\"before\":\"0000000000000000\",\"after\":\"ccffff4f00000000\"},"
            "{\"offset\":20,\"before\":\"0000000000000000\",\"after\":\"78ffff3f01000000\"}]}\n",
            ""},
        WindowsCase{"missing", {}, "", {"{d}\\none.wav"}, 2, "{d}\\none.wav: file error (No such file or directory)\n",
            ""},
        WindowsCase{"json", {"한국어.wav"}, "", {"--json", "--canonical", "{d}\\한국어.wav"}, 0,
            "{\"path\":\"{d}\\\\한국어.wav\",\"outcome\":\"repaired\",\"reason\":null,\"changes\":["
            "{\"offset\":4,\"before\":\"24000000\",\"after\":\"0c040000\"},"
            "{\"offset\":40,\"before\":\"00000000\",\"after\":\"e8030000\"}]}\n",
            ""}),
    [](const testing::TestParamInfo<WindowsCase>& info) { return std::string(info.param.name); });

}
