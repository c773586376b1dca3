#include "CheckedExecutable.h"

#include <algorithm>

std::string windowsPath(const std::string& hostPath) {
    std::string result = hostPath;
    std::replace(result.begin(), result.end(), '/', '\\');
    return !result.empty() && result[0] == '\\' ? "Z:" + result : result;
}

void CheckedExecutable::SetUp() {
    path = windowsPath(GetParam().hostPath);
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (!GetParam().required) {
            GTEST_SKIP() << path << " has not been built";
        }
        FAIL() << path << " is missing";
    }
    module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr) << path << ": error " << GetLastError();
}

void CheckedExecutable::TearDown() {
    if (module != nullptr) {
        FreeLibrary(module);
    }
}

Bytes CheckedExecutable::resource(LPCWSTR type, WORD id) const {
    Bytes data;
    HRSRC found = FindResourceExW(module, type, MAKEINTRESOURCEW(id), japanese);
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes != nullptr) {
        const auto* first = static_cast<const std::uint8_t*>(bytes);
        data.assign(first, first + SizeofResource(module, found));
    }
    return data;
}

INSTANTIATE_TEST_SUITE_P(Executables, CheckedExecutable,
    testing::Values(ExecutableUnderTest{"ThisBuild", SONORIX_BUILT_EXE, true},
        ExecutableUnderTest{"Shipped32Bit", SONORIX_SHIPPED_EXE, false}),
    [](const testing::TestParamInfo<ExecutableUnderTest>& info) { return std::string(info.param.label); });
