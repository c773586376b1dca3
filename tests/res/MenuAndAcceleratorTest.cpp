#include "CheckedExecutable.h"
#include "MenuTemplate.h"

TEST_P(CheckedExecutable, menuHasOneHelpPopupWithItsFourItems) {
    std::vector<MenuEntry> entries;
    ASSERT_TRUE(parseMenuTemplate(resource(MAKEINTRESOURCEW(4), 129), entries));
    struct Expected {
        int depth;
        std::uint16_t flags;
        std::uint16_t id;
        std::u16string text;
    };
    const Expected expected[] = {
        {0, 0x90, 0, u"ヘルプ(&H)"},
        {1, 0, 40003, u"ヘルプ(&H)"},
        {1, 0, 40001, u"バージョン情報(&A)"},
        {1, 0, 0, u""},
        {1, 0x80, 40002, u"終了(&X)"},
    };
    ASSERT_EQ(entries.size(), std::size(expected));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        EXPECT_EQ(entries[i].depth, expected[i].depth);
        EXPECT_EQ(entries[i].flags, expected[i].flags);
        EXPECT_EQ(entries[i].id, expected[i].id);
        EXPECT_EQ(entries[i].text, expected[i].text);
    }
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
