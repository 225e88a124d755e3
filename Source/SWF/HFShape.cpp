#include "SWF/HFShape.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <stdexcept>

#include "SWF/FDTBitmaps.h"
#include "SWF/FSWFStream.h"

namespace {

constexpr int32_t kTwipsPerPixel = 20;
// The gradient square spans -16384..16384 twips before its matrix.
constexpr int64_t kGradientSquare = 32768;

int32_t ToInt32(int64_t value) {
    if (value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max()) {
        throw std::range_error("shape coordinate out of range");
    }
    return static_cast<int32_t>(value);
}

// Scale (16.16) that stretches `from` units over `to` units.
int32_t Scale(int64_t to, int64_t from) {
    return ToInt32(std::max<int64_t>(1, to * 65536 / from));
}

FColor* Color(FRGBA rgba) {
    return new FColor(rgba);
}

}  // namespace

struct HFShape::Bitmap {
    bool jpeg = false;
    uint32_t format = 5;
    uint32_t width = 0;
    uint32_t height = 0;
    bool alpha = false;
    std::vector<FRGBA> table;
    std::vector<uint8_t> bytes;  // the JPEG file or the padded pixel rows
};

HFShape::HFShape(int32_t x, int32_t y, int32_t width, int32_t height)
    : m_x(x), m_y(y), m_width(width), m_height(height) {
    if (width < 0 || height < 0) {
        throw std::invalid_argument("shape with a negative size");
    }
}

HFShape::~HFShape() = default;

void HFShape::SetBounds(int32_t x, int32_t y, int32_t width, int32_t height) {
    m_x = x;
    m_y = y;
    m_width = width;
    m_height = height;
}

void HFShape::SetLineColor(FRGBA color) {
    m_lineColor = color;
}

void HFShape::SetLineWidth(uint32_t width) {
    if (width > 0xFFFF) {
        throw std::out_of_range("line wider than 65535 twips");
    }
    m_lineWidth = width;
}

void HFShape::SetSolidFill(FRGBA color) {
    m_fill = Fill::kSolid;
    m_fillColor = color;
}

void HFShape::SetNoFill() {
    m_fill = Fill::kNone;
}

void HFShape::SetGradient(Fill kind) {
    if (m_fill != kind) {
        m_gradientStops.clear();
    }
    m_fill = kind;
}

void HFShape::AddGradientColor(Fill kind, FRGBA color, uint8_t ratio) {
    SetGradient(kind);
    if (m_gradientStops.size() >= FGradient::kMaxRecords) {
        throw std::length_error("a gradient holds at most 15 colours");
    }
    m_gradientStops.emplace_back(color, ratio);
}

void HFShape::SetLinearFill() {
    SetGradient(Fill::kLinear);
}
void HFShape::SetRadialFill() {
    SetGradient(Fill::kRadial);
}

void HFShape::AddLinearFillColor(FRGBA color, uint8_t ratio) {
    AddGradientColor(Fill::kLinear, color, ratio);
}

void HFShape::AddRadialFillColor(FRGBA color, uint8_t ratio) {
    AddGradientColor(Fill::kRadial, color, ratio);
}

void HFShape::SetLinearFillCenter(int32_t x, int32_t y) {
    SetGradient(Fill::kLinear);
    m_centerSet = true;
    m_centerX = x;
    m_centerY = y;
}

void HFShape::SetRadialFillCenter(int32_t x, int32_t y) {
    SetGradient(Fill::kRadial);
    m_centerSet = true;
    m_centerX = x;
    m_centerY = y;
}

void HFShape::SetBitmapFillJpeg(const uint8_t* jpeg, uint32_t length, uint32_t pixelWidth,
                                uint32_t pixelHeight) {
    if (jpeg == nullptr || length == 0) {
        throw std::invalid_argument("JPEG fill without data");
    }
    auto bitmap = std::make_unique<Bitmap>();
    bitmap->jpeg = true;
    bitmap->width = pixelWidth;
    bitmap->height = pixelHeight;
    bitmap->bytes.assign(jpeg, jpeg + length);
    m_bitmap = std::move(bitmap);
    m_fill = Fill::kJpeg;
}

