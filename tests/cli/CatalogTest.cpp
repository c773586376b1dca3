#include "Catalog.h"
#include "UserLanguage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Which of nine values a rendering shows, each standing out from the text.
std::string valuesShown(const TextEntry& entry, Language language) {
    const std::string text = render(entry, language, {"<1>", "<2>", "<3>", "<4>", "<5>", "<6>", "<7>", "<8>", "<9>"});
    std::string shown;
    for (char value = '1'; value <= '9'; ++value) {
        const std::string marker = std::string("<") + value + ">";
        for (std::size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + 1))
            shown += value;
    }
    return shown;
}

// A text added in English alone, or translated without one of its values,
// fails here.
TEST(Catalog, EveryTextIsInJapaneseWithTheSameValues) {
    for (std::size_t i = 0; i < textCount(); ++i) {
        const TextEntry& entry = entryOf(static_cast<Text>(i));
        EXPECT_STRNE(entry.japanese, "") << entry.english;
        EXPECT_STRNE(entry.japanese, entry.english) << entry.english;
        EXPECT_EQ(valuesShown(entry, Language::Japanese), valuesShown(entry, Language::English)) << entry.english;
    }
}

TEST(Catalog, PutsValuesWhereEachLanguageWantsThemAndFallsBackToEnglish) {
    const TextEntry entry{"the {1} chunk at offset {2} {x}", "{2} の {1}"};
    EXPECT_EQ(render(entry, Language::English, {"'LIST'", "72"}), "the 'LIST' chunk at offset 72 {x}");
    EXPECT_EQ(render(entry, Language::Japanese, {"'LIST'", "72"}), "72 の 'LIST'");
    EXPECT_EQ(render({"{1}: {2}", ""}, Language::Japanese, {"a.wav"}), "a.wav: {2}");
}

TEST(UserLanguage, FirstSetVariableAsGettextOrTheUiLanguageOnWindows) {
    struct Case {
        const char* all;
        const char* messages;
        const char* lang;
        Language chosen;
    };
    const Case cases[] = {{nullptr, nullptr, "ja_JP.UTF-8", Language::Japanese},
        {nullptr, nullptr, "ja", Language::Japanese}, {nullptr, "ja_JP.eucJP", "C", Language::Japanese},
        {"", "", "ja_JP@cjknarrow", Language::Japanese}, {"C", nullptr, "ja_JP.UTF-8", Language::English},
        {"POSIX", "ja_JP.UTF-8", nullptr, Language::English},
        {nullptr, "en_US.UTF-8", "ja_JP.UTF-8", Language::English}, {nullptr, nullptr, "jam_JM", Language::English},
        {nullptr, nullptr, nullptr, Language::English}};
    for (const Case& c : cases)
        EXPECT_EQ(languageOfLocale(c.all, c.messages, c.lang), c.chosen)
            << (c.all ? c.all : "-") << " " << (c.messages ? c.messages : "-") << " " << (c.lang ? c.lang : "-");
    EXPECT_EQ(languageOfUiLanguage(0x0411), Language::Japanese);
    EXPECT_EQ(languageOfUiLanguage(0x0011), Language::Japanese);
    EXPECT_EQ(languageOfUiLanguage(0x0409), Language::English);
    EXPECT_EQ(languageOfUiLanguage(0x0412), Language::English);
}

}
