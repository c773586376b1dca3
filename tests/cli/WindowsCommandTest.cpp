#include "ChunkBytes.h"
#include "ProgramRun.h"
#include "SampleHeader.h"
#include "ScratchFiles.h"
#include "SynthRecording.h"
#include "WideText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <windows.h>

namespace {

// {d} stands for the scratch folder in the files, arguments and output.
std::string filled(std::string text, const std::string& folder) {
    for (std::size_t at; (at = text.find("{d}")) != std::string::npos;)
        text.replace(at, 3, folder);
    return text;
}

// Names, wildcards, folders, refusals and revivals of sonorix-repair.exe as a
// Japanese user runs it (Wine's UI language is Japanese), each checked through
// the bytes of its output in a pipe and its exit status. The files are
// cut-off recordings, or by their prefix recordings that lost their header:
// "zeroed:" behind 512 zero bytes, "fragment:" from one byte into a frame,
// "wider:" of 24-bit samples behind zeros, and "donor:" a sound recording of
// their format; a name ending in a backslash is a folder. hold names one that
// another handle keeps open ("read:" or "write:"), that has the read-only
// attribute ("readOnly:"), or a 5 GiB RF64 recording cut off before an ID3v1
// tag at its end ("large:"). "card:" is the image of a card of FAT16 that
// holds a donor's recording under an entry of 0 bytes. A second dry run of
// args (or of againArgs, then answering againOut) finds sound what was
// repaired.
struct WindowsCase {
    const char* name;
    std::vector<std::string> files;
    std::string hold;
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err;
    std::vector<std::string> againArgs = {};
    std::string againOut = "";
};

const SampleFormat stereo16{2, false, 2};

// A card of FAT16 whose recorder lost power: ZOOM0001.WAV, an entry of 0
// bytes, with the chain of the clusters that hold take (sectors of 512 bytes,
// a cluster each).
Bytes card(const Bytes& take) {
    constexpr std::uint32_t sectors = 20480, fatSectors = 80, rootSectors = 32, firstData = 1 + 2 * fatSectors + 32;
    Bytes image(std::size_t(sectors) * 512, 0);
    const Bytes boot = Bytes{0xEB, 0x3C, 0x90} + text("SONORIX ") + le(512, 2) + le(1, 1) + le(1, 2) + le(2, 1)
        + le(rootSectors * 16, 2) + le(sectors, 2) + le(0xF8, 1) + le(fatSectors, 2) + le(63, 2) + le(255, 2) + le(0, 8)
        + le(0x80, 1) + le(0, 1) + le(0x29, 1) + le(1, 4) + text("NO NAME    FAT16   ");
    std::copy(boot.begin(), boot.end(), image.begin());
    image[510] = 0x55;
    image[511] = 0xAA;
    const std::uint32_t clusters = static_cast<std::uint32_t>((take.size() + 511) / 512);
    for (std::uint32_t copy = 0; copy < 2; ++copy) {
        const std::size_t fat = 512 * (1 + std::size_t(copy) * fatSectors);
        for (std::uint32_t c = 0; c < clusters + 2; ++c) {
            const std::uint32_t link = c < 2 ? 0xFFF8 | c * 7 : c + 1 < clusters + 2 ? c + 1 : 0xFFFF;
            image[fat + 2 * c] = static_cast<unsigned char>(link);
            image[fat + 2 * c + 1] = static_cast<unsigned char>(link >> 8);
        }
    }
    const Bytes entry = text("ZOOM0001WAV") + le(0x20, 1) + le(0, 8) + le(0, 2) + le(0, 4) + le(2, 2) + le(0, 4);
    std::copy(entry.begin(), entry.end(), image.begin() + 512 * (1 + 2 * fatSectors));
    std::copy(take.begin(), take.end(), image.begin() + 512 * std::size_t(firstData));
    return image;
}

// The bytes of a file of the table by its prefix; the rest of its name.
Bytes recording(std::string& name) {
    const std::size_t colon = name.find(':');
    const std::string kind = colon == std::string::npos ? "" : name.substr(0, colon);
    name = name.substr(colon + 1);
    const Bytes sound = synthRecording(stereo16, 12000, Signal::Shared);
    if (kind == "zeroed")
        return Bytes(512, 0) + sound;
    if (kind == "fragment")
        return Bytes(sound.begin() + 1, sound.end());
    if (kind == "wider")
        return Bytes(512, 0) + synthRecording({3, false, 2}, 12000, Signal::Shared);
    if (kind == "donor" || kind == "card") {
        const Bytes whole = waveHead("RIFF", 36 + sound.size(), fmtChunk(1, 2, 16) + chunk("data", sound.size()));
        return kind == "card" ? card(whole + sound) : whole + sound;
    }
    Bytes cut = bytesOf(sampleHeader(36, 0));
    cut.resize(1044, 9);
    return cut;
}

class WindowsCommandTest : public testing::TestWithParam<WindowsCase> {
protected:
    void TearDown() override {
        for (auto name = created.rbegin(); name != created.rend(); ++name) {
            SetFileAttributesW(name->c_str(), FILE_ATTRIBUTE_NORMAL);
            if (!DeleteFileW(name->c_str()))
                RemoveDirectoryW(name->c_str());
        }
    }

