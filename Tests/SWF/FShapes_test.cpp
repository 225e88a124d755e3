#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "SWF/FDTDefineShape.h"
#include "SWF/FObjCollection.h"
#include "SwfBytes.h"

using swftest::BitReader;
using swftest::Bytes;
using swftest::Encode;
using swftest::Hex;
using swftest::ToHex;

namespace {

// One edge as a reader of the file sees it.
struct Edge {
    bool straight;
    int32_t a, b, c, d;  // straight: dx, dy; curved: control dx, dy, anchor dx, dy
    uint32_t bits;
};

// Reads edge records up to the end record; style changes are skipped
// (only moves without styles are expected here).
std::vector<Edge> ReadEdges(BitReader& r) {
    std::vector<Edge> edges;
    for (;;) {
        if (r.Bits(1) == 0) {
            const uint32_t flags = r.Bits(5);
            if (flags == 0) {
                return edges;
            }
            if (flags & 1) {
                const uint32_t n = r.Bits(5);
                r.Signed(n);
                r.Signed(n);
            }
            continue;
        }
        Edge e{r.Bits(1) == 1, 0, 0, 0, 0, 0};
        e.bits = r.Bits(4) + 2;
        if (!e.straight) {
            e.a = r.Signed(e.bits);
            e.b = r.Signed(e.bits);
            e.c = r.Signed(e.bits);
            e.d = r.Signed(e.bits);
        } else if (r.Bits(1) == 1) {
            e.a = r.Signed(e.bits);
            e.b = r.Signed(e.bits);
        } else if (r.Bits(1) == 1) {
            e.b = r.Signed(e.bits);
        } else {
            e.a = r.Signed(e.bits);
        }
        edges.push_back(e);
    }
}

std::vector<Edge> EdgesOf(FShapeRec* record) {
    FShape shape;
    shape.AddShapeRec(record);
    const Bytes bytes = Encode(shape);
    BitReader r(bytes);
    r.Bits(8);  // index widths
    return ReadEdges(r);
}

TEST(SwfShapes, BitmapRectangleGoldenBytes) {
    FObjCollection::ResetCharacterID();
    FDTDefineShape3 shape(new FRect(0, 0, 200, 100));
    EXPECT_EQ(shape.AddFillStyle(
                  new FFillStyleBitmap(0, 5, new FMatrix(1, 0x140000, 0x140000, 0, 0, 0, 0, 0))),
              1u);
    shape.FinishStyleArrays();
    shape.AddShapeRec(new FShapeRecChange(0, 0, 1, 0, 1, 200, 100, 0, 1, 0, nullptr, nullptr));
    for (auto [dx, dy] : {std::pair{-200, 0}, {0, -100}, {200, 0}, {0, 100}}) {
        shape.AddShapeRec(new FShapeRecEdgeStraight(dx, dy));
    }
    shape.AddShapeRec(new FShapeRecEnd());
    EXPECT_EQ(ToHex(Encode(shape)),
              "23 08 01 00 48 01 90 00 32 00 01 41 05 00 D9 40 00 05 00 00 01 00 00 10 15 2C 83 "
              "27 72 71 B3 39 B8 C8 D9 64 00");
    FObjCollection::ResetCharacterID();
}

TEST(SwfShapes, MorphShapeGoldenBytesWithOffsetToEndEdges) {
    FObjCollection::ResetCharacterID();
    FDTDefineMorphShape morph(new FRect(0, 0, 20, 20), new FRect(0, 0, 40, 40));
    morph.AddFillStyle(new FMorphFillStyleSolid(new FColor(255, 0, 0), new FColor(0, 0, 255)));
    morph.FinishStyleArrays();
    morph.AddShapeRec_1(new FShapeRecChange(0, 0, 0, 1, 0, 0, 0, 1, 0, 0, nullptr, nullptr));
    morph.AddShapeRec_1(new FShapeRecEdgeStraight(20, 0));
    morph.AddShapeRec_1(new FShapeRecEnd());
    morph.AddEdgeRec_2(new FShapeRecEdgeStraight(40, 0));
    morph.AddEdgeRec_2(new FShapeRecEnd());
    EXPECT_EQ(ToHex(Encode(morph)),
              "A3 0B 01 00 30 0A 00 A0 38 05 00 14 00 10 00 00 00 01 00 FF 00 00 FF 00 00 FF FF "
              "00 10 0B A0 A0 00 00 D4 50 00");
    FObjCollection::ResetCharacterID();
}

TEST(SwfShapes, ColoursFollowTheShapeVersion) {
    FDTDefineShape rgb(new FRect(0, 0, 0, 0));
    rgb.AddSolidFillStyle(new FColor(1, 2, 3, 4));
    rgb.AddLineStyle(20, new FColor(5, 6, 7, 8));
    FDTDefineShape3 rgba(new FRect(0, 0, 0, 0));
    rgba.AddSolidFillStyle(new FColor(1, 2, 3));
    auto* gradient = new FGradient();
    gradient->Add(new FGradRecord(0, new FColor(9, 9, 9)));
    rgba.AddFillStyle(new FFillStyleGradient(1, nullptr, gradient));
    // ID, empty rect, then the style arrays.
    const Bytes a = Encode(rgb);
    EXPECT_EQ(ToHex(Bytes(a.begin() + 6, a.end() - 2)), "01 00 01 02 03 01 14 00 05 06 07");
    const Bytes b = Encode(rgba);
    EXPECT_EQ(ToHex(Bytes(b.begin() + 6, b.end() - 2)),
              "02 00 01 02 03 FF 10 00 01 00 09 09 09 FF 00");
}

TEST(SwfShapes, StyleArrayCountsAndLimits) {
    FFillStyleArray small;
    for (int i = 0; i < 254; ++i) {
        small.Add(new FFillStyleSolid(new FColor(0, 0, 0)));
    }
    EXPECT_EQ(Encode(small)[0], 0xFE);
    EXPECT_EQ(small.Add(new FFillStyleSolid(new FColor(0, 0, 0))), 255u);
    const Bytes extended = Encode(small);
    EXPECT_EQ(ToHex(Bytes(extended.begin(), extended.begin() + 3)), "FF FF 00");

    // 32768 styles need 16-bit indices: the shape refuses them.
    FDTDefineShape2 shape(new FRect(0, 0, 0, 0));
    for (int i = 0; i < 32768; ++i) {
        shape.AddSolidFillStyle(new FColor(0, 0, 0));
    }
    EXPECT_THROW(shape.FinishStyleArrays(), std::length_error);

    FLineStyleArray lines;
    for (uint32_t i = 0; i < FLineStyleArray::kMaxStyles; ++i) {
        lines.Add(new FLineStyle(1, new FColor(0, 0, 0)));
    }
    EXPECT_THROW(lines.Add(new FLineStyle(1, new FColor(0, 0, 0))), std::length_error);
}

TEST(SwfShapes, BuildingOrderAndIndexWidthsAreEnforced) {
    FDTDefineShape3 shape(new FRect(0, 0, 0, 0));
    EXPECT_THROW(shape.AddShapeRec(new FShapeRecEnd()), std::logic_error);
    shape.AddSolidFillStyle(new FColor(0, 0, 0));
    shape.FinishStyleArrays();
    EXPECT_THROW(shape.AddSolidFillStyle(new FColor(0, 0, 0)), std::logic_error);
    // Fill style 2 of a one-style shape does not fit its 1-bit index.
    shape.AddShapeRec(new FShapeRecChange(0, 0, 0, 1, 0, 0, 0, 2, 0, 0, nullptr, nullptr));
    EXPECT_THROW(Encode(shape), std::range_error);

    // A shape without records still ends with an end record.
    FDTDefineShape empty(new FRect(0, 0, 0, 0));
    const Bytes e = Encode(empty);
    EXPECT_EQ(ToHex(Bytes(e.end() - 4, e.end())), "00 00 00 00");  // arrays, widths, end
}

// Horizontal and vertical forms are in the rectangle's golden bytes.
TEST(SwfShapes, StraightEdgesPickTheirForm) {
    const struct {
        int32_t dx, dy;
        uint32_t bits;
    } cases[] = {{3, -4, 4}, {0, 0, 2}, {65535, -65535, 17}};
    for (const auto& c : cases) {
        const std::vector<Edge> edges = EdgesOf(new FShapeRecEdgeStraight(c.dx, c.dy));
        ASSERT_EQ(edges.size(), 1u);
        EXPECT_EQ(std::tie(edges[0].straight, edges[0].a, edges[0].b, edges[0].bits),
                  std::make_tuple(true, c.dx, c.dy, c.bits))
            << c.dx << "," << c.dy;
    }
}

TEST(SwfShapes, LongEdgesSplitIntoPiecesThatAddUp) {
    const std::vector<Edge> line = EdgesOf(new FShapeRecEdgeStraight(200001, -70000));
    EXPECT_EQ(line.size(), 4u);
    int64_t x = 0, y = 0;
    for (const Edge& e : line) {
        EXPECT_TRUE(e.straight);
        EXPECT_LE(e.bits, 17u);
        x += e.a;
        y += e.b;
    }
    EXPECT_EQ(x, 200001);
    EXPECT_EQ(y, -70000);

    const std::vector<Edge> curve = EdgesOf(new FShapeRecEdgeCurved(300000, 0, 0, 300000));
    ASSERT_GT(curve.size(), 1u);
    int64_t px = 0, py = 0;
    for (const Edge& e : curve) {
        EXPECT_FALSE(e.straight);
        EXPECT_LE(e.bits, 17u);
        px += e.a + e.c;
        py += e.b + e.d;
        // Every anchor lies on the original curve (x = 2t(1-t)C + t^2 A).
        const double t = 1 - std::sqrt(1 - static_cast<double>(px) / 300000);
        EXPECT_NEAR(static_cast<double>(py), t * t * 300000, 2.0);
    }
    EXPECT_EQ(px, 300000);
    EXPECT_EQ(py, 300000);
}

}  // namespace
