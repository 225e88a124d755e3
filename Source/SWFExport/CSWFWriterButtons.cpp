// Push buttons drawn over the movie: four state shapes (rectangles or
// ellipses filled with bitmaps) and one release action.
#include <cmath>
#include <exception>

#include "SWF/FActionCondition.h"
#include "SWF/FActions.h"
#include "SWF/FCompositeActions.h"
#include "SWF/FControlTags.h"
#include "SWF/FDTButtons.h"
#include "SWF/FDTDefineShape.h"
#include "SWF/FFillStyle.h"
#include "SWF/FObjCollection.h"
#include "SWF/FShapeRec.h"
#include "SWFExport/CSWFWriter.h"

namespace {

constexpr int32_t kTwips = 20;
constexpr int32_t kScale20 = 0x140000;  // 20.0 in 16.16
constexpr int32_t kBoundsMargin = 10;   // twips around a state, for its outline
constexpr uint32_t kLineWidth = 20;

enum : int { kActionPlayUnlessQuiz = 6, kActionStop = 7, kActionLeaveQuiz = 129 };

// An ellipse inscribed in the unit square as eight quadratic curves,
// clockwise on the screen from the point at 45 degrees: each curve's control
// and anchor points (u, v), the stage point being (left + u x width, top +
// v x height).
struct UnitPoint {
    double u;
    double v;
};
constexpr UnitPoint kEllipseStart{0.85355, 0.85355};
constexpr UnitPoint kEllipse[8][2] = {
    {{0.70711, 1.0}, {0.5, 1.0}}, {{0.29289, 1.0}, {0.14645, 0.85355}},
    {{0.0, 0.70711}, {0.0, 0.5}}, {{0.0, 0.29289}, {0.14645, 0.14645}},
    {{0.29289, 0.0}, {0.5, 0.0}}, {{0.70711, 0.0}, {0.85355, 0.14645}},
    {{1.0, 0.29289}, {1.0, 0.5}}, {{1.0, 0.70711}, {0.85355, 0.85355}},
};

struct Twips {
    int32_t x;
    int32_t y;
};

// The release actions of a button.
void AddReleaseActions(FActionCondition* condition, int action, int frame) {
    switch (action) {
        case kActionStop:
            condition->AddActionRecord(new FActionStop());
            break;
        case kActionLeaveQuiz:
            condition->AddActionRecord(new MyFActionPushVariable("bInQuiz", 0));
            condition->AddActionRecord(new FActionSetVariable());
            condition->AddActionRecord(new FActionPush(0));
            condition->AddActionRecord(new FActionPush(new FString("csMovie_mc")));
            condition->AddActionRecord(new FActionGetVariable());
            condition->AddActionRecord(new FActionPush(new FString("removeMovieClip")));
            condition->AddActionRecord(new FActionCallMethod());
            condition->AddActionRecord(new FActionPop());
            condition->AddActionRecord(new FActionGotoFrame(static_cast<uint16_t>(frame)));
            condition->AddActionRecord(new FActionStop());
            break;
        case kActionPlayUnlessQuiz:
            condition->AddActionRecord(new FActionPush(new FString("bInQuiz")));
            condition->AddActionRecord(new FActionGetVariable());
            condition->AddActionRecord(new FActionNot());
            condition->AddActionRecord(new FMyActionIf(new FActionPlay(), nullptr));
            break;
        default:
            break;
    }
}

}  // namespace

