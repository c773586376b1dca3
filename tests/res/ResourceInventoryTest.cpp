#include "CheckedExecutable.h"

#include <set>

namespace {

std::string idText(LPCWSTR id) {
    if (IS_INTRESOURCE(id)) {
        return std::to_string(reinterpret_cast<ULONG_PTR>(id));
    }
    std::string text = "\"";
    for (; *id != 0; ++id) {
        text.push_back(*id < 0x80 ? static_cast<char>(*id) : '?');
    }
    return text + "\"";
}

using Inventory = std::set<std::string>;
using Entries = std::vector<std::string>;

BOOL CALLBACK addLanguage(HMODULE, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR found) {
    reinterpret_cast<Entries*>(found)->push_back(idText(type) + "/" + idText(name) + "/" + std::to_string(language));
    return TRUE;
}

BOOL CALLBACK addName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR found) {
    return EnumResourceLanguagesW(module, type, name, addLanguage, found);
}

BOOL CALLBACK addType(HMODULE module, LPWSTR type, LONG_PTR found) {
    return EnumResourceNamesW(module, type, addName, found);
}

} // namespace

// The exact inventory also shows that no manifest (type 24) is carried.
TEST_P(CheckedExecutable, holdsEveryResourceOnceAndOnlyInJapanese) {
    Entries entries;
    ASSERT_TRUE(EnumResourceTypesW(module, addType, reinterpret_cast<LONG_PTR>(&entries)));
    const Inventory expected = {
        "3/1/1041",
        "3/2/1041",
        "4/129/1041",
        "5/131/1041",
        "5/132/1041",
        "6/376/1041",
        "6/1569/1041",
        "6/2501/1041",
        "9/130/1041",
        "14/128/1041",
        "16/1/1041",
    };
    EXPECT_EQ(Inventory(entries.begin(), entries.end()), expected);
    EXPECT_EQ(entries.size(), expected.size()) << "a resource is stored twice";
}

TEST_P(CheckedExecutable, findsTheTemplatesWithoutNamingALanguage) {
    for (WORD id : {131, 132}) {
        HRSRC neutral = FindResourceExW(module, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(id),
            MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
        EXPECT_NE(neutral, nullptr) << "dialog " << id;
    }
}
