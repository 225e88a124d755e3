#include "SWF/FSWFStream.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>

#include "SwfBytes.h"

using swftest::Bytes;
using swftest::Hex;
using swftest::StreamBytes;

namespace {

struct BitCase {
    const char* name;
    std::vector<std::pair<uint32_t, uint32_t>> fields;  // value, bit count
    const char* hex;
};

TEST(FSWFStream, BitFieldsPackMostSignificantFirst) {
    const BitCase cases[] = {
        {"three bits", {{5, 3}}, "A0"},
        {"nine bits", {{0x1FF, 9}}, "FF 80"},
        {"zero bits write nothing", {{1, 1}, {7, 0}, {0x7F, 7}}, "FF"},
        {"high bits ignored", {{0xFFFFFFF2, 4}}, "20"},
        {"negative as two's complement", {{static_cast<uint32_t>(-3), 4}}, "D0"},
        {"whole word", {{0xDEADBEEF, 32}}, "DE AD BE EF"},
        {"word across bytes", {{1, 1}, {0xFFFFFFFF, 32}}, "FF FF FF FF 80"},
        {"bytes continue mid-byte", {{1, 4}, {0xAB, 8}}, "1A B0"},
    };
    for (const BitCase& c : cases) {
        FSWFStream s;
        for (auto [value, bits] : c.fields) {
            s.WriteBits(value, bits);
        }
        s.FlushBits();
        EXPECT_EQ(StreamBytes(s), Hex(c.hex)) << c.name;
    }
    FSWFStream s;
    EXPECT_THROW(s.WriteBits(0, 33), std::invalid_argument);
}

TEST(FSWFStream, TagHeadersShortAndLong) {
    const struct {
        uint16_t code;
        uint32_t length;
        const char* header;
    } cases[] = {
        {12, 62, "3E 03"},              // longest short form
        {12, 63, "3F 03 3F 00 00 00"},  // first long form
        {20, 10, "3F 05 0A 00 00 00"},  // DefineBitsLossless: always long
        {700, 70000, "3F AF 70 11 01 00"},
    };
    for (const auto& c : cases) {
        FSWFStream body;
        for (uint32_t i = 0; i < c.length; ++i) {
            body.WriteByte(i);
        }
        FSWFStream out;
        out.AppendTag(c.code, body.Size(), &body);
        Bytes bytes = StreamBytes(out);
        const Bytes header = Hex(c.header);
        ASSERT_EQ(bytes.size(), header.size() + c.length) << c.code;
        EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + header.size()), header) << c.code;
        EXPECT_EQ(FSWFStream::TagHeaderSize(c.code, c.length), header.size());
    }
}

TEST(FSWFStream, AppendTagRefusesALengthThatDisagreesWithItsBody) {
    FSWFStream body;
    body.WriteWord(1);
    FSWFStream out;
    EXPECT_THROW(out.AppendTag(12, 3, &body), std::logic_error);
    FSWFStream out2;
    EXPECT_THROW(out2.AppendTag(1024, 0, nullptr), std::invalid_argument);
}

TEST(FSWFStream, LargeDataIsInterleavedAtItsOffsetAndMovedByAppend) {
    Bytes big(1000);
    for (size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<uint8_t>(i * 7);
    }
    const Bytes small = Hex("AA BB");
    FSWFStream s;
    for (int i = 0; i < 4; ++i)
        s.WriteByte(i);
    s.WriteLargeData(big.data(), 1000);
    s.WriteLargeData(small.data(), 2);  // same offset: emitted in order
    for (int i = 4; i < 10; ++i)
        s.WriteByte(i);
    EXPECT_EQ(s.Size(), 1012u);

    Bytes expected = Hex("00 01 02 03");
    expected.insert(expected.end(), big.begin(), big.end());
    expected.insert(expected.end(), small.begin(), small.end());
    for (int i = 4; i < 10; ++i)
        expected.push_back(static_cast<uint8_t>(i));
    EXPECT_EQ(StreamBytes(s), expected);
    EXPECT_EQ(StreamBytes(s), expected) << "a second write-out gives the same bytes";

    // Appending at an odd bit position shifts the buffer bytes but moves the
    // references as they are; the source keeps only its buffer bytes.
    FSWFStream out;
    out.WriteByte(0xEE);
    out.Append(&s);
    EXPECT_EQ(s.Size(), 10u);
    Bytes withPrefix = Hex("EE");
    withPrefix.insert(withPrefix.end(), expected.begin(), expected.end());
    EXPECT_EQ(StreamBytes(out), withPrefix);

    // The checked copy refuses a short destination (files with large data
    // are written and read back by the movie tests).
    Bytes shortBuffer(withPrefix.size() - 1);
    EXPECT_FALSE(out.WriteToMemory(std::span<uint8_t>(shortBuffer)));
}

TEST(FSWFStream, RefusesContentBeyondFourGigabytes) {
    static const uint8_t byte = 0;
    FSWFStream s;
    s.WriteLargeData(&byte, 0xFFFFFFFFu);  // only recorded, never read
    EXPECT_EQ(s.Size(), 0xFFFFFFFFu);
    s.WriteByte(1);
    EXPECT_THROW(s.Size(), std::length_error);
    EXPECT_THROW(s.WriteLargeData(&byte, 1), std::length_error);
}

TEST(FSWFStream, OverwriteStaysInsideTheBuffer) {
    FSWFStream s;
    s.WriteWord(0);
    s.OverwriteBytes(0, Hex("12 34"));
    EXPECT_EQ(StreamBytes(s), Hex("12 34"));
    EXPECT_THROW(s.OverwriteBytes(1, Hex("12 34")), std::out_of_range);
}

}  // namespace