int CSWFWriter::AddButton(FObjCollection* movie, int depth, const RECT* rect, int action,
                          uint16_t upBitmapID, uint16_t downBitmapID, uint16_t overBitmapID,
                          int bitsPerPixel, tagSWF_BTN_SHAPE shape, const FColor* lineColor,
                          int frame) {
    std::lock_guard lock(m_mutex);
    FObjCollection* target = movie != nullptr ? movie : m_pMovie.get();
    const bool own = target == m_pMovie.get();
    if (target == nullptr || rect == nullptr) {
        ShowError("a button needs a movie and a rectangle");
        return static_cast<int>(kSWFExportFailed);
    }
    if (own && m_pendingButtons.size() >= size_t(kMaxButtonDepth - kMaxPictureDepth)) {
        ShowError("no depth is left for another button");
        return static_cast<int>(kSWFExportFailed);
    }
    try {
        const FColor line = lineColor != nullptr ? *lineColor : FColor(0, 0, 0);
        const int rgb = m_SWFConfig.m_rgbColor;
        const FColor face((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
        const FColor black(0, 0, 0);
        const bool circle = shape != 0;
        const uint16_t up =
            AddButtonState(target, rect, upBitmapID, bitsPerPixel, &face, &line, circle);
        const uint16_t over =
            AddButtonState(target, rect, overBitmapID, bitsPerPixel, &face, &line, circle);
        const uint16_t down =
            AddButtonState(target, rect, downBitmapID, bitsPerPixel, &face, &line, circle);
        const uint16_t hit = AddButtonState(target, rect, 0, bitsPerPixel, &black, &line, circle);

        auto* button = new FDTDefineButton2(0);
        target->AddFObj(button);
        const struct {
            uint8_t hit, down, over, up;
            uint16_t id;
        } states[] = {{0, 0, 0, 1, up}, {0, 0, 1, 0, over}, {0, 1, 0, 0, down}, {1, 0, 0, 0, hit}};
        for (const auto& s : states) {
            button->AddButtonRecord(
                new FButtonRecord2(s.hit, s.down, s.over, s.up, s.id, 1, new FMatrix(),
                                   new FCXFormWAlpha(0, 0, 0, 0, 0, 0, 0, 0, 0, 0)));
        }
        auto* condition = new FActionCondition();
        button->AddActionCondition(condition);
        condition->AddCondition(FActionCondition::kOverDownToOverUp);
        AddReleaseActions(condition, action, frame);

        auto* placement = new FCTPlaceObject2(0, 1, 1, 0, static_cast<uint16_t>(depth),
                                              button->ID(), new FMatrix(), nullptr, 0, nullptr, 0);
        target->AddFObj(placement);
        if (own) {
            m_pendingButtons.push_back(placement);
        }
    } catch (const std::exception& error) {
        ShowError(error.what());
        return static_cast<int>(kSWFExportFailed);
    }
    return 0;
}

uint16_t CSWFWriter::AddRectangle(FObjCollection* movie, const RECT* rect, uint16_t bitmapID,
                                  int bitsPerPixel, const FColor* fillColor,
                                  const FColor* lineColor) {
    std::lock_guard lock(m_mutex);
    return AddButtonState(movie, rect, bitmapID, bitsPerPixel, fillColor, lineColor, false);
}

uint16_t CSWFWriter::AddCircle(FObjCollection* movie, const RECT* rect, uint16_t bitmapID,
                               int bitsPerPixel, const FColor* fillColor, const FColor* lineColor) {
    std::lock_guard lock(m_mutex);
    return AddButtonState(movie, rect, bitmapID, bitsPerPixel, fillColor, lineColor, true);
}

// One state of a button, added to `movie`; 0 when nothing could be drawn.
uint16_t CSWFWriter::AddButtonState(FObjCollection* movie, const RECT* rect, uint16_t bitmapID,
                                    int bitsPerPixel, const FColor* fillColor,
                                    const FColor* lineColor, bool circle) {
    if (movie == nullptr || rect == nullptr) {
        return 0;
    }
    const Twips origin{rect->left * kTwips, rect->top * kTwips};
    const Twips size{(rect->right - rect->left) * kTwips, (rect->bottom - rect->top) * kTwips};
    auto* bounds = new FRect(origin.x - kBoundsMargin, origin.y - kBoundsMargin,
                             origin.x + size.x + kBoundsMargin, origin.y + size.y + kBoundsMargin);
    FDTDefineShapeBase* shape = bitsPerPixel == 16
                                    ? static_cast<FDTDefineShapeBase*>(new FDTDefineShape(bounds))
                                    : new FDTDefineShape3(bounds);
    movie->AddFObj(shape);

    uint32_t fill = 0;
    if (bitmapID != 0) {
        const int32_t shift = circle && m_SWFConfig.m_nSWFVersion == 6 ? kTwips : 0;
        fill = shape->AddFillStyle(new FFillStyleBitmap(
            0, bitmapID,
            new FMatrix(1, kScale20, kScale20, 0, 0, 0, origin.x - shift, origin.y - shift)));
    } else {
        fill = shape->AddSolidFillStyle(
            new FColor(fillColor != nullptr ? *fillColor : FColor(0, 0, 0)));
    }
    const uint32_t line = shape->AddLineStyle(
        kLineWidth, new FColor(lineColor != nullptr ? *lineColor : FColor(0, 0, 0)));
    shape->FinishStyleArrays();

    if (!circle) {
        shape->AddShapeRec(new FShapeRecChange(0, 1, 1, 0, 1, origin.x + size.x, origin.y, 0, fill,
                                               line, nullptr, nullptr));
        shape->AddShapeRec(new FShapeRecEdgeStraight(0, size.y));
        shape->AddShapeRec(new FShapeRecEdgeStraight(-size.x, 0));
        shape->AddShapeRec(new FShapeRecEdgeStraight(0, -size.y));
        shape->AddShapeRec(new FShapeRecEdgeStraight(size.x, 0));
    } else {
        // Points rounded to twips first, so the outline closes exactly.
        auto at = [&](UnitPoint p) {
            return Twips{origin.x + static_cast<int32_t>(std::lround(p.u * size.x)),
                         origin.y + static_cast<int32_t>(std::lround(p.v * size.y))};
        };
        Twips pen = at(kEllipseStart);
        shape->AddShapeRec(
            new FShapeRecChange(0, 1, 1, 0, 1, pen.x, pen.y, 0, fill, line, nullptr, nullptr));
        for (const auto& curve : kEllipse) {
            const Twips control = at(curve[0]);
            const Twips anchor = at(curve[1]);
            shape->AddShapeRec(new FShapeRecEdgeCurved(control.x - pen.x, control.y - pen.y,
                                                       anchor.x - control.x, anchor.y - control.y));
            pen = anchor;
        }
    }
    shape->AddShapeRec(new FShapeRecEnd());
    return shape->ID();
}
