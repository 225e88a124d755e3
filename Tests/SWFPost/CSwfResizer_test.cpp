#include "SWFPost/CSwfResizer.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "SWF/FRect.h"
#include "SwfPostFiles.h"

using namespace swfpost;
using swftest::Hex;
using swftest::ToHex;
using SwfRect = CSwfResizer::CSwfRect;

namespace {

auto Values(const SwfRect& r) {
    return std::make_tuple(int{r.m_nBits}, r.m_xMin, r.m_xMax, r.m_yMin, r.m_yMax);
}

class CSwfResizerTest : public ::testing::Test {
  protected:
    void TearDown() override { m_file.Close(); }
    // A file holding `bytes`, at position `pos`.
    CFile& Open(const Bytes& bytes, long long pos = 0) {
        const std::string path = m_dir.file("f" + std::to_string(m_count++));
        mvdtest::WriteFileBytes(path, bytes);
        EXPECT_TRUE(m_file.Open(Path(path), CFile::modeReadWrite));
        m_file.Seek(pos, CFile::begin);
        return m_file;
    }
    Bytes Contents() {
        Bytes bytes(m_file.GetLength());
        m_file.Seek(0, CFile::begin);
        m_file.Read(bytes.data(), static_cast<unsigned int>(bytes.size()));
        return bytes;
    }

