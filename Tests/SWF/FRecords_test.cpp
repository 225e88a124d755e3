#include <gtest/gtest.h>

#include <functional>

#include "SWF/FCXForm.h"
#include "SWF/FColor.h"
#include "SWF/FMatrix.h"
#include "SWF/FRect.h"
#include "SWF/FString.h"
#include "SwfBytes.h"

using swftest::Encode;
using swftest::Hex;
using swftest::ToHex;

namespace {

struct RecordCase {
    const char* name;
    std::function<swftest::Bytes()> encode;
    const char* hex;
};

template <typename T, typename... Args>
std::function<swftest::Bytes()> Of(Args... args) {
    return [=] {
        T record(args...);
        return Encode(record);
    };
}

swftest::Bytes StringBytes(const char* text, bool terminate) {
    FString s(text);
    FSWFStream stream;
    s.WriteToSWFStream(&stream, terminate);
    return swftest::StreamBytes(stream);
}

TEST(SwfRecords, GoldenBytes) {
    const RecordCase cases[] = {
        {"rgb", Of<FColor>(1u, 2u, 3u), "01 02 03"},
        {"rgba", Of<FColor>(1u, 2u, 3u, 4u), "01 02 03 04"},
        {"packed rgb", Of<FColor>(FRGB{0x00332211}), "11 22 33"},
        {"packed rgba", Of<FColor>(FRGBA{0x44332211}), "11 22 33 44"},
        {"rect", Of<FRect>(-10, 0, 10, 15), "2D 94 07 80"},
        {"empty rect", Of<FRect>(0, 0, 0, 0), "08 00"},
        {"identity matrix", Of<FMatrix>(), "00"},
        {"full matrix", Of<FMatrix>(1u, 0x10000, 0x10000, 1u, 1, -1, 200, -40),
         "C9 00 00 40 00 22 74 B2 3B 00"},
        {"translate only", Of<FMatrix>(0u, 0, 0, 0u, 0, 0, 200, -40), "12 C8 EC 00"},
        {"zero cxform", Of<FCXForm>(0u, 0u, 0, 0, 0, 0, 0, 0), "04"},
        {"zero cxform with alpha", Of<FCXFormWAlpha>(0u, 0u, 0, 0, 0, 0, 0, 0, 0, 0), "04"},
        {"multiply only", Of<FCXForm>(1u, 0u, 1, 2, 3, 0, 0, 0), "4C A6"},
        {"multiply and add", Of<FCXForm>(1u, 1u, 1, 2, 3, -4, -5, 6), "D0 48 F2 D8"},
        {"string", [] { return StringBytes("ab", true); }, "61 62 00"},
        {"unterminated empty string", [] { return StringBytes("", false); }, ""},
        {"terminated empty string", [] { return StringBytes(nullptr, true); }, "00"},
    };
    for (const RecordCase& c : cases) {
        EXPECT_EQ(ToHex(c.encode()), ToHex(Hex(c.hex))) << c.name;
    }
}

TEST(SwfRecords, ValuesBeyondTheirBitCountFieldAreRefused) {
    // A magnitude of 2^30 needs 32 bits with the sign: more than 5 bits can say.
    EXPECT_THROW(Of<FRect>(0, 0, 1 << 30, 0)(), std::range_error);
    EXPECT_THROW(Of<FMatrix>(0u, 0, 0, 0u, 0, 0, INT32_MIN, 0)(), std::range_error);
    EXPECT_THROW(Of<FCXForm>(1u, 0u, 1 << 14, 0, 0, 0, 0, 0)(), std::range_error);
    EXPECT_NO_THROW(Of<FRect>(0, 0, (1 << 30) - 1, 0)());
}

}  // namespace