    // Through the wide API, so names that code page 932 cannot hold exist.
    bool create(const std::string& folderPath, std::string leaf) {
        const Bytes bytes = recording(leaf);
        const std::string path = folderPath + "\\" + leaf;
        const std::size_t slash = path.rfind('\\');
        const std::wstring folder = toWide(path.substr(0, slash));
        if (CreateDirectoryW(folder.c_str(), nullptr))
            created.push_back(folder);
        if (slash + 1 == path.size())
            return true;
        const std::wstring name = toWide(path);
        const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        created.push_back(name);
        DWORD written = 0;
        const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        return CloseHandle(file) && ok && written == bytes.size();
    }

    ScratchDir dir;
    std::vector<std::wstring> created;
};

TEST_P(WindowsCommandTest, ReportsEachNameAsGiven) {
    const WindowsCase& c = GetParam();
    ASSERT_TRUE(dir.ready());
    const std::string folder = dir.path();
    for (const std::string& file : c.files)
        ASSERT_TRUE(create(folder, filled(file, folder))) << file;
    const std::size_t colon = c.hold.find(':');
    const std::string kind = c.hold.substr(0, colon);
    const std::string held = colon == std::string::npos ? "" : filled("{d}\\" + c.hold.substr(colon + 1), folder);
    if (kind == "readOnly") {
        ASSERT_TRUE(setReadOnly(held, true));
    }
    if (kind == "large") {
        const std::vector<unsigned char> canonical = bytesOf(sampleHeader(36, 0));
        std::vector<unsigned char> head = {'R', 'F', '6', '4', 0xFF, 0xFF, 0xFF, 0xFF, 'W', 'A', 'V', 'E', 'd', 's',
            '6', '4', 28, 0, 0, 0};
        head.resize(48, 0);
        head.insert(head.end(), canonical.begin() + 12, canonical.begin() + 40);
        head.insert(head.end(), 4, 0xFF);
        std::vector<unsigned char> tag(128, ' ');
        tag[0] = 'T', tag[1] = 'A', tag[2] = 'G';
        ASSERT_TRUE(writeSparseFile(held, head, 5ull << 30, tag));
        created.push_back(toWide(held));
    }
    std::unique_ptr<HeldFile> other;
    if (kind == "read" || kind == "write") {
        other.reset(new HeldFile(held, kind == "read" ? HeldFile::Kind::ReadHandle : HeldFile::Kind::WriteHandle));
        ASSERT_TRUE(other->holding());
    }
    std::vector<std::string> args;
    for (const std::string& arg : c.args)
        args.push_back(filled(arg, folder));

    const ProgramRun result = runProgram(repairProgram(), args);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.out, filled(c.out, folder));
    EXPECT_EQ(result.err, filled(c.err, folder));

