#include <gtest/gtest.h>

#include <algorithm>

#include "SonorixProcess.h"
#include "TestFiles.h"

namespace {

// Recordings written by Python's wave module at build time, if the build had
// Python; each is checked whole, cut short, and with its sizes never filled in.
const char* const recordings[] = {"tone-mono16.wav", "tone-stereo8.wav"};

void expectSizesMatch(const std::string& path) {
    std::uint32_t riffSize = 0;
    std::uint32_t dataSize = 0;
    ASSERT_TRUE(readSizes(path, &riffSize, &dataSize));
    std::size_t size = readFile(path).size();
    EXPECT_EQ(size - 8, riffSize);
    EXPECT_EQ(size - 44, dataSize);
}

TEST(Recordings, RealWriterFilesAreSoundAndCutOnesAreRepaired) {
    std::string source = windowsPath(SONORIX_RECORDINGS);
    if (GetFileAttributesA((source + "\\" + recordings[0]).c_str()) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "no recordings: the build found no Python";
    }
    std::string folder = scratchFolder("recordings");
    SonorixProcess process;
    ASSERT_TRUE(process.start(""));
    ASSERT_TRUE(process.waitMainWindow());
    for (const char* name : recordings) {
        SCOPED_TRACE(name);
        std::vector<unsigned char> whole = readFile(source + "\\" + name);
        ASSERT_GT(whole.size(), 1000u);

        std::string sound = folder + "\\sound-" + name;
        ASSERT_TRUE(writeFile(sound, whole));
        EXPECT_EQ(ansi(u8"既に正常なファイルです"), process.run(sound));
        EXPECT_EQ(whole, readFile(sound));

        std::vector<unsigned char> cut(whole.begin(), whole.end() - 777);
        std::string cutPath = folder + "\\cut-" + name;
        ASSERT_TRUE(writeFile(cutPath, cut));
        EXPECT_EQ(ansi(u8"正常に処理しました"), process.run(cutPath));
        expectSizesMatch(cutPath);
        std::vector<unsigned char> repaired = readFile(cutPath);
        EXPECT_TRUE(std::equal(cut.begin() + 44, cut.end(), repaired.begin() + 44))
            << "sample data changed";

        std::vector<unsigned char> unfilled = whole;
        for (int i : {4, 5, 6, 7, 40, 41, 42, 43}) {
            unfilled[i] = 0;
        }
        std::string unfilledPath = folder + "\\unfilled-" + name;
        ASSERT_TRUE(writeFile(unfilledPath, unfilled));
        EXPECT_EQ(ansi(u8"正常に処理しました"), process.run(unfilledPath));
        EXPECT_EQ(whole, readFile(unfilledPath)) << "the repair should restore the writer's header";
    }
}

} // namespace
