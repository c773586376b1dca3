#include <gtest/gtest.h>

#include <functional>

#include "SonorixProcess.h"
#include "TestFiles.h"

namespace {

const char* const repaired = u8"正常に処理しました";
const char* const alreadyValid = u8"既に正常なファイルです";
const char* const fileError = u8"ファイルエラーが起こりました";
const char* const unsupported = u8"サポート外のWavファイル形式です";

// What the user types, and the file behind it (empty when there is none).
struct Prepared {
    std::string typed;
    std::string file;
};

struct RunCase {
    const char* what;
    std::function<Prepared(const std::string& folder)> prepare;
    const char* message;
    bool rewritten;
};

Prepared waveFile(const std::string& path, const HeaderFields& fields, std::size_t sampleBytes) {
    EXPECT_TRUE(writeFile(path, waveBytes(fields, sampleBytes)));
    return {path, path};
}

HeaderFields withSizes(std::uint32_t riffSize, std::uint32_t dataSize) {
    HeaderFields fields;
    fields.riffSize = riffSize;
    fields.dataSize = dataSize;
    return fields;
}

const RunCase runCases[] = {
    {"recording cut off before its sizes were written",
     [](const std::string& f) { return waveFile(f + "\\cut.wav", withSizes(36, 0), 1000); },
     repaired, true},
    {"only the data size wrong",
     [](const std::string& f) { return waveFile(f + "\\data.wav", withSizes(1036, 4), 1000); },
     repaired, true},
    {"sizes already right",
     [](const std::string& f) { return waveFile(f + "\\sound.wav", withSizes(1036, 1000), 1000); },
     alreadyValid, false},
    {"header alone, sizes right",
     [](const std::string& f) { return waveFile(f + "\\empty.wav", withSizes(36, 0), 0); },
     alreadyValid, false},
    {"floating-point samples",
     [](const std::string& f) {
         HeaderFields fields;
         fields.formatTag = 3;
         return waveFile(f + "\\float.wav", fields, 400);
     },
     unsupported, false},
    {"24 bits per sample",
     [](const std::string& f) {
         HeaderFields fields;
         fields.bitsPerSample = 24;
         return waveFile(f + "\\deep.wav", fields, 300);
     },
     unsupported, false},
    {"three channels",
     [](const std::string& f) {
         HeaderFields fields;
         fields.channels = 3;
         return waveFile(f + "\\three.wav", fields, 300);
     },
     unsupported, false},
    {"shorter than a header",
     [](const std::string& f) {
         std::vector<unsigned char> bytes = waveBytes(HeaderFields(), 0);
         bytes.resize(43);
         EXPECT_TRUE(writeFile(f + "\\short.wav", bytes));
         return Prepared{f + "\\short.wav", f + "\\short.wav"};
     },
     fileError, false},
    {"missing file",
     [](const std::string& f) { return Prepared{f + "\\missing.wav", ""}; }, fileError, false},
    {"folder", [](const std::string& f) { return Prepared{f, ""}; }, fileError, false},
    {"name made of blanks", [](const std::string&) { return Prepared{"   ", ""}; }, fileError,
     false},
    {"name in quotation marks is taken as typed",
     [](const std::string& f) {
         Prepared file = waveFile(f + "\\quoted.wav", withSizes(36, 0), 100);
         return Prepared{"\"" + file.file + "\"", file.file};
     },
     fileError, false},
};

std::vector<unsigned char> contentOf(const std::string& file) {
    return file.empty() ? std::vector<unsigned char>() : readFile(file);
}

TEST(RunCommand, EachOutcomeShowsItsMessageAndTouchesOnlyWhatItShould) {
    ASSERT_EQ(932u, GetACP()) << "the tests expect the Japanese ANSI code page";
    std::string folder = scratchFolder("run");
    SonorixProcess process;
    ASSERT_TRUE(process.start(""));
    ASSERT_TRUE(process.waitMainWindow());
    for (const RunCase& c : runCases) {
        SCOPED_TRACE(c.what);
        Prepared prepared = c.prepare(folder);
        std::vector<unsigned char> before = contentOf(prepared.file);
        EXPECT_EQ(ansi(c.message), process.run(prepared.typed));
        EXPECT_EQ(prepared.typed, process.fileName()) << "Run changed the edit field";
        std::vector<unsigned char> after = contentOf(prepared.file);
        if (c.rewritten) {
            ASSERT_EQ(before.size(), after.size());
            std::uint32_t riffSize = 0;
            std::uint32_t dataSize = 0;
            ASSERT_TRUE(readSizes(prepared.file, &riffSize, &dataSize));
            EXPECT_EQ(after.size() - 8, riffSize);
            EXPECT_EQ(after.size() - 44, dataSize);
            for (std::size_t i = 0; i < after.size(); ++i) {
                bool sizeField = (i >= 4 && i < 8) || (i >= 40 && i < 44);
                if (!sizeField && before[i] != after[i]) {
                    ADD_FAILURE() << "byte " << i << " changed";
                    break;
                }
            }
        } else {
            EXPECT_EQ(before, after);
        }
    }
}

TEST(RunCommand, FileHeldOpenElsewhereIsAFileError) {
    std::string folder = scratchFolder("held");
    std::string path = folder + "\\held.wav";
    ASSERT_TRUE(writeFile(path, waveBytes(withSizes(36, 0), 100)));
    SonorixProcess process;
    ASSERT_TRUE(process.start(""));
    ASSERT_TRUE(process.waitMainWindow());
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(ansi(fileError), process.run(path));
    CloseHandle(held);
    EXPECT_EQ(ansi(repaired), process.run(path)) << "once released, the same file is repaired";
}

TEST(RunCommand, EmptyNameWarnsAndFocusesTheFieldWithoutRepairing) {
    SonorixProcess process;
    ASSERT_TRUE(process.start(""));
    ASSERT_TRUE(process.waitMainWindow());
    ASSERT_TRUE(process.setFileName(""));
    process.postCommand(1001);
    EXPECT_EQ(ansi(u8"ファイル名を指定して下さい"), process.takeMessageBox());
    EXPECT_EQ(nullptr, process.waitMessageBox(500)) << "a result box followed the warning";
    // The focus moves once the box has returned inside the program.
    HWND edit = GetDlgItem(process.mainWindow, 1003);
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    DWORD started = GetTickCount();
    while (GetGUIThreadInfo(process.info.dwThreadId, &thread) && thread.hwndFocus != edit &&
           GetTickCount() - started < 5000) {
        Sleep(20);
    }
    EXPECT_EQ(edit, thread.hwndFocus);
}

bool sameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

TEST(RunCommand, KeepTimeTickedKeepsTheLastWriteTimeAndUntickedDoesNot) {
    std::string folder = scratchFolder("time");
    const FILETIME old{0xC89DC000u, 0x01C07385u};  // 2001-01-01 00:00 UTC
    SonorixProcess process;
    ASSERT_TRUE(process.start(""));
    ASSERT_TRUE(process.waitMainWindow());
    ASSERT_TRUE(process.keepTimeTicked()) << "keep-time starts ticked";

    std::string kept = folder + "\\kept.wav";
    ASSERT_TRUE(writeFile(kept, waveBytes(withSizes(36, 0), 500)));
    ASSERT_TRUE(setLastWriteTime(kept, old));
    EXPECT_EQ(ansi(repaired), process.run(kept));
    FILETIME after{};
    ASSERT_TRUE(lastWriteTime(kept, &after));
    EXPECT_TRUE(sameTime(old, after));

    process.setKeepTime(false);
    std::string touched = folder + "\\touched.wav";
    ASSERT_TRUE(writeFile(touched, waveBytes(withSizes(36, 0), 500)));
    ASSERT_TRUE(setLastWriteTime(touched, old));
    EXPECT_EQ(ansi(repaired), process.run(touched));
    ASSERT_TRUE(lastWriteTime(touched, &after));
    EXPECT_GT(CompareFileTime(&after, &old), 0) << "the repair should have set a new time";
    EXPECT_FALSE(process.keepTimeTicked()) << "Run changed the check box";
}

} // namespace
