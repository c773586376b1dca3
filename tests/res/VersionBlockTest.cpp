#include "CheckedExecutable.h"
#include "VersionBlock.h"

#include <cstring>
#include <map>

namespace {

bool readVersionBlock(const Bytes& data, VersionNode& root) {
    return parseVersionBlock(data, root) && root.key == u"VS_VERSION_INFO";
}

}  // namespace

TEST_P(CheckedExecutable, versionFixedPartDescribesAnNtApplication) {
    VersionNode root;
    ASSERT_TRUE(readVersionBlock(resource(MAKEINTRESOURCEW(16), 1), root));
    ASSERT_EQ(root.value.size(), sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, root.value.data(), sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwStrucVersion, 0x00010000u);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00010001u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwProductVersionLS, 0x00010001u);
    EXPECT_EQ(fixed.dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed.dwFileFlags, 0u);
    EXPECT_EQ(fixed.dwFileOS, 0x00040004u);
    EXPECT_EQ(fixed.dwFileType, 1u);
    EXPECT_EQ(fixed.dwFileSubtype, 0u);
    EXPECT_EQ(fixed.dwFileDateMS, 0u);
    EXPECT_EQ(fixed.dwFileDateLS, 0u);
}

TEST_P(CheckedExecutable, versionStringsAreJapaneseUnicodeInTheirOrder) {
    VersionNode root;
    ASSERT_TRUE(readVersionBlock(resource(MAKEINTRESOURCEW(16), 1), root));
    const VersionNode* fileInfo = root.child(u"StringFileInfo");
    ASSERT_NE(fileInfo, nullptr);
    ASSERT_EQ(fileInfo->children.size(), 1u) << "one string table";
    const VersionNode& table = fileInfo->children.front();
    EXPECT_EQ(table.key, u"041104b0");
    const std::vector<std::u16string> names = {
        u"Comments",     u"CompanyName",      u"FileDescription", u"FileVersion",
        u"InternalName", u"LegalCopyright",   u"LegalTrademarks", u"OriginalFilename",
        u"PrivateBuild", u"ProductName",      u"ProductVersion",  u"SpecialBuild",
    };
    const std::map<std::u16string, std::u16string> fixedValues = {
        {u"Comments", u""},          {u"CompanyName", u"Halvane"},
        {u"FileVersion", u"1.01"},   {u"InternalName", u"Sonorix"},
        {u"LegalTrademarks", u""},   {u"OriginalFilename", u"Sonorix.exe"},
        {u"PrivateBuild", u""},      {u"ProductName", u"Sonorix"},
        {u"ProductVersion", u"1.01"}, {u"SpecialBuild", u""},
    };
    ASSERT_EQ(table.children.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const VersionNode& value = table.children[i];
        EXPECT_EQ(value.key, names[i]);
        EXPECT_EQ(value.type, 1) << "a text value";
        const auto fixed = fixedValues.find(value.key);
        if (fixed != fixedValues.end()) {
            EXPECT_EQ(value.text(), fixed->second);
        }
    }
    const std::u16string description = table.children[2].text();
    EXPECT_NE(description.find(u"Sonorix"), std::u16string::npos);
    EXPECT_NE(description.find(u"WAV"), std::u16string::npos);
    const std::u16string copyright = table.children[5].text();
    EXPECT_EQ(copyright.rfind(u"Copyright", 0), 0u);
    EXPECT_NE(copyright.find(u"Sonorix authors"), std::u16string::npos);
}

TEST_P(CheckedExecutable, versionTranslationIsJapaneseUnicode) {
    VersionNode root;
    ASSERT_TRUE(readVersionBlock(resource(MAKEINTRESOURCEW(16), 1), root));
    const VersionNode* varInfo = root.child(u"VarFileInfo");
    ASSERT_NE(varInfo, nullptr);
    const VersionNode* translation = varInfo->child(u"Translation");
    ASSERT_NE(translation, nullptr);
    const Bytes expected = {0x11, 0x04, 0xB0, 0x04};
    EXPECT_EQ(translation->value, expected);
}
