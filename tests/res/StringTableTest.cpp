#include "CheckedExecutable.h"

#include <map>

namespace {

struct ExpectedString {
    UINT id;
    std::u16string text;
};

const ExpectedString strings[] = {
    {6001, u"ファイル名を指定して下さい"},
    {6002, u"正常に処理しました"},
    {6003, u"既に正常なファイルです"},
    {6004, u"ファイルエラーが起こりました"},
    {6005, u"サポート外のWavファイル形式です"},
    {25089, u"無効な値です。( %1!d! から %2!d! までの整数を入力して下さい)"},
    {25090, u"無効な値です。( %1!u! から %2!u! までの整数を入力して下さい)"},
    {25091, u"無効な値です。( %1!s! から %2!s! までの実数を入力して下さい)"},
    {25092, u"文字列が長すぎます。( %1!u! 文字未満で入力して下さい)"},
    {25093, u"コモンダイアログのエラーです (0x%1!08X!)"},
    {40001, u"バージョン情報の表示\nバージョン情報"},
    {40002, u"アプリケーションの終了\n終了"},
    {40003, u"ヘルプを起動\nヘルプ"},
};

// The string as the program receives it through the ANSI code page, back in
// UTF-16: a character with no CP932 form comes back altered.
std::u16string throughAnsi(HMODULE module, UINT id) {
    char ansi[256] = {};
    wchar_t wide[256] = {};
    const int length = LoadStringA(module, id, ansi, sizeof ansi);
    const int units = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi, length, wide, 256);
    return std::u16string(reinterpret_cast<const char16_t*>(wide), static_cast<std::size_t>(units));
}

} // namespace

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
                stored[id].assign(reinterpret_cast<const char16_t*>(text), static_cast<std::size_t>(length));
            }
        }
    }
    std::map<UINT, std::u16string> expected;
    for (const ExpectedString& string : strings) {
        expected[string.id] = string.text;
        EXPECT_EQ(throughAnsi(module, string.id), string.text) << "string " << string.id;
    }
    EXPECT_EQ(stored, expected);
}
