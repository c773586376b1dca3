#include <gtest/gtest.h>

#include <algorithm>

#include "SonorixProcess.h"
#include "TestFiles.h"

namespace {

const char* const repaired = u8"正常に処理しました";
const char* const alreadyValid = u8"既に正常なファイルです";
const char* const fileError = u8"ファイルエラーが起こりました";
const char* const unsupported = u8"サポート外のWavファイル形式です";

struct RunCase {
    const char* what;
    const char* typed;  // '@' stands for the scratch folder
    const char* file;   // written into the scratch folder first; null for none
    HeaderFields header;
    int sampleBytes;    // -1 cuts the header one byte short
    const char* message;
    bool rewritten;
};

const RunCase runCases[] = {
    {"recording cut off before its sizes were written", "@\\cut.wav", "cut.wav",
     HeaderFields{36, 1, 1, 8000, 16, 0}, 1000, repaired, true},
    {"only the data size wrong", "@\\data.wav", "data.wav", HeaderFields{1036, 1, 1, 8000, 16, 4},
     1000, repaired, true},
    {"sizes already right", "@\\sound.wav", "sound.wav", HeaderFields{1036, 1, 1, 8000, 16, 1000},
     1000, alreadyValid, false},
    {"header alone, sizes right", "@\\empty.wav", "empty.wav", HeaderFields{36, 1, 1, 8000, 16, 0},
     0, alreadyValid, false},
    {"floating-point samples", "@\\float.wav", "float.wav", HeaderFields{36, 3, 1, 8000, 16, 0},
     400, unsupported, false},
    {"24 bits per sample", "@\\deep.wav", "deep.wav", HeaderFields{36, 1, 1, 8000, 24, 0}, 300,
     unsupported, false},
    {"three channels", "@\\three.wav", "three.wav", HeaderFields{36, 1, 3, 8000, 16, 0}, 300,
     unsupported, false},
    {"shorter than a header", "@\\short.wav", "short.wav", HeaderFields{36, 1, 1, 8000, 16, 0}, -1,
     fileError, false},
    {"missing file", "@\\missing.wav", nullptr, HeaderFields(), 0, fileError, false},
    {"folder", "@", nullptr, HeaderFields(), 0, fileError, false},
    {"name made of blanks", "   ", nullptr, HeaderFields(), 0, fileError, false},
    {"name in quotation marks is taken as typed", "\"@\\quoted.wav\"", "quoted.wav",
     HeaderFields{36, 1, 1, 8000, 16, 0}, 100, fileError, false},
};

struct RunCommand : StartedSonorix {};

TEST_F(RunCommand, EachOutcomeShowsItsMessageAndTouchesOnlyWhatItShould) {
    ASSERT_EQ(932u, GetACP()) << "the tests expect the Japanese ANSI code page";
    std::string folder = scratchFolder("run");
    for (const RunCase& c : runCases) {
        SCOPED_TRACE(c.what);
        std::string path = c.file ? folder + "\\" + c.file : std::string();
        std::vector<unsigned char> before = waveBytes(c.header, std::max(c.sampleBytes, 0));
        before.resize(44 + c.sampleBytes);
        if (c.file) {
            ASSERT_TRUE(writeFile(path, before));
        }
        std::string typed = c.typed;
        if (typed.find('@') != std::string::npos) {
            typed.replace(typed.find('@'), 1, folder);
        }
        EXPECT_EQ(ansi(c.message), process.run(typed));
        EXPECT_EQ(typed, process.fileName()) << "Run changed the edit field";
        if (c.file && c.rewritten) {
            expectOnlySizesFitted(before, path);
        } else if (c.file) {
            EXPECT_EQ(before, readFile(path));
        }
    }
}

TEST_F(RunCommand, FileHeldOpenElsewhereIsAFileError) {
    std::string path = scratchFolder("held") + "\\held.wav";
    ASSERT_TRUE(writeFile(path, waveBytes(HeaderFields(), 100)));
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(ansi(fileError), process.run(path));
    CloseHandle(held);
    EXPECT_EQ(ansi(repaired), process.run(path)) << "once released, the same file is repaired";
}

TEST_F(RunCommand, EmptyNameWarnsAndFocusesTheFieldWithoutRepairing) {
    ASSERT_TRUE(process.setFileName(""));
    process.postCommand(1001);
    EXPECT_EQ(ansi(u8"ファイル名を指定して下さい"), process.takeMessageBox());
    EXPECT_EQ(nullptr, process.waitMessageBox(500)) << "a result box followed the warning";
    // The focus moves once the box has returned inside the program.
    HWND edit = GetDlgItem(process.mainWindow, 1003);
    EXPECT_TRUE(waitUntil([&] {
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        return GetGUIThreadInfo(process.info.dwThreadId, &thread) && thread.hwndFocus == edit;
    }, 5000));
}

TEST_F(RunCommand, KeepTimeDecidesWhetherTheLastWriteTimeSurvives) {
    std::string folder = scratchFolder("time");
    const FILETIME old{0xC89DC000u, 0x01C07385u};  // 2001-01-01 00:00 UTC
    ASSERT_TRUE(process.keepTimeTicked()) << "keep-time starts ticked";
    for (bool keep : {true, false}) {
        SCOPED_TRACE(keep ? "ticked" : "unticked");
        process.setKeepTime(keep);
        std::string path = folder + (keep ? "\\kept.wav" : "\\touched.wav");
        ASSERT_TRUE(writeFile(path, waveBytes(HeaderFields(), 500)));
        HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &old));
        CloseHandle(file);
        EXPECT_EQ(ansi(repaired), process.run(path));
        WIN32_FILE_ATTRIBUTE_DATA data{};
        ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
        EXPECT_EQ(keep ? 0 : 1, CompareFileTime(&data.ftLastWriteTime, &old));
        EXPECT_EQ(keep, process.keepTimeTicked()) << "Run changed the check box";
    }
}

} // namespace
