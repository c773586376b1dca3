#include "CheckedExecutable.h"
#include "DialogTemplate.h"

#include <tuple>

namespace {

constexpr std::uint16_t button = 0x80;
constexpr std::uint16_t edit = 0x81;
constexpr std::uint16_t staticClass = 0x82;
constexpr std::uint16_t noId = 0xFFFF;

// Everything an item is checked for; the text ordinal is 0 for a text.
using Item = std::tuple<WORD, WORD, std::u16string, WORD, DWORD, short, short, short, short>;

struct ExpectedDialog {
    WORD id;
    std::uint32_t style;
    std::int16_t cx, cy;
    std::uint16_t menu;
    std::u16string caption;
    std::vector<Item> items;
};

const std::u16string fontFace = u"ＭＳ Ｐゴシック";

const ExpectedDialog dialogs[] = {
    {131, 0x80C800C0, 183, 46, 0, u"バージョン情報",
        {
            {1, button, u"OK", 0, 0x50010001, 150, 5, 30, 14},
            {1000, staticClass, u"(Title) version (ver)\n(copyright)\n(else info)\n(else info2)", 0, 0x50020000, 40, 5,
                105, 40},
            {noId, staticClass, u"", 128, 0x50000003, 10, 10, 20, 20},
        }},
    {132, 0x80CA08C0, 187, 93, 129, u"Sonorix",
        {
            {noId, button, u"データ時間が不正な Wavファイル を蘇生します", 0, 0x50000007, 5, 5, 175, 65},
            {noId, staticClass, u"ファイル名", 0, 0x50020000, 10, 25, 31, 8},
            {1004, button, u"参照...", 0, 0x50010000, 50, 20, 30, 14},
            {1003, edit, u"", 0, 0x50810080, 10, 35, 165, 14},
            {1002, button, u"ファイルの更新日時を保つ", 0, 0x50010003, 10, 55, 93, 10},
            {1001, button, u"実行", 0, 0x50010000, 5, 75, 50, 14},
        }},
};

// Only ordinal classes are expected, so a class given by name reads as 0.
Item itemOf(const DialogItem& item) {
    const DLGITEMTEMPLATE& fixed = item.fixed;
    return Item(fixed.id, item.windowClass.isOrdinal ? item.windowClass.ordinal : 0, item.text.text,
        item.text.isOrdinal ? item.text.ordinal : 0, fixed.style, fixed.x, fixed.y, fixed.cx, fixed.cy);
}

} // namespace

TEST_P(CheckedExecutable, dialogTemplatesMatchTheirLayout) {
    for (const ExpectedDialog& expected : dialogs) {
        SCOPED_TRACE("dialog " + std::to_string(expected.id));
        DialogTemplate dialog;
        ASSERT_TRUE(parseDialogTemplate(resource(MAKEINTRESOURCEW(5), expected.id), dialog));
        EXPECT_EQ(dialog.fixed.style, expected.style);
        EXPECT_EQ(dialog.fixed.dwExtendedStyle, 0u);
        EXPECT_EQ(dialog.fixed.x, 0);
        EXPECT_EQ(dialog.fixed.y, 0);
        EXPECT_EQ(dialog.fixed.cx, expected.cx);
        EXPECT_EQ(dialog.fixed.cy, expected.cy);
        EXPECT_EQ(dialog.menu.isOrdinal ? dialog.menu.ordinal : 0, expected.menu);
        EXPECT_EQ(dialog.menu.text, u"");
        EXPECT_FALSE(dialog.windowClass.isOrdinal);
        EXPECT_EQ(dialog.windowClass.text, u"") << "the default dialog class";
        EXPECT_EQ(dialog.caption, expected.caption);
        EXPECT_EQ(dialog.pointSize, 9);
        EXPECT_EQ(dialog.face, fontFace);
        std::vector<Item> items;
        for (const DialogItem& item : dialog.items) {
            items.push_back(itemOf(item));
            EXPECT_EQ(item.fixed.dwExtendedStyle, 0u) << "control " << item.fixed.id;
            EXPECT_EQ(item.extraBytes, 0) << "control " << item.fixed.id;
        }
        EXPECT_EQ(items, expected.items);
    }
}