    // What was reported repaired is so: a second look finds it sound.
    const std::string repaired = u8": 正常に処理しました";
    std::string again = filled(c.out, folder);
    if (!c.againArgs.empty()) {
        args.clear();
        for (const std::string& arg : c.againArgs)
            args.push_back(filled(arg, folder));
        again = filled(c.againOut, folder);
    } else if (again.find(repaired) == std::string::npos) {
        return;
    }
    for (std::size_t at; (at = again.find(repaired)) != std::string::npos;)
        again.replace(at, again.find('\n', at) - at, u8": 既に正常なファイルです");
    args.insert(args.begin(), "--dry-run");
    EXPECT_EQ(runProgram(repairProgram(), args).out, again);
}

INSTANTIATE_TEST_SUITE_P(Runs, WindowsCommandTest,
    testing::Values(WindowsCase{"namesOutsideCodePage932", {"日本語.wav", "한국어.wav", "😀.wav"}, "",
                        {"{d}\\日本語.wav", "{d}\\한국어.wav", "{d}\\😀.wav"}, 0,
                        u8"{d}\\日本語.wav: 正常に処理しました\n{d}\\한국어.wav: 正常に処理しました\n"
                        u8"{d}\\😀.wav: 正常に処理しました\n",
                        u8"sonorix-repair: 3 ファイル: 正常に処理 3\n"},
        WindowsCase{"wildcardInNameOrderLongNamesOnly", {"b.wav", "A.WAV", "x.wavx", "한.wav"}, "", {"{d}\\*.wav"}, 0,
            u8"{d}\\A.WAV: 正常に処理しました\n{d}\\b.wav: 正常に処理しました\n{d}\\한.wav: 正常に処理しました\n",
            u8"sonorix-repair: 3 ファイル: 正常に処理 3\n"},
        WindowsCase{"wildcardMatchingNothing", {"a.wav"}, "", {"--canonical", "{d}\\*.aif?"}, 2,
            u8"{d}\\*.aif?: ファイルエラーが起こりました (一致するファイルがありません)\n", ""},
        WindowsCase{"recursiveFolder", {"a.wav", "sub\\c.AIFF", "notes.txt"}, "", {"-r", "--dry-run", "{d}"}, 0,
            u8"{d}\\a.wav: 修復できます\n{d}\\sub\\c.AIFF: 修復できます\n",
            u8"sonorix-repair: 2 ファイル: 修復可能 2\n"},
        WindowsCase{"folderWithoutRecursive", {"a.wav"}, "", {"{d}"}, 2,
            u8"{d}: ファイルエラーが起こりました (フォルダーです。中の録音は --recursive を付けると修復します)\n", ""},
        WindowsCase{"readOnly", {"a.wav"}, "readOnly:a.wav", {"{d}\\a.wav"}, 2,
            u8"{d}\\a.wav: ファイルエラーが起こりました (読み取り専用です)\n", ""},
        WindowsCase{"readOnlyDryRun", {"a.wav"}, "readOnly:a.wav", {"--dry-run", "{d}\\a.wav"}, 2,
            u8"{d}\\a.wav: ファイルエラーが起こりました (読み取り専用です)\n", ""},
        WindowsCase{"heldForReading", {"a.wav"}, "read:a.wav", {"{d}\\a.wav"}, 2,
            u8"{d}\\a.wav: ファイルエラーが起こりました (他のプロセスがロックしています)\n", ""},
        WindowsCase{"heldForWritingDryRun", {"a.wav"}, "write:a.wav", {"--dry-run", "{d}\\a.wav"}, 2,
            u8"{d}\\a.wav: ファイルエラーが起こりました (他のプロセスがロックしています)\n", ""},
        // Past 4 GiB: the size, and the tag read at an offset of 33 bits.
        WindowsCase{"largerThan4GiB", {}, "large:big.wav", {"--json", "{d}\\big.wav"}, 0,
            "{\"path\":\"{d}\\\\big.wav\",\"outcome\":\"repaired\",\"reason\":null,\"changes\":["
            "{\"offset\":28,\"before\":\"0000000000000000\",\"after\":\"30ffff3f01000000\"},"
            "{\"offset\":36,\"before\":\"0000000000000000\",\"after\":\"ccffff4f00000000\"},"
            "{\"offset\":20,\"before\":\"0000000000000000\",\"after\":\"78ffff3f01000000\"}]}\n",
            ""},
        WindowsCase{"missing", {}, "", {"{d}\\none.wav"}, 2,
            u8"{d}\\none.wav: ファイルエラーが起こりました (ファイルもフォルダーも見つかりません)\n", ""},
        // Scripts read --json: English whatever the language, its summary too.
        WindowsCase{"json", {"한국어.wav"}, "", {"--json", "--canonical", "{d}\\한국어.wav", "{d}\\none.wav"}, 2,
            "{\"path\":\"{d}\\\\한국어.wav\",\"outcome\":\"repaired\",\"reason\":null,\"changes\":["
            "{\"offset\":4,\"before\":\"24000000\",\"after\":\"0c040000\"},"
            "{\"offset\":40,\"before\":\"00000000\",\"after\":\"e8030000\"}]}\n"
            "{\"path\":\"{d}\\\\none.wav\",\"outcome\":\"file error\",\"reason\":\"No such file or directory\","
            "\"changes\":[]}\n",
            "sonorix-repair: 2 files: 1 repaired, 1 file error\n"},
        WindowsCase{"usageError", {}, "", {"--fix", "{d}\\a.wav"}, 64, "",
            u8"sonorix-repair: '--fix' というオプションはありません\n"
            u8"使い方: sonorix-repair [--canonical | --any-layout] [--dry-run] [--touch] [--recursive] [--json]\n"
            u8"                       [--like DONOR | --format RATE,BITS,CHANNELS[,float]] [--output DIR]\n"
            u8"                       FILE...\n"
            u8"        sonorix-repair --recover SOURCE --output DIR [--dry-run] [--json]\n"
            u8"                       [--like DONOR | --format RATE,BITS,CHANNELS[,float]]\n"
            u8"詳しい使い方は 'sonorix-repair --help' で表示します。\n"},
        // A recording recovered from the image of a card into a folder of a
        // name code page 932 cannot hold, then found sound; the image itself
        // is no folder to write into.
        WindowsCase{"recoveredFromACardImage", {"card:card.img", "출력\\"}, "",
            {"--recover", "{d}\\card.img", "--output", "{d}\\출력"}, 0,
            u8"{d}\\card.img: ZOOM0001.WAV を {d}\\출력\\ZOOM0001.WAV に復元しました (00:02、0 バイトのエントリ、"
            u8"チェーンの終わりで終了)\n",
            u8"sonorix-repair: {d}\\card.img: 録音 1 件: 復元 1\n", {"{d}\\출력\\ZOOM0001.WAV"},
            u8"{d}\\출력\\ZOOM0001.WAV: 既に正常なファイルです\n"},
        WindowsCase{"recoveryIntoItsImage", {"card:card.img"}, "",
            {"--recover", "{d}\\card.img", "--output", "{d}\\card.img"}, 2,
            u8"{d}\\card.img: ファイルエラーが起こりました (出力先のフォルダー {d}\\card.img は {d}\\card.img "
            u8"の上にあり、その空きクラスタに復元する録音が残っています。別のディスクのフォルダーを指定して下さい)\n",
            ""},
        // The drive Windows runs from is no card, whichever way it is named.
        WindowsCase{"systemDriveRefused", {}, "", {"--recover", "c:\\", "--output", "{d}\\out"}, 2,
            u8"c:\\: ファイルエラーが起こりました (C: は Windows "
            u8"自身のドライブです。カードはそのドライブを指定して下さい)\n",
            ""},
        // Revival: the header written in place before the audio, or the
        // recording copied to a new file behind one, with the donor read while
        // another program writes it or when it is read-only.
        WindowsCase{"revivedInPlace", {"zeroed:日本語.CHK"}, "", {"--format", "8000,16,2", "{d}\\日本語.CHK"}, 0,
            u8"{d}\\日本語.CHK: 正常に処理しました (ヘッダをその場で再構築、音声はオフセット 512 から)\n", ""},
        WindowsCase{"revivedIntoOutputFolder", {"donor:take1.wav", "fragment:한국어.CHK", "出力\\"}, "write:take1.wav",
            {"--like", "{d}\\take1.wav", "--output", "{d}\\出力", "{d}\\한국어.CHK"}, 0,
            u8"{d}\\한국어.CHK: 正常に処理しました ({d}\\出力\\한국어.CHK.wav へ書き出し、音声はオフセット 3 から)\n",
            "", {"--like", "{d}\\take1.wav", "--output", "{d}\\出力", "{d}\\한국어.CHK", "{d}\\出力\\한국어.CHK.wav"},
            u8"{d}\\한국어.CHK: ファイルエラーが起こりました ({d}\\出力\\한국어.CHK.wav: "
            u8"同じ名前のファイルが既にあります)\n"
            u8"{d}\\出力\\한국어.CHK.wav: 既に正常なファイルです\n"},
        WindowsCase{"revivalRefusedBesideAFile", {"donor:take1.wav", "fragment:한국어.CHK", "한국어.CHK.wav"},
            "readOnly:take1.wav", {"--like", "{d}\\take1.wav", "{d}\\한국어.CHK"}, 2,
            u8"{d}\\한국어.CHK: ファイルエラーが起こりました ({d}\\한국어.CHK.wav: 同じ名前のファイルが既にあります)\n",
            ""},
        WindowsCase{"revivalRefusedForItsSamples", {"wider:日本語.CHK"}, "",
            {"--format", "8000,16,2", "{d}\\日本語.CHK"}, 1,
            u8"{d}\\日本語.CHK: サポート外のファイル形式です (音声が 16 ビット ステレオに見えません。24 ビット "
            u8"ステレオなら合います)\n",
            ""}),
    [](const testing::TestParamInfo<WindowsCase>& info) { return std::string(info.param.name); });

