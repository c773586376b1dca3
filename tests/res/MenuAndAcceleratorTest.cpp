#include "CheckedExecutable.h"

#include <tuple>

namespace {

using MenuItem = std::tuple<UINT, std::u16string, UINT, UINT>;

// Id, text, type and state of each item, as the menu the template makes holds
// them; a separator's state is the system's own.
std::vector<MenuItem> itemsOf(HMENU menu) {
    std::vector<MenuItem> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE | MIIM_STATE;
        info.dwTypeData = text;
        info.cch = 64;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        items.emplace_back(GetSubMenu(menu, i) != nullptr ? 0 : info.wID, reinterpret_cast<const char16_t*>(text),
            info.fType, info.fType == MFT_SEPARATOR ? 0 : info.fState);
    }
    return items;
}

} // namespace

TEST_P(CheckedExecutable, menuHasOneHelpPopupWithItsFourItems) {
    const Bytes bytes = resource(MAKEINTRESOURCEW(4), 129);
    ASSERT_FALSE(bytes.empty());
    HMENU menu = LoadMenuIndirectW(bytes.data());
    ASSERT_NE(menu, nullptr);
    const std::vector<MenuItem> bar = {{0, u"ヘルプ(&H)", MFT_STRING, MFS_ENABLED}};
    const std::vector<MenuItem> help = {
        {40003, u"ヘルプ(&H)", MFT_STRING, MFS_ENABLED},
        {40001, u"バージョン情報(&A)", MFT_STRING, MFS_ENABLED},
        {0, u"", MFT_SEPARATOR, MFS_ENABLED},
        {40002, u"終了(&X)", MFT_STRING, MFS_ENABLED},
    };
    EXPECT_EQ(itemsOf(menu), bar);
    EXPECT_EQ(itemsOf(GetSubMenu(menu, 0)), help);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(GetSubMenu(menu, 0), 3)), -1) << "no nested popup";
    DestroyMenu(menu);
}

TEST_P(CheckedExecutable, acceleratorTableHoldsOnlyTheQuestionMark) {
    const Bytes table = resource(MAKEINTRESOURCEW(9), 130);
    ASSERT_EQ(table.size(), 8u) << "one entry of flags, key, command and padding";
    ByteReader reader(table);
    std::uint16_t flags = 0;
    std::uint16_t key = 0;
    std::uint16_t command = 0;
    ASSERT_TRUE(reader.read(flags) && reader.read(key) && reader.read(command));
    EXPECT_EQ(flags, 0x82) << "FNOINVERT and the last-entry bit, no FVIRTKEY";
    EXPECT_EQ(key, '?');
    EXPECT_EQ(command, 40001);
}
