#include "FittedName.h"
#include "OutputNames.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

// The UTF-16 units of valid UTF-8, or npos where it is not valid.
std::size_t utf16Units(const std::string& text) {
    std::size_t units = 0;
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0x80 ? 1
            : lead >= 0xC2 && lead < 0xE0      ? 2
            : lead >= 0xE0 && lead < 0xF0      ? 3
            : lead >= 0xF0 && lead < 0xF5      ? 4
                                               : 0;
        if (length == 0 || at + length > text.size())
            return std::string::npos;
        for (std::size_t i = 1; i < length; ++i) {
            if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
                return std::string::npos;
        }
        units += length == 4 ? 2 : 1;
        at += length;
    }
    return units;
}

std::string repeated(const std::string& piece, std::size_t times) {
    std::string text;
    while (times-- > 0)
        text += piece;
    return text;
}

TEST(FittedName, ReplacesWhatWindowsForbidsAndCutsToFit) {
    const std::string kana = u8"録";
    const struct {
        std::string name;
        std::size_t room;
        std::string fitted;
    } cases[] = {
        {"a:b*c?d\"e<f>g|h/i\\j\tk\x7F.wav. ", 0, "a_b_c_d_e_f_g_h_i_j_k\x7F.wav__"},
        {"con.wav", 0, "_con.wav"},
        {"LPT9 .tar.gz", 0, "_LPT9 .tar.gz"},
        {u8"COM¹", 0, u8"_COM¹"},
        {"COM10.wav", 0, "COM10.wav"},
        {"\xFF\xC3.wav\xED\xA0\x80", 0, "__.wav___"},
        // 90 kana are 270 bytes: 79 of them and the extension fill 241.
        {repeated(kana, 90) + ".WAV", 14, repeated(kana, 79) + ".WAV"},
        {"a." + repeated("x", 300), 0, "a." + repeated("x", 253)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fittedName(c.name, c.room), c.fitted) << c.name;
}

// Whatever a damaged card names a recording, its file's name is valid UTF-8
// that fits in 255 bytes less the room asked for (and so in 255 UTF-16
// units), holds nothing Windows refuses, begins as the name did, keeps a
// short extension, and is its own fitted name.
TEST(FittedName, FitsEveryName) {
    const char* pieces[] = {"a", "Z", u8"録", u8"🎙", "-", ".", " ", ":", "\x01", "\xFF", "\xE3\x81", "CON", ".wav"};
    std::srand(7);
    for (int trial = 0; trial < 20000; ++trial) {
        // Half the names of the pieces that a name keeps as they are, with or
        // without an extension.
        const bool clean = trial % 2 == 0;
        std::string name;
        for (std::size_t n = std::rand() % 120; n > 0; --n)
            name += pieces[std::rand() % (clean ? 5 : sizeof pieces / sizeof *pieces)];
        const bool extension = clean && trial % 4 == 0;
        if (extension)
            name += ".wav";
        const std::size_t room = std::rand() % 24;
        const std::string fitted = fittedName(name, room);
        SCOPED_TRACE(name);
        ASSERT_FALSE(fitted.empty());
        EXPECT_LE(fitted.size(), maxNameBytes - room);
        EXPECT_LE(utf16Units(fitted), maxNameBytes);
        for (unsigned char c : fitted)
            EXPECT_TRUE(c >= 0x20 && std::strchr("\\/:*?\"<>|", c) == nullptr) << fitted;
        EXPECT_TRUE(fitted.back() != '.' && fitted.back() != ' ') << fitted;
        EXPECT_EQ(fittedName(fitted, room), fitted);
        if (clean && !name.empty()) {
            const std::size_t kept = fitted.size() - (extension ? 4 : 0);
            EXPECT_EQ(name.compare(0, kept, fitted, 0, kept), 0) << fitted;
            EXPECT_TRUE(!extension || fitted.compare(kept, 4, ".wav") == 0) << fitted;
        }
    }
}

// Names taken are passed over with numbers that go on from the last one a
// name was given: 16,000 recordings of one name look at each path once.
// Names are told apart without regard to case, and never take a part name.
TEST(OutputNames, NumbersGoOnWhereTheyStopped) {
    OutputNames names("out", '/');
    std::size_t looks = 0;
    const auto free = [&](const std::string&) {
        ++looks;
        return OutputNames::Look::Free;
    };
    EXPECT_EQ(names.choose("ZOOM0001.WAV", free), "out/ZOOM0001.WAV");
    EXPECT_EQ(names.choose("zoom0001.wav", free), "out/zoom0001-2.wav");
    EXPECT_EQ(names.choose("ZOOM0001-3.WAV", free), "out/ZOOM0001-3.WAV");
    EXPECT_EQ(names.choose("ZOOM0001.WAV", free), "out/ZOOM0001-4.WAV");
    const auto taken = [&](const std::string& path) {
        ++looks;
        return path == "out/ZOOM0001-5.WAV" ? OutputNames::Look::Taken : OutputNames::Look::Free;
    };
    EXPECT_EQ(names.choose("ZOOM0001.WAV", taken), "out/ZOOM0001-6.WAV");
    looks = 0;
    for (int i = 0; i < 16000; ++i)
        EXPECT_FALSE(names.choose("TAKE.WAV", free).empty());
    EXPECT_EQ(looks, 16000u);
    EXPECT_EQ(names.choose("x.wav", [](const std::string&) { return OutputNames::Look::Failed; }), "");
    EXPECT_EQ(names.choose(".A.WAV.sonorix-part", free), "out/.A.WAV_sonorix-part");
    EXPECT_EQ(OutputNames::partName("out/ZOOM0001.WAV"), "out/.ZOOM0001.WAV.sonorix-part");
    EXPECT_EQ(OutputNames::partName("C:\\out\\a.wav"), "C:\\out\\.a.wav.sonorix-part");
    const std::string longest = names.choose(std::string(300, 'k') + ".wav", free);
    EXPECT_EQ(OutputNames::partName(longest).size(), 4 + maxNameBytes);
}

}
