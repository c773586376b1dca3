#include "CheckedExecutable.h"
#include "ImportTable.h"

#include <set>

// Only DLLs that every Windows system carries; a MinGW runtime DLL would make
// the program fail to start on a machine without the toolchain.
TEST_P(CheckedExecutable, importsOnlySystemDlls) {
    ImportTable imports;
    ASSERT_TRUE(readImportTable(module, imports));
    const std::set<std::string> system = {
        "KERNEL32.DLL",
        "USER32.DLL",
        "GDI32.DLL",
        "ADVAPI32.DLL",
        "COMDLG32.DLL",
        "SHELL32.DLL",
        "COMCTL32.DLL",
        "VERSION.DLL",
        "MSVCRT.DLL",
    };
    EXPECT_FALSE(imports.empty());
    for (const auto& dll : imports) {
        EXPECT_EQ(system.count(dll.first), 1u) << dll.first << " is not a system DLL";
    }
}

TEST_P(CheckedExecutable, importsInitCommonControlsByOrdinal17) {
    ImportTable imports;
    ASSERT_TRUE(readImportTable(module, imports));
    const auto comctl = imports.find("COMCTL32.DLL");
    ASSERT_NE(comctl, imports.end());
    ASSERT_EQ(comctl->second.size(), 1u);
    EXPECT_TRUE(comctl->second.front().byOrdinal) << comctl->second.front().name;
    EXPECT_EQ(comctl->second.front().ordinal, 17);
}
