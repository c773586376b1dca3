#pragma once

#include "ByteReader.h"

#include <gtest/gtest.h>
#include <windows.h>

// An executable whose resources are checked: the one of this build, which must
// exist, and the shipped 32-bit build, which is checked when it has been built.
struct ExecutableUnderTest {
    const char* label;
    const char* hostPath;
    bool required;
};

inline void PrintTo(const ExecutableUnderTest& executable, std::ostream* out) {
    *out << executable.label;
}

// Loads the executable as a resource-only image for each test.
class CheckedExecutable : public testing::TestWithParam<ExecutableUnderTest> {
protected:
    void SetUp() override;
    void TearDown() override;

    // The Japanese (0x0411) resource of that type and id; empty when absent.
    Bytes resource(LPCWSTR type, WORD id) const;

    std::string path;
    HMODULE module = nullptr;
};

constexpr WORD japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

// A host path as this process names it: Wine maps the Unix root to drive Z:.
std::string windowsPath(const std::string& hostPath);
