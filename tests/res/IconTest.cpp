#include "CheckedExecutable.h"

#include <cstring>
#include <set>

namespace {

struct ExpectedImage {
    WORD id;
    BYTE size;
    DWORD bytes;
};

const ExpectedImage images[] = {{1, 32, 744}, {2, 16, 296}};

} // namespace

TEST_P(CheckedExecutable, iconGroupNamesTwoDrawnSixteenColourImages) {
    const Bytes group = resource(MAKEINTRESOURCEW(14), 128);
    ByteReader reader(group);
    std::uint16_t reserved = 1;
    std::uint16_t type = 0;
    std::uint16_t count = 0;
    ASSERT_TRUE(reader.read(reserved) && reader.read(type) && reader.read(count));
    EXPECT_EQ(reserved, 0);
    EXPECT_EQ(type, 1) << "an icon, not a cursor";
    ASSERT_EQ(count, std::size(images));
    ASSERT_EQ(group.size(), 6u + 14u * count);
    for (const ExpectedImage& image : images) {
        SCOPED_TRACE("icon " + std::to_string(image.id));
        const std::size_t entry = 6 + 14 * (image.id - 1u);
        EXPECT_EQ(group[entry], image.size);
        EXPECT_EQ(group[entry + 1], image.size);
        EXPECT_EQ(group[entry + 2], 16) << "colour count";
        std::uint16_t planes = 0;
        std::uint16_t bitCount = 0;
        std::uint32_t bytes = 0;
        std::uint16_t id = 0;
        ASSERT_TRUE(reader.seek(entry + 4) && reader.read(planes) && reader.read(bitCount) && reader.read(bytes)
            && reader.read(id));
        EXPECT_EQ(planes, 1);
        EXPECT_EQ(bitCount, 4);
        EXPECT_EQ(bytes, image.bytes);
        EXPECT_EQ(id, image.id);
        Bytes bits = resource(MAKEINTRESOURCEW(3), image.id);
        ASSERT_EQ(bits.size(), image.bytes);
        BITMAPINFOHEADER header;
        std::memcpy(&header, bits.data(), sizeof header);
        EXPECT_EQ(header.biSize, 40u);
        EXPECT_EQ(header.biWidth, image.size);
        EXPECT_EQ(header.biHeight, image.size * 2) << "colour and mask halves";
        EXPECT_EQ(header.biPlanes, 1);
        EXPECT_EQ(header.biBitCount, 4);
        const std::size_t pixelStart = 40 + 16 * 4;
        std::set<int> colours;
        for (std::size_t i = 0; i < image.size * image.size / 2u; ++i) {
            colours.insert(bits[pixelStart + i] >> 4);
            colours.insert(bits[pixelStart + i] & 0x0F);
        }
        EXPECT_GE(colours.size(), 4u) << "a background, a dead line, a live wave, a spark";
        HICON icon = CreateIconFromResourceEx(bits.data(), static_cast<DWORD>(bits.size()), TRUE, 0x00030000,
            image.size, image.size, 0);
        EXPECT_NE(icon, nullptr);
        if (icon != nullptr) {
            DestroyIcon(icon);
        }
    }
}