void HFShape::SetBitmapFillLossless(uint32_t format, uint32_t pixelWidth, uint32_t pixelHeight,
                                    int32_t colorTableSize, const FRGBA* colorTable,
                                    const void* pixels, bool alpha) {
    if (format < 3 || format > 5 || pixels == nullptr || pixelWidth > 0xFFFF ||
        pixelHeight > 0xFFFF) {
        throw std::invalid_argument("lossless fill needs format 3 to 5 and pixels");
    }
    if (format == 3 && (colorTable == nullptr || colorTableSize < 1 || colorTableSize > 256)) {
        throw std::invalid_argument("colour-mapped fill needs a table of 1 to 256 colours");
    }
    auto bitmap = std::make_unique<Bitmap>();
    bitmap->format = format;
    bitmap->width = pixelWidth;
    bitmap->height = pixelHeight;
    bitmap->alpha = alpha;
    if (format == 3) {
        bitmap->table.assign(colorTable, colorTable + colorTableSize);
    }
    const auto* first = static_cast<const uint8_t*>(pixels);
    bitmap->bytes.assign(
        first, first + FDTDefineBitsLosslessBase::RowBytes(format, pixelWidth) * pixelHeight);
    m_bitmap = std::move(bitmap);
    m_fill = Fill::kLossless;
}

void HFShape::SetFillScale(int32_t scaleX, int32_t scaleY) {
    m_fillScaleX = scaleX;
    m_fillScaleY = scaleY;
}

FMatrix* HFShape::CreateMatrix() {
    return new FMatrix(0, 0, 0, 0, 0, 0, m_x, m_y);
}

FDT* HFShape::CreateBitmap() const {
    const Bitmap& b = *m_bitmap;
    if (b.jpeg) {
        auto data = std::make_unique<uint8_t[]>(b.bytes.size());
        std::memcpy(data.get(), b.bytes.data(), b.bytes.size());
        auto* tag = new FDTDefineBitsJPEG2(data.get(), static_cast<uint32_t>(b.bytes.size()));
        data.release();
        return tag;
    }
    const auto tableSize = static_cast<int32_t>(b.table.size());
    if (b.alpha) {
        return new FDTDefineBitsLossless2(b.format, b.width, b.height, tableSize, b.table.data(),
                                          b.bytes.data());
    }
    std::vector<FRGB> rgb;
    for (FRGBA c : b.table) {
        rgb.push_back(FRGB{c.value & 0xFFFFFF});
    }
    return new FDTDefineBitsLossless(b.format, b.width, b.height, tableSize, rgb.data(),
                                     b.bytes.data());
}

FFillStyle* HFShape::CreateFillStyle(uint16_t bitmapID) const {
    switch (m_fill) {
        case Fill::kNone:
            return nullptr;
        case Fill::kSolid:
            return new FFillStyleSolid(Color(m_fillColor));
        case Fill::kLinear:
        case Fill::kRadial: {
            auto gradient = std::make_unique<FGradient>();
            auto stops = m_gradientStops;
            if (stops.empty()) {
                stops = {{FRGBA{0xFFFFFFFF}, 0}, {FRGBA{0xFF000000}, 255}};
            }
            for (auto [color, ratio] : stops) {
                gradient->Add(new FGradRecord(ratio, Color(color)));
            }
            const int32_t cx = m_centerSet ? m_centerX : m_width / 2;
            const int32_t cy = m_centerSet ? m_centerY : m_height / 2;
            auto* matrix = new FMatrix(1, Scale(m_width, kGradientSquare),
                                       Scale(m_height, kGradientSquare), 0, 0, 0, cx, cy);
            return new FFillStyleGradient(m_fill == Fill::kLinear, matrix, gradient.release());
        }
        case Fill::kJpeg:
        case Fill::kLossless: {
            // Bitmap pixels to twips, times the fill scale, from the box's corner.
            auto* matrix =
                new FMatrix(1, ToInt32(int64_t{m_fillScaleX} * kTwipsPerPixel),
                            ToInt32(int64_t{m_fillScaleY} * kTwipsPerPixel), 0, 0, 0, 0, 0);
            return new FFillStyleBitmap(0, bitmapID, matrix);
        }
    }
    return nullptr;
}

