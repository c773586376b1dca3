#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestFiles.h"

namespace {

// A read-me next to its executable, as Notepad on a Japanese system reads it.
std::string notepadText(const char* path) {
    std::vector<unsigned char> bytes = readFile(windowsPath(path));
    std::string text(bytes.begin(), bytes.end());
    EXPECT_GT(text.size(), 500u);
    EXPECT_NE(0, MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0))
        << "not valid code page 932";
    EXPECT_EQ(std::string::npos, text.find("\xEF\xBB\xBF")) << "a UTF-8 mark";
    std::size_t lines = 0;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
        ++lines;
        EXPECT_TRUE(at > 0 && text[at - 1] == '\r') << "bare LF at byte " << at;
    }
    EXPECT_GT(lines, 20u);
    return text;
}

TEST(ReadMe, IsCodePage932WithCrLfAndExplainsEveryMessageAndOption) {
    const std::string text = notepadText(SONORIX_README);
    for (const char* mention : {u8"正常に処理しました", u8"既に正常なファイルです", u8"ファイルエラーが起こりました",
             u8"サポート外のWavファイル形式です", u8"ファイル名を指定して下さい", "/deluser", "/delinfo",
             "Software\\Halvane\\Sonorix\\1.01", u8"実行"}) {
        EXPECT_NE(std::string::npos, text.find(ansi(mention))) << mention;
    }
    // The size limit stands where the answer that refuses larger files is explained.
    std::size_t unsupported = text.find(ansi(u8"「サポート外のWavファイル形式です」"));
    ASSERT_NE(std::string::npos, unsupported);
    std::string explained = text.substr(unsupported, text.find("\r\n\r\n", unsupported) - unsupported);
    EXPECT_NE(std::string::npos, explained.find("4,294,967,303")) << "no exact size limit";
}

// sonorix-repair.exe's, beside it in the zip: how to run it, its options, the
// revival of lost headers, a card by its drive or its dropped icon, and its
// outcomes in Japanese and in English.
TEST(ReadMe, OfTheConsoleProgramExplainsItsUseOptionsAndOutcomes) {
    const std::string text = notepadText(SONORIX_REPAIR_README);
    for (const char* mention : {"*.wav", "-r, --recursive", "--dry-run", "--canonical", "--touch", "--json", "--like",
             "--format", "--output", u8"正常に処理しました", u8"修復できます", u8"既に正常なファイルです",
             u8"サポート外のファイル形式です", u8"ファイルエラーが起こりました", u8"ヘッダをその場で再構築",
             u8"へ書き出し", "repaired", "would be repaired", "already sound", "unsupported format", "file error",
             u8"ドロップ", u8"何かキーを押すとこのウィンドウを閉じます。", "--recover E:", u8"ドキュメント",
             u8"ドライブやディスクを直接読めるのは管理者だけです", u8"Y キーを押すと管理者として起動し直します"}) {
        EXPECT_NE(std::string::npos, text.find(ansi(mention))) << mention;
    }
}

} // namespace
