#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestFiles.h"

namespace {

// The read-me next to the executable, as Notepad on a Japanese system reads it.
TEST(ReadMe, IsCodePage932WithCrLfAndExplainsEveryMessageAndOption) {
    std::vector<unsigned char> bytes = readFile(windowsPath(SONORIX_README));
    std::string text(bytes.begin(), bytes.end());
    ASSERT_GT(text.size(), 500u);
    EXPECT_NE(0, MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0))
        << "not valid code page 932";
    EXPECT_EQ(std::string::npos, text.find("\xEF\xBB\xBF")) << "a UTF-8 mark";
    std::size_t lines = 0;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
        ++lines;
        EXPECT_TRUE(at > 0 && text[at - 1] == '\r') << "bare LF at byte " << at;
    }
    EXPECT_GT(lines, 20u);
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

} // namespace