FDTDefineShape3* HFShape::FillShapeHeader(uint16_t bitmapID, uint32_t* fillIndex,
                                          uint32_t* lineIndex) {
    const int32_t half = static_cast<int32_t>(m_lineWidth / 2);
    auto shape = std::make_unique<FDTDefineShape3>(new FRect(
        -half, -half, ToInt32(int64_t{m_width} + half), ToInt32(int64_t{m_height} + half)));
    *fillIndex = 0;
    *lineIndex = 0;
    if (FFillStyle* fill = CreateFillStyle(bitmapID)) {
        *fillIndex = shape->AddFillStyle(fill);
    }
    if (m_lineWidth != 0) {
        *lineIndex = shape->AddLineStyle(m_lineWidth, Color(m_lineColor));
    }
    shape->FinishStyleArrays();
    return shape.release();
}

void HFShape::AddOutline(FDTDefineShape3* shape, uint32_t fillIndex, uint32_t lineIndex) {
    shape->AddShapeRec(new FShapeRecChange(0, lineIndex != 0, fillIndex != 0, 0, 1, 0, 0, 0,
                                           fillIndex, lineIndex, nullptr, nullptr));
    shape->AddShapeRec(new FShapeRecEdgeStraight(m_width, 0));
    shape->AddShapeRec(new FShapeRecEdgeStraight(0, m_height));
    shape->AddShapeRec(new FShapeRecEdgeStraight(-m_width, 0));
    shape->AddShapeRec(new FShapeRecEdgeStraight(0, -m_height));
}

uint16_t HFShape::CreateDefinitions(std::list<FObj*>* objects) {
    uint16_t bitmapID = 0;
    if (m_fill == Fill::kJpeg || m_fill == Fill::kLossless) {
        FDT* bitmap = CreateBitmap();
        objects->push_back(bitmap);
        bitmapID = bitmap->ID();
    }
    uint32_t fillIndex = 0;
    uint32_t lineIndex = 0;
    std::unique_ptr<FDTDefineShape3> shape(FillShapeHeader(bitmapID, &fillIndex, &lineIndex));
    AddOutline(shape.get(), fillIndex, lineIndex);
    shape->AddShapeRec(new FShapeRecEnd());
    const uint16_t id = shape->ID();
    objects->push_back(shape.release());
    return id;
}

void HFShape::AddDefinitions(std::list<FObj*>* objects, HFMovie* movie) {
    AddRequiredDefinitions(objects, movie);
    if (NeedsDefinition(movie)) {
        SetCharacterID(CreateDefinitions(objects));
    }
}

void HFShape::AddToObjectList(std::list<FObj*>* objects, HFMovie* movie) {
    AddDefinitions(objects, movie);
    AddPlaceObject2(objects, movie);
}

HFRectangle::HFRectangle(int32_t x, int32_t y, int32_t width, int32_t height)
    : HFShape(x, y, width, height) {}

HFOval::HFOval(int32_t x, int32_t y, int32_t width, int32_t height)
    : HFShape(x, y, width, height) {}

void HFOval::AddOutline(FDTDefineShape3* shape, uint32_t fillIndex, uint32_t lineIndex) {
    // Eight curves of 45 degrees, clockwise on screen from the right-hand
    // end; each control point lies where the tangents at its ends meet.
    constexpr int kSegments = 8;
    const double rx = Width() / 2.0;
    const double ry = Height() / 2.0;
    const double step = 2 * std::numbers::pi / kSegments;
    const double reach = 1 / std::cos(step / 2);
    auto at = [&](double angle, double radius) {
        return std::pair{static_cast<int64_t>(std::lround(rx + rx * radius * std::cos(angle))),
                         static_cast<int64_t>(std::lround(ry + ry * radius * std::sin(angle)))};
    };
    auto [x, y] = at(0, 1);
    shape->AddShapeRec(new FShapeRecChange(0, lineIndex != 0, fillIndex != 0, 0, 1, ToInt32(x),
                                           ToInt32(y), 0, fillIndex, lineIndex, nullptr, nullptr));
    const auto start = std::pair{x, y};
    for (int i = 0; i < kSegments; ++i) {
        const auto [cx, cy] = at((i + 0.5) * step, reach);
        const auto [ax, ay] = i + 1 == kSegments ? start : at((i + 1) * step, 1);
        shape->AddShapeRec(new FShapeRecEdgeCurved(ToInt32(cx - x), ToInt32(cy - y),
                                                   ToInt32(ax - cx), ToInt32(ay - cy)));
        x = ax;
        y = ay;
    }
}

