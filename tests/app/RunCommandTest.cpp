#include <gtest/gtest.h>

#include <algorithm>

#include "SonorixProcess.h"
#include "TestFiles.h"

namespace {

const char* const repaired = u8"正常に処理しました";
const char* const alreadyValid = u8"既に正常なファイルです";
const char* const fileError = u8"ファイルエラーが起こりました";
const char* const unsupported = u8"サポート外のWavファイル形式です";

// The file behind a name is the name without quotation marks; fileBytes 0
// writes none, fewer than 44 cut the header short. Every outcome is told
// with the information icon, refused input with the warning icon. The empty
// name comes last: the checks after the loop look at what its warning leaves.
struct RunCase {
    const char* typed; // '@' stands for the scratch folder
    HeaderFields header;
    std::size_t fileBytes;
    const char* message;
    BoxIcon icon;
};

// Typed through WM_SETTEXT, which the field's 259-character limit does not stop.
const std::string tooLongName(260, 'x');

const HeaderFields cutOff{36, 1, 1, 8000, 16, 0};

const RunCase runCases[] = {
    {"@\\cut.wav", cutOff, 1044, repaired, BoxIcon::Information},
    {"@\\only-data-size-wrong.wav", {1036, 1, 1, 8000, 16, 4}, 1044, repaired, BoxIcon::Information},
    {"@\\sound.wav", {1036, 1, 1, 8000, 16, 1000}, 1044, alreadyValid, BoxIcon::Information},
    {"@\\header-alone.wav", cutOff, 44, alreadyValid, BoxIcon::Information},
    {"@\\float.wav", {36, 3, 1, 8000, 16, 0}, 444, unsupported, BoxIcon::Information},
    {"@\\24-bit.wav", {36, 1, 1, 8000, 24, 0}, 344, unsupported, BoxIcon::Information},
    {"@\\three-channels.wav", {36, 1, 3, 8000, 16, 0}, 344, unsupported, BoxIcon::Information},
    {"@\\shorter-than-a-header.wav", cutOff, 43, fileError, BoxIcon::Information},
    {"@\\missing.wav", cutOff, 0, fileError, BoxIcon::Information},
    {"@", cutOff, 0, fileError, BoxIcon::Information},
    {"   ", cutOff, 0, fileError, BoxIcon::Information},
    {"\"@\\quoted-names-are-taken-as-typed.wav\"", cutOff, 144, fileError, BoxIcon::Information},
    {tooLongName.c_str(), cutOff, 0, u8"文字列が長すぎます。( 260 文字未満で入力して下さい)", BoxIcon::Warning},
    {"", cutOff, 0, u8"ファイル名を指定して下さい", BoxIcon::Warning},
};

struct RunCommand : StartedSonorix {};

TEST_F(RunCommand, EachOutcomeShowsItsMessageAndTouchesOnlyWhatItShould) {
    ASSERT_EQ(932u, GetACP()) << "the tests expect the Japanese ANSI code page";
    std::string folder = scratchFolder("run");
    for (const RunCase& c : runCases) {
        std::string typed = c.typed;
        if (typed.find('@') != std::string::npos) {
            typed.replace(typed.find('@'), 1, folder);
        }
        SCOPED_TRACE(typed);
        std::string path = typed;
        path.erase(std::remove(path.begin(), path.end(), '"'), path.end());
        std::vector<unsigned char> before = waveBytes(c.header, 1000);
        before.resize(c.fileBytes);
        if (c.fileBytes > 0) {
            ASSERT_TRUE(writeFile(path, before));
        }
        const ShownBox box = process.run(typed);
        EXPECT_EQ(ansi(c.message), box.text);
        EXPECT_EQ(process.mainWindow, box.owner);
        EXPECT_EQ(c.icon, box.icon);
        EXPECT_EQ(typed, process.fileName()) << "Run changed the edit field";
        if (c.message == repaired) {
            expectOnlySizesFitted(before, path);
        } else if (c.fileBytes > 0) {
            EXPECT_EQ(before, readFile(path));
        }
    }
    // After the warning for the empty name no result box follows, and the
    // focus moves to the field once the box has returned inside the program.
    EXPECT_EQ(nullptr, process.waitMessageBox(500)) << "a result box followed the warning";
    HWND edit = GetDlgItem(process.mainWindow, 1003);
    EXPECT_TRUE(waitUntil(
        [&] {
            GUITHREADINFO thread{};
            thread.cbSize = sizeof thread;
            return GetGUIThreadInfo(process.info.dwThreadId, &thread) && thread.hwndFocus == edit;
        },
        5000));
}

TEST_F(RunCommand, FileHeldOpenElsewhereIsAFileError) {
    std::string path = scratchFolder("held") + "\\held.wav";
    ASSERT_TRUE(writeFile(path, waveBytes(HeaderFields(), 100)));
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(ansi(fileError), process.run(path).text);
    CloseHandle(held);
    EXPECT_EQ(ansi(repaired), process.run(path).text) << "once released, the same file is repaired";
}

TEST_F(RunCommand, KeepTimeDecidesWhetherTheLastWriteTimeSurvives) {
    std::string folder = scratchFolder("time");
    const FILETIME old{0xC89DC000u, 0x01C07385u}; // 2001-01-01 00:00 UTC
    ASSERT_TRUE(process.keepTimeTicked()) << "keep-time starts ticked";
    for (bool keep : {true, false}) {
        SCOPED_TRACE(keep ? "ticked" : "unticked");
        process.setKeepTime(keep);
        std::string path = folder + (keep ? "\\kept.wav" : "\\touched.wav");
        ASSERT_TRUE(writeFile(path, waveBytes(HeaderFields(), 500)));
        HANDLE file =
            CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &old));
        CloseHandle(file);
        EXPECT_EQ(ansi(repaired), process.run(path).text);
        WIN32_FILE_ATTRIBUTE_DATA data{};
        ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
        EXPECT_EQ(keep ? 0 : 1, CompareFileTime(&data.ftLastWriteTime, &old));
        EXPECT_EQ(keep, process.keepTimeTicked()) << "Run changed the check box";
    }
}

} // namespace
