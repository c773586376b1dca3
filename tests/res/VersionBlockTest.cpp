#include "CheckedExecutable.h"
#include "VersionBlock.h"

#include <cstring>
#include <utility>

namespace {

bool readVersionBlock(const Bytes& data, VersionNode& root) {
    return parseVersionBlock(data, root) && root.key == u"VS_VERSION_INFO";
}

} // namespace

TEST_P(CheckedExecutable, versionFixedPartDescribesAnNtApplication) {
    VersionNode root;
    ASSERT_TRUE(readVersionBlock(resource(MAKEINTRESOURCEW(16), 1), root));
    ASSERT_EQ(root.value.size(), sizeof(VS_FIXEDFILEINFO));
    // Signature, structure version, file and product version 1.0.1.1, flags mask,
    // flags, VOS_NT_WINDOWS32, VFT_APP, subtype and date.
    const std::vector<DWORD> expected = {0xFEEF04BD, 0x00010000, 0x00010000, 0x00010001, 0x00010000, 0x00010001, 0x3F,
        0, 0x00040004, 1, 0, 0, 0};
    std::vector<DWORD> fixed(expected.size());
    std::memcpy(fixed.data(), root.value.data(), sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed, expected);
}

TEST_P(CheckedExecutable, versionStringsAndTranslationAreJapaneseUnicode) {
    VersionNode root;
    ASSERT_TRUE(readVersionBlock(resource(MAKEINTRESOURCEW(16), 1), root));
    const VersionNode* fileInfo = root.child(u"StringFileInfo");
    ASSERT_NE(fileInfo, nullptr);
    ASSERT_EQ(fileInfo->children.size(), 1u) << "one string table";
    const VersionNode& table = fileInfo->children.front();
    EXPECT_EQ(table.key, u"041104b0");
    // Each name in its order, with its exact text where that is fixed.
    const std::pair<std::u16string, const char16_t*> values[] = {
        {u"Comments", u""},
        {u"CompanyName", u"Halvane"},
        {u"FileDescription", nullptr},
        {u"FileVersion", u"1.01"},
        {u"InternalName", u"Sonorix"},
        {u"LegalCopyright", nullptr},
        {u"LegalTrademarks", u""},
        {u"OriginalFilename", u"Sonorix.exe"},
        {u"PrivateBuild", u""},
        {u"ProductName", u"Sonorix"},
        {u"ProductVersion", u"1.01"},
        {u"SpecialBuild", u""},
    };
    ASSERT_EQ(table.children.size(), std::size(values));
    for (std::size_t i = 0; i < table.children.size(); ++i) {
        const VersionNode& value = table.children[i];
        EXPECT_EQ(value.key, values[i].first);
        EXPECT_EQ(value.type, 1) << "a text value";
        if (values[i].second != nullptr) {
            EXPECT_EQ(value.text(), values[i].second);
        }
    }
    const std::u16string description = table.children[2].text();
    EXPECT_NE(description.find(u"Sonorix"), std::u16string::npos);
    EXPECT_NE(description.find(u"WAV"), std::u16string::npos);
    const std::u16string copyright = table.children[5].text();
    EXPECT_EQ(copyright.rfind(u"Copyright", 0), 0u);
    EXPECT_NE(copyright.find(u"Sonorix authors"), std::u16string::npos);
    const VersionNode* varInfo = root.child(u"VarFileInfo");
    ASSERT_NE(varInfo, nullptr);
    const VersionNode* translation = varInfo->child(u"Translation");
    ASSERT_NE(translation, nullptr);
    const Bytes expected = {0x11, 0x04, 0xB0, 0x04};
    EXPECT_EQ(translation->value, expected);
}