HFCircle::HFCircle(int32_t centerX, int32_t centerY, int32_t radius)
    : HFOval(ToInt32(int64_t{centerX} - radius), ToInt32(int64_t{centerY} - radius),
             ToInt32(2 * int64_t{radius}), ToInt32(2 * int64_t{radius})) {}

HFBitmap::HFBitmap(int32_t x, int32_t y, uint32_t pixelWidth, uint32_t pixelHeight,
                   const uint8_t* argb, bool alpha)
    : HFRectangle(x, y, ToInt32(int64_t{pixelWidth} * kTwipsPerPixel),
                  ToInt32(int64_t{pixelHeight} * kTwipsPerPixel)) {
    SetLineWidth(0);
    SetBitmapFillLossless(5, pixelWidth, pixelHeight, 0, nullptr, argb, alpha);
}

HFPolygon::HFPolygon(int32_t startX, int32_t startY)
    : HFShape(startX, startY, 0, 0), m_startX(startX), m_startY(startY) {}

void HFPolygon::AddStraightLine(int32_t x, int32_t y) {
    m_segments.push_back({false, 0, 0, x, y});
}

void HFPolygon::AddCurvedLine(int32_t controlX, int32_t controlY, int32_t anchorX,
                              int32_t anchorY) {
    m_segments.push_back({true, controlX, controlY, anchorX, anchorY});
}

void HFPolygon::CalculateAndSetBounds() {
    int32_t minX = m_startX, maxX = m_startX, minY = m_startY, maxY = m_startY;
    auto include = [&](int32_t x, int32_t y) {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    };
    for (const Segment& s : m_segments) {
        if (s.curved) {
            include(s.controlX, s.controlY);
        }
        include(s.x, s.y);
    }
    SetBounds(minX, minY, ToInt32(int64_t{maxX} - minX), ToInt32(int64_t{maxY} - minY));
}

void HFPolygon::CreateFShape(FDTDefineShape3* shape, uint32_t fillIndex, uint32_t lineIndex) {
    // Twice the signed area, positive when the points turn clockwise on
    // screen (y down): the inside is then on the right of every edge, which
    // is fill style 1's side.
    double area = 0;
    int64_t px = m_startX, py = m_startY;
    for (const Segment& s : m_segments) {
        area += static_cast<double>(px) * s.y - static_cast<double>(s.x) * py;
        px = s.x;
        py = s.y;
    }
    area += static_cast<double>(px) * m_startY - static_cast<double>(m_startX) * py;
    const bool clockwise = area >= 0;
    shape->AddShapeRec(new FShapeRecChange(
        0, lineIndex != 0, clockwise && fillIndex != 0, !clockwise && fillIndex != 0, 1,
        ToInt32(int64_t{m_startX} - X()), ToInt32(int64_t{m_startY} - Y()),
        clockwise ? 0 : fillIndex, clockwise ? fillIndex : 0, lineIndex, nullptr, nullptr));
    int64_t x = m_startX, y = m_startY;
    for (const Segment& s : m_segments) {
        if (s.curved) {
            shape->AddShapeRec(new FShapeRecEdgeCurved(
                ToInt32(s.controlX - x), ToInt32(s.controlY - y),
                ToInt32(s.x - int64_t{s.controlX}), ToInt32(s.y - int64_t{s.controlY})));
        } else {
            shape->AddShapeRec(new FShapeRecEdgeStraight(ToInt32(s.x - x), ToInt32(s.y - y)));
        }
        x = s.x;
        y = s.y;
    }
    if (x != m_startX || y != m_startY) {
        shape->AddShapeRec(new FShapeRecEdgeStraight(ToInt32(m_startX - x), ToInt32(m_startY - y)));
    }
}

void HFPolygon::AddOutline(FDTDefineShape3* shape, uint32_t fillIndex, uint32_t lineIndex) {
    CreateFShape(shape, fillIndex, lineIndex);
}