// A drive letter mapped to the image of a card, as Wine maps one to a device
// (dosdevices/x::): X:, X:\ and x:/ are read as its volume \\.\X: is. Where
// Wine cannot be asked for the file's Unix name there is nothing to map.
TEST(WindowsDriveLetters, StandForTheDrivesVolume) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    // Through void*: a FARPROC converts to no other function type without a warning.
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    char prefix[MAX_PATH] = {};
    if (unixName == nullptr || GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH) == 0)
        GTEST_SKIP() << "not under Wine with a WINEPREFIX: no drive letter can be mapped to an image";
    ScratchDir dir;
    ASSERT_TRUE(dir.ready());
    std::string name = "card:card.img";
    const Bytes image = recording(name);
    ASSERT_TRUE(writeSparseFile(dir.file("card.img"), image, image.size(), {}));
    wchar_t full[MAX_PATH] = {};
    ASSERT_NE(GetFullPathNameW(toWide(dir.file("card.img")).c_str(), MAX_PATH, full, nullptr), 0u);
    char* const unixImage = unixName(full);
    ASSERT_NE(unixImage, nullptr);
    const std::string target = unixImage;
    HeapFree(GetProcessHeap(), 0, unixImage);

    char letter = 'S';
    while (letter <= 'Y' && (GetLogicalDrives() & (1u << (letter - 'A'))))
        ++letter;
    ASSERT_LE(letter, 'Y');
    // Unix programs started under Wine report no exit status; what they did
    // shows in the runs below.
    struct Link {
        std::string path;
        ~Link() { runProgram("Z:\\bin\\rm", {"-f", path}); }
    } link{std::string(prefix) + "/dosdevices/" + char(letter - 'A' + 'a') + "::"};
    runProgram("Z:\\bin\\ln", {"-sfn", target, link.path});
    const std::string volume = std::string("\\\\.\\") + letter + ":";
    const ProgramRun raw = runProgram(repairProgram(), {"--recover", volume, "--dry-run"});
    for (const std::string& drive : {std::string(1, letter) + ":", std::string(1, letter) + ":\\",
             std::string(1, char(letter - 'A' + 'a')) + ":/"}) {
        const ProgramRun run = runProgram(repairProgram(), {"--recover", drive, "--dry-run"});
        EXPECT_EQ(run.status, raw.status) << drive;
        EXPECT_EQ(volume + run.out.substr(std::min(drive.size(), run.out.size())), raw.out) << drive;
    }
    // The volume was found: a letter that names nothing is not found.
    EXPECT_EQ(raw.out.find(u8"見つかりません"), std::string::npos) << raw.out;
}

}