    mvdtest::TempDir m_dir;
    CFile m_file;
    int m_count = 0;
};

TEST_F(CSwfResizerTest, TagHeadersBothWays) {
    CFile& file = Open(Hex("3F 03 10 00 00 00  43 02  7F 02 FF"));
    unsigned short code = 0;
    unsigned char shortLength = 0;
    unsigned int longLength = 99;
    EXPECT_EQ(CSwfResizer::ReadTagHeader(&file, code, shortLength, longLength), 6);
    EXPECT_EQ(std::tie(code, shortLength, longLength), std::make_tuple(12, 63, 16u));
    longLength = 99;
    EXPECT_EQ(CSwfResizer::ReadTagHeader(&file, code, shortLength, longLength), 2);
    EXPECT_EQ(std::tie(code, shortLength, longLength), std::make_tuple(9, 3, 99u));
    EXPECT_EQ(CSwfResizer::ReadTagHeader(&file, code, shortLength, longLength), 0);  // cut
    EXPECT_EQ(file.GetPosition(), 8u);

    const std::tuple<unsigned short, unsigned char, unsigned int, const char*> writes[] = {
        {9, 3, 0, "43 02"},
        {777, 62, 0, "7E C2"},
        {12, 63, 16, "3F 03 10 00 00 00"},
        {20, 10, 0, "3F 05 0A 00 00 00"},  // these three always take the long form
        {19, 0, 0, "FF 04 00 00 00 00"},
        {36, 5, 0, "3F 09 05 00 00 00"},
        {12, 100, 0, "3F 03 64 00 00 00"},  // a length above 63 is kept whole
        {1024, 3, 0, ""},                   // no room for the code
    };
    for (const auto& [c, s, l, hex] : writes) {
        CFile& out = Open({});
        EXPECT_EQ(CSwfResizer::WriteTagHeader(&out, c, s, l), static_cast<int>(Hex(hex).size()));
        EXPECT_EQ(ToHex(Contents()), hex);
    }
}

TEST_F(CSwfResizerTest, RectanglesWrittenInTwipsReadInPixels) {
    SwfRect rect;
    ASSERT_TRUE(CSwfResizer::ResizeRect(rect, 550, 400));
    EXPECT_EQ(Values(rect), std::make_tuple(15, 0, 11000, 0, 8000));
    EXPECT_EQ(rect.GetByteSize(), 9);
    CFile& file = Open({});
    ASSERT_TRUE(CSwfResizer::WriteRect(&file, rect));
    file.Write("\x12\x34", 2);
    EXPECT_EQ(ToHex(Contents()), "78 00 05 5F 00 00 0F A0 00 12 34");
    file.Seek(0, CFile::begin);
    ASSERT_TRUE(CSwfResizer::ReadRect(&file, rect));
    EXPECT_EQ(file.GetPosition(), 9u);
    EXPECT_EQ(Values(rect), std::make_tuple(15, 0, 550, 0, 400));

    SwfRect negative(10, -419, 419, -1, 0);
    ASSERT_TRUE(CSwfResizer::WriteRect(&Open({}), negative));
    m_file.Seek(0, CFile::begin);
    ASSERT_TRUE(CSwfResizer::ReadRect(&m_file, rect));
    EXPECT_EQ(Values(rect), std::make_tuple(10, -20, 20, 0, 0));  // towards zero

    // Failures change nothing.
    EXPECT_FALSE(CSwfResizer::ReadRect(&Open(Hex("78 00 05 5F 00 00 0F A0")), rect));
    EXPECT_EQ(m_file.GetPosition(), 0u);
    SwfRect tooWide(32, 0, 0, 0, 0);
    SwfRect doesNotFit(4, 0, 8, 0, 0);
    EXPECT_FALSE(CSwfResizer::WriteRect(&Open({}), tooWide));
    EXPECT_FALSE(CSwfResizer::WriteRect(&m_file, doesNotFit));
    EXPECT_TRUE(Contents().empty());
    EXPECT_FALSE(CSwfResizer::ResizeRect(rect, -1, 10));
    EXPECT_FALSE(CSwfResizer::ResizeRect(rect, 1 << 26, 10));
    EXPECT_EQ(Values(rect), std::make_tuple(10, -20, 20, 0, 0));
}

TEST(CSwfResizerBits, FieldSizesPackingAndNumbers) {
    const std::pair<SwfRect, int> sizes[] = {
        {SwfRect(0, 0, 0, 0, 0), 2},        {SwfRect(0, 0, 2, 0, 0), 3},
        {SwfRect(0, -1, 0, 0, 0), 2},       {SwfRect(0, 0, 0, -3, 0), 3},
        {SwfRect(0, 0, 0, 0, 1 << 30), 32},
    };
    for (auto [rect, bits] : sizes) {
        EXPECT_EQ(rect.CalcFieldSize(0), bits);
        EXPECT_EQ(rect.m_nBits, 0);
        rect.CalcFieldSize(1);
        EXPECT_EQ(rect.m_nBits, bits);
    }

    unsigned char buffer[4] = {0x00, 0xFF, 0xFF, 0x5A};
    unsigned int bytePos = 0;
    unsigned int bitPos = 0;
    CSwfResizer::WriteBits(buffer, 3, 5, bytePos, bitPos);
    CSwfResizer::WriteBits(buffer, 13, 0x1FFF, bytePos, bitPos);
    CSwfResizer::WriteBits(buffer, 4, 0x3, bytePos, bitPos);  // into a cleared byte
    EXPECT_EQ(ToHex(Bytes(buffer, buffer + 4)), "BF FF 30 5A");
    unsigned int value = 0;
    bytePos = bitPos = 0;
    CSwfResizer::ReadBits(buffer, 3, value, bytePos, bitPos);
    EXPECT_EQ(value, 5u);
    CSwfResizer::ReadBits(buffer, 13, value, bytePos, bitPos);
    EXPECT_EQ(CSwfResizer::ToSignedBits(value, 13), -1);
    EXPECT_EQ(std::tie(bytePos, bitPos), std::make_tuple(2u, 0u));
    EXPECT_EQ(CSwfResizer::ToSignedBits(0xFF, 0), 0);

    unsigned char bytes[6] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    EXPECT_EQ(CSwfResizer::ByteToUnsignedNumber(bytes, 6), 0x44332211u);
    EXPECT_EQ(CSwfResizer::ByteToUnsignedNumber(bytes, 0), 0u);
    EXPECT_EQ(CSwfResizer::UnsignedNumberToByte(0xA1B2C3D4, 6, bytes), bytes);
    EXPECT_EQ(ToHex(Bytes(bytes, bytes + 6)), "D4 C3 B2 A1 00 00");
}

// A shape tag of `code` with an ID and bounds of width x height twips.
Bytes ShapeTag(uint16_t code, int width, int height) {
    FSWFStream bounds;
    FRect(0, 0, width, height).WriteToSWFStream(&bounds);
    return Tag(code, Cat({Bytes{0x01, 0x00}, swftest::StreamBytes(bounds), Bytes{0x00}}));
}

TEST_F(CSwfResizerTest, FindShapeReturnsTheLargestAndKeepsThePosition) {
    const Bytes before = Cat({Bytes(12, 0), Tag(9, {1, 2, 3}), ShapeTag(2, 2000, 2000)});
    const Bytes file = Cat({before, ShapeTag(32, 9000, 9000), ShapeTag(22, 4000, 4000),
                            ShapeTag(32, 1, 1), ShowFrame(), End()});
    EXPECT_EQ(CSwfResizer::FindShape(&Open(file, 12), 0), before.size());
    EXPECT_EQ(m_file.GetPosition(), 12u);
    EXPECT_EQ(CSwfResizer::FindShape(&Open(file, 3), 12), before.size());
    EXPECT_EQ(m_file.GetPosition(), 3u);

    const Bytes shape = ShapeTag(2, 100, 100);
    const Bytes none[] = {
        Cat({Tag(9, {1, 2, 3}), End()}),     // no shapes
        Cat({shape, ShowFrame()}),           // no End
        Cat({shape, Hex("45 02 FF")}),       // a tag past the end
        Cat({Tag(2, {1, 0, 0xFF}), End()}),  // bounds past the shape tag
        Cat({Tag(2, {1}), End()}),           // no room for the ID
    };
    for (const Bytes& tags : none) {
        EXPECT_EQ(CSwfResizer::FindShape(&Open(Cat({Bytes{0}, tags}), 1), 0), 0u) << ToHex(tags);
        EXPECT_EQ(m_file.GetPosition(), 1u);
    }
}

}  // namespace
