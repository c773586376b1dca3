#include "CheckedExecutable.h"

#include <map>

namespace {

struct ExpectedString {
    UINT id;
    std::u16string text;
    std::string cp932;
};

// The CP932 bytes are spelled out so that a conversion to another code page,
// or a character with no CP932 form, shows as a difference.
const ExpectedString strings[] = {
    {6001, u"ファイル名を指定して下さい",
     "\x83t\x83@\x83" "C\x83\x8B\x96\xBC\x82\xF0\x8Ew\x92\xE8\x82\xB5\x82\xC4\x89\xBA\x82\xB3\x82\xA2"},
    {6002, u"正常に処理しました", "\x90\xB3\x8F\xED\x82\xC9\x8F\x88\x97\x9D\x82\xB5\x82\xDC\x82\xB5\x82\xBD"},
    {6003, u"既に正常なファイルです",
     "\x8A\xF9\x82\xC9\x90\xB3\x8F\xED\x82\xC8\x83t\x83@\x83" "C\x83\x8B\x82\xC5\x82\xB7"},
    {6004, u"ファイルエラーが起こりました",
     "\x83t\x83@\x83" "C\x83\x8B\x83G\x83\x89\x81[\x82\xAA\x8BN\x82\xB1\x82\xE8\x82\xDC\x82\xB5\x82\xBD"},
    {6005, u"サポート外のWavファイル形式です",
     "\x83T\x83|\x81[\x83g\x8AO\x82\xCCWav\x83t\x83@\x83" "C\x83\x8B\x8C`\x8E\xAE\x82\xC5\x82\xB7"},
    {25089, u"無効な値です。( %1!d! から %2!d! までの整数を入力して下さい)",
     "\x96\xB3\x8C\xF8\x82\xC8\x92l\x82\xC5\x82\xB7\x81" "B( %1!d! \x82\xA9\x82\xE7 %2!d! "
     "\x82\xDC\x82\xC5\x82\xCC\x90\xAE\x90\x94\x82\xF0\x93\xFC\x97\xCD\x82\xB5\x82\xC4\x89\xBA\x82\xB3\x82\xA2)"},
    {25090, u"無効な値です。( %1!u! から %2!u! までの整数を入力して下さい)",
     "\x96\xB3\x8C\xF8\x82\xC8\x92l\x82\xC5\x82\xB7\x81" "B( %1!u! \x82\xA9\x82\xE7 %2!u! "
     "\x82\xDC\x82\xC5\x82\xCC\x90\xAE\x90\x94\x82\xF0\x93\xFC\x97\xCD\x82\xB5\x82\xC4\x89\xBA\x82\xB3\x82\xA2)"},
    {25091, u"無効な値です。( %1!s! から %2!s! までの実数を入力して下さい)",
     "\x96\xB3\x8C\xF8\x82\xC8\x92l\x82\xC5\x82\xB7\x81" "B( %1!s! \x82\xA9\x82\xE7 %2!s! "
     "\x82\xDC\x82\xC5\x82\xCC\x8E\xC0\x90\x94\x82\xF0\x93\xFC\x97\xCD\x82\xB5\x82\xC4\x89\xBA\x82\xB3\x82\xA2)"},
    {25092, u"文字列が長すぎます。( %1!u! 文字未満で入力して下さい)",
     "\x95\xB6\x8E\x9A\x97\xF1\x82\xAA\x92\xB7\x82\xB7\x82\xAC\x82\xDC\x82\xB7\x81" "B( %1!u! "
     "\x95\xB6\x8E\x9A\x96\xA2\x96\x9E\x82\xC5\x93\xFC\x97\xCD\x82\xB5\x82\xC4\x89\xBA\x82\xB3\x82\xA2)"},
    {25093, u"コモンダイアログのエラーです (0x%1!08X!)",
     "\x83R\x83\x82\x83\x93\x83_\x83" "C\x83" "A\x83\x8D\x83O\x82\xCC\x83G\x83\x89\x81[\x82\xC5\x82\xB7 (0x%1!08X!)"},
    {40001, u"バージョン情報の表示\nバージョン情報",
     "\x83o\x81[\x83W\x83\x87\x83\x93\x8F\xEE\x95\xF1\x82\xCC\x95\x5C\x8E\xA6\n"
     "\x83o\x81[\x83W\x83\x87\x83\x93\x8F\xEE\x95\xF1"},
    {40002, u"アプリケーションの終了\n終了",
     "\x83" "A\x83v\x83\x8A\x83P\x81[\x83V\x83\x87\x83\x93\x82\xCC\x8FI\x97\xB9\n\x8FI\x97\xB9"},
    {40003, u"ヘルプを起動\nヘルプ", "\x83w\x83\x8B\x83v\x82\xF0\x8BN\x93\xAE\n\x83w\x83\x8B\x83v"},
};

std::string toAnsi(const std::u16string& text) {
    const auto* wide = reinterpret_cast<const wchar_t*>(text.c_str());
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, length, result.data(), size, nullptr, nullptr);
    return result;
}

}  // namespace

// Every slot of the three blocks is loaded, so an extra string shows as well
// as a missing or altered one.
TEST_P(CheckedExecutable, stringBlocksHoldExactlyTheTabledStringsInCodePage932) {
    ASSERT_EQ(GetACP(), 932u) << "the tests run with the Japanese ANSI code page";
    std::map<UINT, std::u16string> stored;
    for (UINT block : {376u, 1569u, 2501u}) {
        for (UINT id = (block - 1) * 16; id < block * 16; ++id) {
            const wchar_t* text = nullptr;
            const int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
            if (length > 0) {
                stored[id].assign(reinterpret_cast<const char16_t*>(text),
                                  static_cast<std::size_t>(length));
            }
        }
    }
    std::map<UINT, std::u16string> expected;
    for (const ExpectedString& string : strings) {
        expected[string.id] = string.text;
        EXPECT_EQ(toAnsi(string.text), string.cp932) << "string " << string.id;
    }
    EXPECT_EQ(stored, expected);
}
