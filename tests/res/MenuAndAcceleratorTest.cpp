#include "CheckedExecutable.h"
#include "MenuTemplate.h"

#include <tuple>

TEST_P(CheckedExecutable, menuHasOneHelpPopupWithItsFourItems) {
    std::vector<MenuEntry> entries;
    ASSERT_TRUE(parseMenuTemplate(resource(MAKEINTRESOURCEW(4), 129), entries));
    using Entry = std::tuple<int, std::uint16_t, std::uint16_t, std::u16string>;
    const std::vector<Entry> expected = {
        {0, 0x90, 0, u"ヘルプ(&H)"},
        {1, 0, 40003, u"ヘルプ(&H)"},
        {1, 0, 40001, u"バージョン情報(&A)"},
        {1, 0, 0, u""},
        {1, 0x80, 40002, u"終了(&X)"},
    };
    std::vector<Entry> read;
    for (const MenuEntry& entry : entries) {
        read.emplace_back(entry.depth, entry.flags, entry.id, entry.text);
    }
    EXPECT_EQ(read, expected);
}

TEST_P(CheckedExecutable, acceleratorTableHoldsOnlyTheQuestionMark) {
    const Bytes table = resource(MAKEINTRESOURCEW(9), 130);
    ASSERT_EQ(table.size(), 8u) << "one entry of flags, key, command and padding";
    ByteReader reader(table);
    std::uint16_t flags = 0;
    std::uint16_t key = 0;
    std::uint16_t command = 0;
    ASSERT_TRUE(reader.word(flags) && reader.word(key) && reader.word(command));
    EXPECT_EQ(flags, 0x82) << "FNOINVERT and the last-entry bit, no FVIRTKEY";
    EXPECT_EQ(key, '?');
    EXPECT_EQ(command, 40001);
}
