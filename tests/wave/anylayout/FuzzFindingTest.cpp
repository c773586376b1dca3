#include "RepairProperties.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

// An input a fuzz target stopped on, as the target reads it (FuzzImage.h),
// in hexadecimal; spaces are for reading only.
struct Finding {
    const char* name;
    const char* input;
};

std::vector<unsigned char> fromHex(const char* text) {
    std::vector<unsigned char> bytes;
    std::string digits;
    for (; *text != '\0'; ++text) {
        if (std::isxdigit(static_cast<unsigned char>(*text)) == 0)
            continue;
        digits += *text;
        if (digits.size() == 2) {
            bytes.push_back(static_cast<unsigned char>(std::stoul(digits, nullptr, 16)));
            digits.clear();
        }
    }
    return bytes;
}

class FuzzFindingTest : public testing::TestWithParam<Finding> {};

TEST_P(FuzzFindingTest, KeepsEveryPropertyOfBothRules) {
    const std::vector<unsigned char> input = fromHex(GetParam().input);
    const FuzzImage image = decodeFuzzImage(input.data(), input.size());
    EXPECT_EQ(checkCanonicalRule(image), "");
    EXPECT_EQ(checkAnyLayoutRule(image), "");
    EXPECT_EQ(checkRulesAgree(image), "");
}

const Finding findings[] = {
    // A RIFF file of 4 GiB + 80 bytes with JUNK room for ds64 and a stale data
    // size: becoming RF64, the data size field is 0xFFFFFFFF while the file is
    // still RIFF, and a crash there left data that ended one byte before the
    // file, which the next run took for a whole chunk and its pad byte.
    {"rf64ConversionCutAfterTheDataSizeField",
        "7a ffffffff 52494646 ffff7fff 57415645 4a554e4b 1c000000 0000000000000000 8000000000000000"
        " 0000000000009400 00000000 666d7420 10000000 0100 0200 401f0000 007d0000 0400 1000"
        " 64617461 08cb0000 00"},
};

INSTANTIATE_TEST_SUITE_P(Findings, FuzzFindingTest, testing::ValuesIn(findings),
    [](const testing::TestParamInfo<Finding>& info) { return std::string(info.param.name); });

}
