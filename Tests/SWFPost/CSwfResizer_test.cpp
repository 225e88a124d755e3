#include "SWFPost/CSwfResizer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <tuple>

#include "SWF/FDTDefineShape.h"
#include "SWF/FObjCollection.h"
#include "SwfPostFiles.h"

using namespace swfpost;
using swftest::Hex;
using swftest::ToHex;
using SwfRect = CSwfResizer::CSwfRect;

namespace {

class CSwfResizerTest : public ::testing::Test {
  protected:
    void TearDown() override { m_file.Close(); }

    // Opens a file holding `bytes`.
    CFile& Open(const Bytes& bytes) {
        const std::string path = m_dir.file("f" + std::to_string(m_count++));
        mvdtest::WriteFileBytes(path, bytes);
        EXPECT_TRUE(m_file.Open(Path(path), CFile::modeReadWrite));
        return m_file;
    }

    Bytes Contents() {
        const unsigned long long pos = m_file.GetPosition();
        Bytes bytes(m_file.GetLength());
        m_file.Seek(0, CFile::begin);
        m_file.Read(bytes.data(), static_cast<unsigned int>(bytes.size()));
        m_file.Seek(static_cast<long long>(pos), CFile::begin);
        return bytes;
    }

    mvdtest::TempDir m_dir;
    CFile m_file;
    int m_count = 0;
};

TEST_F(CSwfResizerTest, TagHeadersReadBothForms) {
    CFile& file = Open(Hex("3F 03 10 00 00 00  43 02  7F 02 FF"));
    unsigned short code = 0;
    unsigned char shortLength = 0;
    unsigned int longLength = 99;
    EXPECT_EQ(CSwfResizer::ReadTagHeader(&file, code, shortLength, longLength), 6);
    EXPECT_EQ(std::tie(code, shortLength, longLength), std::make_tuple(12, 63, 16u));
    longLength = 99;
    EXPECT_EQ(CSwfResizer::ReadTagHeader(&file, code, shortLength, longLength), 2);
    EXPECT_EQ(std::tie(code, shortLength, longLength), std::make_tuple(9, 3, 99u));
    // A long header cut short: nothing read, position kept.
    EXPECT_EQ(CSwfResizer::ReadTagHeader(&file, code, shortLength, longLength), 0);
    EXPECT_EQ(file.GetPosition(), 8u);
}

TEST_F(CSwfResizerTest, TagHeadersWriteTheFormTheLengthNeeds) {
    const struct {
        unsigned short code;
        unsigned char shortLength;
        unsigned int longLength;
        int size;
        const char* hex;
    } cases[] = {
        {9, 3, 0, 2, "43 02"},
        {777, 62, 0, 2, "7E C2"},
        {12, 63, 16, 6, "3F 03 10 00 00 00"},
        {20, 10, 0, 6, "3F 05 0A 00 00 00"},  // always long
        {19, 0, 0, 6, "FF 04 00 00 00 00"},
        {36, 5, 0, 6, "3F 09 05 00 00 00"},
        {12, 100, 0, 6, "3F 03 64 00 00 00"},  // a length over 63 is kept whole
        {1024, 3, 0, 0, ""},                   // no room for the code
    };
    for (const auto& c : cases) {
        CFile& file = Open({});
        EXPECT_EQ(CSwfResizer::WriteTagHeader(&file, c.code, c.shortLength, c.longLength), c.size)
            << c.hex;
        EXPECT_EQ(ToHex(Contents()), c.hex);
    }
}

TEST_F(CSwfResizerTest, RectanglesWrittenInTwipsReadInPixels) {
    SwfRect rect;
    ASSERT_TRUE(CSwfResizer::ResizeRect(rect, 550, 400));
    EXPECT_EQ(rect.m_nBits, 15);
    EXPECT_EQ(rect.GetByteSize(), 9);
    EXPECT_EQ(std::tie(rect.m_xMin, rect.m_xMax, rect.m_yMin, rect.m_yMax),
              std::make_tuple(0, 11000, 0, 8000));

    CFile& file = Open({});
    ASSERT_TRUE(CSwfResizer::WriteRect(&file, rect));
    const Bytes written = Contents();
    EXPECT_EQ(ToHex(written), "78 00 05 5F 00 00 0F A0 00");
    file.Write("\x12\x34", 2);
    file.Seek(0, CFile::begin);
    SwfRect read;
    ASSERT_TRUE(CSwfResizer::ReadRect(&file, read));
    EXPECT_EQ(file.GetPosition(), 9u);
    EXPECT_EQ(std::tie(read.m_nBits, read.m_xMin, read.m_xMax, read.m_yMin, read.m_yMax),
              std::make_tuple(15, 0, 550, 0, 400));

    // Negative values survive, divided towards zero.
    SwfRect negative(10, -419, 419, -1, 0);
    CFile& again = Open({});
    ASSERT_TRUE(CSwfResizer::WriteRect(&again, negative));
    again.Seek(0, CFile::begin);
    ASSERT_TRUE(CSwfResizer::ReadRect(&again, read));
    EXPECT_EQ(std::tie(read.m_nBits, read.m_xMin, read.m_xMax, read.m_yMin, read.m_yMax),
              std::make_tuple(10, -20, 20, 0, 0));
}

TEST_F(CSwfResizerTest, RectangleFailuresChangeNothing) {
    SwfRect rect(15, 1, 2, 3, 4);
    CFile& file = Open(Hex("78 00 05 5F 00 00 0F A0"));  // one byte short
    EXPECT_FALSE(CSwfResizer::ReadRect(&file, rect));
    EXPECT_EQ(file.GetPosition(), 0u);
    EXPECT_EQ(rect.m_xMin, 1);

    CFile& out = Open({});
    SwfRect tooWide(32, 0, 0, 0, 0);
    SwfRect doesNotFit(4, 0, 8, 0, 0);
    EXPECT_FALSE(CSwfResizer::WriteRect(&out, tooWide));
    EXPECT_FALSE(CSwfResizer::WriteRect(&out, doesNotFit));
    EXPECT_TRUE(Contents().empty());

    EXPECT_FALSE(CSwfResizer::ResizeRect(rect, -1, 10));
    EXPECT_FALSE(CSwfResizer::ResizeRect(rect, 1 << 26, 10));
    EXPECT_EQ(rect.m_nBits, 15);
}

TEST(CSwfRectTest, FieldSizes) {
    const struct {
        SwfRect rect;
        unsigned char bits;
    } cases[] = {
        {SwfRect(0, 0, 0, 0, 0), 2},        {SwfRect(0, 0, 1, 0, 0), 2},
        {SwfRect(0, 0, 2, 0, 0), 3},        {SwfRect(0, -1, 0, 0, 0), 2},
        {SwfRect(0, 0, 0, -3, 0), 3},       {SwfRect(0, 0, 0, 0, 12800), 15},
        {SwfRect(0, 0, 0, 0, 1 << 30), 32},
    };
    for (auto c : cases) {
        EXPECT_EQ(c.rect.CalcFieldSize(0), c.bits) << c.rect.m_yMin << " " << c.rect.m_yMax;
        EXPECT_EQ(c.rect.m_nBits, 0);
        c.rect.CalcFieldSize(1);
        EXPECT_EQ(c.rect.m_nBits, c.bits);
    }
}

TEST(CSwfResizerBits, PackUnpackAndNumbers) {
    unsigned char buffer[4] = {0xFF, 0xFF, 0xFF, 0x5A};
    unsigned int bytePos = 0;
    unsigned int bitPos = 0;
    // Ors into the byte it starts in and clears each byte it moves to.
    buffer[0] = 0;
    CSwfResizer::WriteBits(buffer, 3, 5, bytePos, bitPos);
    CSwfResizer::WriteBits(buffer, 13, 0x1FFF, bytePos, bitPos);
    EXPECT_EQ(std::tie(bytePos, bitPos), std::make_tuple(2u, 0u));
    CSwfResizer::WriteBits(buffer, 4, 0x3, bytePos, bitPos);
    EXPECT_EQ(ToHex(Bytes(buffer, buffer + 4)), "BF FF 30 5A");

    unsigned int value = 0;
    bytePos = 0;
    bitPos = 0;
    CSwfResizer::ReadBits(buffer, 3, value, bytePos, bitPos);
    EXPECT_EQ(value, 5u);
    CSwfResizer::ReadBits(buffer, 13, value, bytePos, bitPos);
    EXPECT_EQ(CSwfResizer::ToSignedBits(value, 13), -1);
    CSwfResizer::ReadBits(buffer, 4, value, bytePos, bitPos);
    EXPECT_EQ(value, 3u);
    EXPECT_EQ(std::tie(bytePos, bitPos), std::make_tuple(2u, 4u));

    EXPECT_EQ(CSwfResizer::ToSignedBits(0x10, 5), -16);
    EXPECT_EQ(CSwfResizer::ToSignedBits(0x0F, 5), 15);
    EXPECT_EQ(CSwfResizer::ToSignedBits(0xFFFFFFF0, 32), -16);
    EXPECT_EQ(CSwfResizer::ToSignedBits(0xFF, 0), 0);

    unsigned char bytes[6] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    EXPECT_EQ(CSwfResizer::ByteToUnsignedNumber(bytes, 2), 0x2211u);
    EXPECT_EQ(CSwfResizer::ByteToUnsignedNumber(bytes, 6), 0x44332211u);
    EXPECT_EQ(CSwfResizer::ByteToUnsignedNumber(bytes, 0), 0u);
    EXPECT_EQ(CSwfResizer::UnsignedNumberToByte(0xA1B2C3D4, 6, bytes), bytes);
    EXPECT_EQ(ToHex(Bytes(bytes, bytes + 6)), "D4 C3 B2 A1 00 00");
}

// A DefineShape tag (of `code`) with an ID and the given bounds, in twips.
Bytes ShapeTag(uint16_t code, int width, int height) {
    FSWFStream bounds;
    FRect(0, 0, width, height).WriteToSWFStream(&bounds);
    return Tag(code, Cat({Bytes{0x01, 0x00}, swftest::StreamBytes(bounds), Bytes{0x00}}));
}

TEST_F(CSwfResizerTest, FindShapeReturnsTheLargestAndKeepsThePosition) {
    const Bytes before = Cat({Tag(9, {1, 2, 3}), ShapeTag(2, 2000, 2000)});
    const Bytes tags = Cat({before, ShapeTag(32, 9000, 9000), ShapeTag(22, 4000, 4000),
                            ShapeTag(32, 1, 1), ShowFrame(), End()});
    CFile& file = Open(Cat({Bytes(12, 0), tags}));
    file.Seek(12, CFile::begin);
    EXPECT_EQ(CSwfResizer::FindShape(&file, 0), 12u + before.size());
    EXPECT_EQ(file.GetPosition(), 12u);
    file.Seek(3, CFile::begin);
    EXPECT_EQ(CSwfResizer::FindShape(&file, 12), 12u + before.size());
    EXPECT_EQ(file.GetPosition(), 3u);
}

TEST_F(CSwfResizerTest, FindShapeWithoutShapesOrOnDamageGivesZero) {
    const Bytes shape = ShapeTag(2, 100, 100);
    const struct {
        const char* what;
        Bytes tags;
    } cases[] = {
        {"no shapes", Cat({Tag(9, {1, 2, 3}), ShowFrame(), End()})},
        {"no End tag", Cat({shape, ShowFrame()})},
        {"tag past the end", Cat({shape, Hex("45 02 FF")})},
        {"bounds past the shape tag", Cat({Tag(2, {1, 0, 0xFF}), End()})},
        {"shape without an ID", Cat({Tag(2, {1}), End()})},
    };
    for (const auto& c : cases) {
        CFile& file = Open(Cat({Bytes{0}, c.tags}));
        file.Seek(1, CFile::begin);
        EXPECT_EQ(CSwfResizer::FindShape(&file, 0), 0u) << c.what;
        EXPECT_EQ(file.GetPosition(), 1u) << c.what;
    }
}

TEST_F(CSwfResizerTest, ResizeIsNotOffered) {
    const std::string in = m_dir.file("in.swf");
    const std::string out = m_dir.file("out.swf");
    const Bytes movie = Movie(100, 100, Cat({ShowFrame(), End()}));
    mvdtest::WriteFileBytes(in, movie);
    CString inPath = Path(in);
    CString outPath = Path(out);
    CSwfResizer resizer;
    EXPECT_FALSE(resizer.Resize(inPath, outPath, 50, 50, 0));
    EXPECT_EQ(mvdtest::ReadFileBytes(in), movie);
    EXPECT_FALSE(std::ifstream(out).good());
}

}  // namespace
