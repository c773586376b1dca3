#include "CheckedExecutable.h"
#include "DialogTemplate.h"

namespace {

constexpr std::uint16_t button = 0x80;
constexpr std::uint16_t edit = 0x81;
constexpr std::uint16_t staticClass = 0x82;
constexpr std::uint16_t noId = 0xFFFF;

struct ExpectedItem {
    std::uint16_t id;
    std::uint16_t classAtom;
    std::u16string text;
    std::uint16_t textOrdinal;
    std::uint32_t style;
    std::int16_t x, y, cx, cy;
};

struct ExpectedDialog {
    WORD id;
    std::uint32_t style;
    std::int16_t cx, cy;
    std::uint16_t menu;
    std::u16string caption;
    std::vector<ExpectedItem> items;
};

const std::u16string fontFace = u"ＭＳ Ｐゴシック";

const ExpectedDialog dialogs[] = {
    {131, 0x80C800C0, 183, 46, 0, u"バージョン情報",
     {
         {1, button, u"OK", 0, 0x50010001, 150, 5, 30, 14},
         {1000, staticClass,
          u"(Title) version (ver)\n(copyright)\n(else info)\n(else info2)", 0, 0x50020000, 40, 5,
          105, 40},
         {noId, staticClass, u"", 128, 0x50000003, 10, 10, 20, 20},
     }},
    {132, 0x80CA08C0, 187, 93, 129, u"Sonorix",
     {
         {noId, button, u"データ時間が不正な Wavファイル を蘇生します", 0, 0x50000007, 5, 5, 175,
          65},
         {noId, staticClass, u"ファイル名", 0, 0x50020000, 10, 25, 31, 8},
         {1004, button, u"参照...", 0, 0x50010000, 50, 20, 30, 14},
         {1003, edit, u"", 0, 0x50810080, 10, 35, 165, 14},
         {1002, button, u"ファイルの更新日時を保つ", 0, 0x50010003, 10, 55, 93, 10},
         {1001, button, u"実行", 0, 0x50010000, 5, 75, 50, 14},
     }},
};

void expectItem(const DialogItem& item, const ExpectedItem& expected) {
    EXPECT_EQ(item.id, expected.id);
    EXPECT_TRUE(item.windowClass.isOrdinal);
    EXPECT_EQ(item.windowClass.ordinal, expected.classAtom);
    if (expected.textOrdinal != 0) {
        EXPECT_TRUE(item.text.isOrdinal);
        EXPECT_EQ(item.text.ordinal, expected.textOrdinal);
    } else {
        EXPECT_FALSE(item.text.isOrdinal);
        EXPECT_EQ(item.text.text, expected.text);
    }
    EXPECT_EQ(item.style, expected.style);
    EXPECT_EQ(item.exStyle, 0u);
    EXPECT_EQ(item.x, expected.x);
    EXPECT_EQ(item.y, expected.y);
    EXPECT_EQ(item.cx, expected.cx);
    EXPECT_EQ(item.cy, expected.cy);
    EXPECT_EQ(item.extraBytes, 0);
}

}  // namespace

TEST_P(CheckedExecutable, dialogTemplatesMatchTheirLayout) {
    for (const ExpectedDialog& expected : dialogs) {
        SCOPED_TRACE("dialog " + std::to_string(expected.id));
        DialogTemplate dialog;
        ASSERT_TRUE(parseDialogTemplate(resource(MAKEINTRESOURCEW(5), expected.id), dialog));
        EXPECT_EQ(dialog.style, expected.style);
        EXPECT_EQ(dialog.exStyle, 0u);
        EXPECT_EQ(dialog.x, 0);
        EXPECT_EQ(dialog.y, 0);
        EXPECT_EQ(dialog.cx, expected.cx);
        EXPECT_EQ(dialog.cy, expected.cy);
        if (expected.menu != 0) {
            EXPECT_TRUE(dialog.menu.isOrdinal);
            EXPECT_EQ(dialog.menu.ordinal, expected.menu);
        } else {
            EXPECT_FALSE(dialog.menu.isOrdinal);
            EXPECT_EQ(dialog.menu.text, u"");
        }
        EXPECT_FALSE(dialog.windowClass.isOrdinal);
        EXPECT_EQ(dialog.windowClass.text, u"") << "the default dialog class";
        EXPECT_EQ(dialog.caption, expected.caption);
        EXPECT_EQ(dialog.pointSize, 9);
        EXPECT_EQ(dialog.face, fontFace);
        ASSERT_EQ(dialog.items.size(), expected.items.size());
        for (std::size_t i = 0; i < expected.items.size(); ++i) {
            SCOPED_TRACE("item " + std::to_string(i + 1));
            expectItem(dialog.items[i], expected.items[i]);
        }
    }
}

TEST_P(CheckedExecutable, mainDialogIsHiddenFixedSizeAndHasNoDefaultButton) {
    DialogTemplate dialog;
    ASSERT_TRUE(parseDialogTemplate(resource(MAKEINTRESOURCEW(5), 132), dialog));
    EXPECT_EQ(dialog.style & (WS_VISIBLE | WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);
    EXPECT_EQ(dialog.style & (DS_CENTER | WS_MINIMIZEBOX), DS_CENTER | WS_MINIMIZEBOX);
    for (const DialogItem& item : dialog.items) {
        if (item.windowClass.ordinal == button) {
            EXPECT_NE(item.style & BS_TYPEMASK, static_cast<std::uint32_t>(BS_DEFPUSHBUTTON))
                << "control " << item.id;
        }
    }
}
