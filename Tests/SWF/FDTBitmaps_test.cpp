#include "SWF/FDTBitmaps.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <numeric>

#include "SWF/FObjCollection.h"
#include "SwfBytes.h"

using swftest::Bytes;
using swftest::Encode;
using swftest::Hex;
using swftest::ToHex;

namespace {

Bytes Inflate(const Bytes& compressed, size_t rawSize) {
    Bytes raw(rawSize + 1);
    uLongf length = raw.size();
    EXPECT_EQ(uncompress(raw.data(), &length, compressed.data(), compressed.size()), Z_OK);
    raw.resize(length);
    return raw;
}

TEST(SwfBitmaps, LosslessTwoByTwoUsesTheLongHeaderAndCompressesThePixels) {
    FObjCollection::ResetCharacterID();
    Bytes pixels(16);
    std::iota(pixels.begin(), pixels.end(), 0);
    FDTDefineBitsLossless2 bitmap(5, 2, 2, 0, nullptr, pixels.data());
    const Bytes tag = Encode(bitmap);
    const uint32_t length = bitmap.CompressedLength() + 7;
    EXPECT_EQ(
        ToHex(Bytes(tag.begin(), tag.begin() + 13)),
        "3F 09 " + ToHex(Bytes{static_cast<uint8_t>(length), 0, 0, 0}) + " 01 00 05 02 00 02 00");
    EXPECT_EQ(Inflate(Bytes(tag.begin() + 13, tag.end()), 16), pixels);
    FObjCollection::ResetCharacterID();
}

TEST(SwfBitmaps, ColourMappedBitmapsCarryTheirTableAndPaddedRows) {
    // Three pixels per row: each row is padded to four bytes.
    const Bytes pixels = Hex("00 01 02 00  02 01 00 00");
    std::vector<FRGB> table(256);
    std::vector<FRGBA> tableAlpha(256);
    for (uint32_t i = 0; i < 256; ++i) {
        table[i] = FRGB{i | (i << 8) | (0x80u << 16)};
        tableAlpha[i] = FRGBA{i | (0x40u << 24)};
    }
    FDTDefineBitsLossless opaque(3, 3, 2, 256, table.data(), pixels.data());
    FDTDefineBitsLossless2 withAlpha(3, 3, 2, 256, tableAlpha.data(), pixels.data());
    for (auto [tag, entry] : {std::pair{Encode(opaque), 3}, {Encode(withAlpha), 4}}) {
        EXPECT_EQ(tag[13], 255) << "colour table size - 1";
        const Bytes raw = Inflate(Bytes(tag.begin() + 14, tag.end()), 256 * entry + 8);
        ASSERT_EQ(raw.size(), 256u * entry + 8);
        EXPECT_EQ(Bytes(raw.end() - 8, raw.end()), pixels);
        const Bytes second(raw.begin() + entry, raw.begin() + 2 * entry);
        EXPECT_EQ(second, entry == 3 ? Hex("01 01 80") : Hex("01 00 00 40"));
    }

    // 16- and 32-bit bitmaps have no table size byte: the data follows the height.
    const Bytes rgb555 = Hex("7C 00 03 E0");
    FDTDefineBitsLossless sixteen(4, 2, 1, 0, nullptr, rgb555.data());
    const Bytes tag = Encode(sixteen);
    EXPECT_EQ(Inflate(Bytes(tag.begin() + 13, tag.end()), 4), rgb555);
}

TEST(SwfBitmaps, BadLosslessParametersAreRefusedWithoutTakingAnID) {
    FObjCollection::ResetCharacterID();
    const Bytes pixels(64);
    EXPECT_THROW(FDTDefineBitsLossless(6, 1, 1, 0, nullptr, pixels.data()), std::invalid_argument);
    EXPECT_THROW(FDTDefineBitsLossless(3, 1, 1, 0, nullptr, pixels.data()), std::invalid_argument);
    EXPECT_THROW(FDTDefineBitsLossless2(5, 2, 2, 0, nullptr, nullptr), std::invalid_argument);
    EXPECT_THROW(FDTDefineBitsLossless2(5, 70000, 1, 0, nullptr, pixels.data()),
                 std::invalid_argument);
    EXPECT_EQ(FObjCollection::CurrentCharacterID(), 0);
}

TEST(SwfBitmaps, JpegTagsWrapTheirDataInMarkers) {
    FObjCollection::ResetCharacterID();
    FDTDefineBitsJPEG2 jpeg2(new uint8_t[2]{0xAB, 0xCD}, 2);
    EXPECT_EQ(ToHex(Encode(jpeg2)), "4A 05 01 00 FF D9 FF D8 AB CD FF D9");

    auto* jpeg = new uint8_t[1000]();
    FDTDefineBitsJPEG3 jpeg3(jpeg, 1000, new uint8_t[3]{1, 2, 3}, 3);
    const Bytes tag = Encode(jpeg3);
    ASSERT_EQ(tag.size(), 6u + 2 + 4 + 4 + 1000 + 2 + 3);
    EXPECT_EQ(ToHex(Bytes(tag.begin() + 6, tag.begin() + 16)), "02 00 EE 03 00 00 FF D9 FF D8");
    EXPECT_EQ(ToHex(Bytes(tag.end() - 5, tag.end())), "FF D9 01 02 03");

    FDTJPEGTables tables(2, new uint8_t[2]{0xFF, 0xD8});
    EXPECT_EQ(tables.ID(), 0);
    EXPECT_EQ(ToHex(Encode(tables)), "02 02 FF D8");
    FDTDefineBits bits(1, new uint8_t[1]{7});
    EXPECT_EQ(ToHex(Encode(bits)), "83 01 03 00 07");
    FObjCollection::ResetCharacterID();
}

}  // namespace
