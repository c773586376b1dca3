#include <gtest/gtest.h>

#include "SonorixProcess.h"
#include "TestFiles.h"

namespace {

struct Recordings : StartedSonorix {};

// Recordings written by Python's wave module at build time, if the build had
// Python; each is checked whole, cut short, and with its sizes never filled in.
TEST_F(Recordings, RealWriterFilesAreSoundAndCutOnesAreRepaired) {
    std::string source = windowsPath(SONORIX_RECORDINGS);
    if (GetFileAttributesA((source + "\\tone-mono16.wav").c_str()) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "no recordings: the build found no Python";
    }
    std::string folder = scratchFolder("recordings");
    for (const char* name : {"tone-mono16.wav", "tone-stereo8.wav"}) {
        std::vector<unsigned char> whole = readFile(source + "\\" + name);
        ASSERT_GT(whole.size(), 1000u) << name;
        std::vector<unsigned char> cut(whole.begin(), whole.end() - 777);
        std::vector<unsigned char> unfilled = whole;
        for (int i : {4, 5, 6, 7, 40, 41, 42, 43}) {
            unfilled[i] = 0;
        }
        const struct {
            const char* kind;
            const std::vector<unsigned char>& bytes;
            const char* message;
        } variants[] = {{"sound-", whole, u8"既に正常なファイルです"}, {"cut-", cut, u8"正常に処理しました"},
            {"unfilled-", unfilled, u8"正常に処理しました"}};
        for (const auto& v : variants) {
            std::string path = folder + "\\" + v.kind + name;
            SCOPED_TRACE(path);
            ASSERT_TRUE(writeFile(path, v.bytes));
            EXPECT_EQ(ansi(v.message), process.run(path).text);
            expectOnlySizesFitted(v.bytes, path);
        }
    }
}

} // namespace
