// Writes the player controller movie that the SWF export merges below every
// exported movie (see ControllerMovie.h).
#include "ControllerMovie.h"

#include <algorithm>
#include <climits>
#include <initializer_list>
#include <utility>

#include "SWF/FActionCondition.h"
#include "SWF/FActions.h"
#include "SWF/FCTDoAction.h"
#include "SWF/FCompositeActions.h"
#include "SWF/FControlTags.h"
#include "SWF/FDTButtons.h"
#include "SWF/FDTDefineShape.h"
#include "SWF/FDTSprite.h"
#include "SWF/FObjCollection.h"
#include "SWF/FShapeRec.h"

namespace controller {

namespace {

constexpr int32_t kTwips = 20;

// Property indices of GetProperty and SetProperty.
enum Property : int { kY = 1, kXScale = 2, kCurrentFrame = 4, kTotalFrames = 5, kVisible = 7 };

class FActionGetProperty : public FMyActionJustWriteASingleByte<0x22> {};
class FActionSetProperty : public FMyActionJustWriteASingleByte<0x23> {};

FActionRecord* Push(const char* text) {
    return new FActionPush(new FString(text));
}
FActionRecord* Push(int value) {
    return new FActionPush(value);
}

// The actions in order, as one record.
FMyActionList* Code(std::initializer_list<FActionRecord*> records) {
    auto* list = new FMyActionList();
    for (FActionRecord* record : records) {
        list->AddAction(record);
    }
    return list;
}

// variable = value (the value's code leaves it on the stack)
FActionRecord* Set(const char* variable, FActionRecord* value) {
    return Code({Push(variable), value, new FActionSetVariable()});
}
FActionRecord* Get(const char* variable) {
    return Code({Push(variable), new FActionGetVariable()});
}
// setProperty(target, property, value)
FActionRecord* SetProperty(const char* target, Property property, FActionRecord* value) {
    return Code({Push(target), Push(property), value, new FActionSetProperty()});
}
// getProperty("/", property): a property of the root timeline.
FActionRecord* RootProperty(Property property) {
    return Code({Push("/"), Push(property), new FActionGetProperty()});
}
FActionRecord* If(FActionRecord* condition, FActionRecord* then, FActionRecord* otherwise) {
    return Code({condition, new FMyActionIf(then, otherwise)});
}
// Runs `code` on the root timeline.
FActionRecord* OnRoot(std::initializer_list<FActionRecord*> code) {
    auto* list = Code({new FActionSetTarget(new FString("/"))});
    for (FActionRecord* record : code) {
        list->AddAction(record);
    }
    list->AddAction(new FActionSetTarget(new FString("")));
    return list;
}

// cur >= tot, from the variables the scripts keep.
FActionRecord* AtEnd() {
    return Code({Get("cur"), Get("tot"), new FMyActionDoOp(">=")});
}

// The icons show what a click does: play while stopped, pause while playing.
FActionRecord* ShowIcons() {
    return Code({SetProperty("playIcon", kVisible, Code({Get("playing"), new FActionNot()})),
                 SetProperty("pauseIcon", kVisible, Get("playing"))});
}

FActionRecord* ReadPosition() {
    return Code({Set("cur", RootProperty(kCurrentFrame)), Set("tot", RootProperty(kTotalFrames))});
}

// The bar's script, run on each of its frames: the progress, a stop at the
// movie's last frame, the icons.
FCTDoAction* BarScript() {
    auto* script = new FCTDoAction();
    script->AddAction(If(Code({Get("started"), new FActionNot()}),
                         Code({Set("started", Push(1)), Set("playing", Push(1))}), nullptr));
    script->AddAction(ReadPosition());
    script->AddAction(If(Code({AtEnd(), Get("playing"), new FMyActionDoOp("&&")}),
                         Code({OnRoot({new FActionStop()}), Set("playing", Push(0))}), nullptr));
    script->AddAction(SetProperty(
        "progress/fill", kXScale,
        Code({Get("cur"), Get("tot"), new FMyActionDoOp("/"), Push(100), new FMyActionDoOp("*")})));
    script->AddAction(ShowIcons());
    return script;
}

// The button's release: pause, or play on (from the start once the end was
// reached).
FActionCondition* ToggleOnRelease() {
    auto* condition = new FActionCondition();
    condition->AddCondition(FActionCondition::kOverDownToOverUp);
    condition->AddActionRecord(
        If(Get("playing"), Code({OnRoot({new FActionStop()}), Set("playing", Push(0))}),
           Code({ReadPosition(),
                 If(AtEnd(), OnRoot({new FActionGotoFrame(0), new FActionPlay()}),
                    OnRoot({new FActionPlay()})),
                 Set("playing", Push(1))})));
    condition->AddActionRecord(ShowIcons());
    return condition;
}

// A filled polygon (no outline) through `points`, pixels.
FDTDefineShape3* Polygon(uint32_t rgb, std::initializer_list<std::pair<int32_t, int32_t>> points) {
    int32_t xmin = INT32_MAX, ymin = INT32_MAX, xmax = INT32_MIN, ymax = INT32_MIN;
    for (const auto& [x, y] : points) {
        xmin = std::min(xmin, x);
        ymin = std::min(ymin, y);
        xmax = std::max(xmax, x);
        ymax = std::max(ymax, y);
    }
    auto* shape =
        new FDTDefineShape3(new FRect(xmin * kTwips, ymin * kTwips, xmax * kTwips, ymax * kTwips));
    const uint32_t fill =
        shape->AddSolidFillStyle(new FColor(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF, 255));
    shape->FinishStyleArrays();
    auto pen = *points.begin();
    shape->AddShapeRec(new FShapeRecChange(0, 0, 1, 0, 1, pen.first * kTwips, pen.second * kTwips,
                                           0, fill, 0, nullptr, nullptr));
    for (auto it = points.begin() + 1;; ++it) {
        const auto next = it == points.end() ? *points.begin() : *it;
        shape->AddShapeRec(new FShapeRecEdgeStraight((next.first - pen.first) * kTwips,
                                                     (next.second - pen.second) * kTwips));
        pen = next;
        if (it == points.end()) {
            break;
        }
    }
    shape->AddShapeRec(new FShapeRecEnd());
    return shape;
}

FDTDefineShape3* Box(uint32_t rgb, int32_t x, int32_t y, int32_t w, int32_t h) {
    return Polygon(rgb, {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}});
}

FCTPlaceObject2* Place(uint16_t id, uint16_t depth, const char* name = nullptr, int32_t x = 0,
                       int32_t y = 0) {
    FMatrix* matrix =
        x == 0 && y == 0 ? new FMatrix() : new FMatrix(0, 0, 0, 0, 0, 0, x * kTwips, y * kTwips);
    return new FCTPlaceObject2(0, 0, 1, 0, depth, id, matrix, nullptr, 0,
                               name != nullptr ? new FString(name) : nullptr, 0);
}

// A one-frame sprite showing the shapes, each added to the movie first.
FDTSprite* SpriteOf(FObjCollection& movie, std::initializer_list<FDTDefineShape3*> shapes) {
    auto* sprite = new FDTSprite();
    uint16_t depth = 1;
    for (FDTDefineShape3* shape : shapes) {
        movie.AddFObj(shape);
        sprite->AddFObj(Place(shape->ID(), depth++));
    }
    sprite->AddFObj(new FCTShowFrame());
    return sprite;
}

}  // namespace

bool WriteControllerMovie(const char* path) {
    FObjCollection::ResetCharacterID();
    FObjCollection movie;

    // Shapes are drawn 100 pixels wide where the bar stretches them to the
    // movie's width through their clip's horizontal scale.
    FDTSprite* background = SpriteOf(movie, {Box(kBarColor, 0, 0, 100, kBarHeight),
                                             Box(kHighlightColor, 0, 1, 100, kBarHeight / 2 - 1),
                                             Box(kEdgeColor, 0, 0, 100, 1)});
    movie.AddFObj(background);

    auto* face = Box(kButtonColor, kButtonX, kButtonY, kButtonSide, kButtonSide);
    auto* faceOver = Box(kButtonOverColor, kButtonX, kButtonY, kButtonSide, kButtonSide);
    auto* faceDown = Box(kButtonDownColor, kButtonX, kButtonY, kButtonSide, kButtonSide);
    for (FDTDefineShape3* shape : {face, faceOver, faceDown}) {
        movie.AddFObj(shape);
    }
    auto* button = new FDTDefineButton2(0);
    const struct {
        uint8_t hit, down, over, up;
        uint16_t id;
    } states[] = {{0, 0, 0, 1, face->ID()},
                  {0, 0, 1, 0, faceOver->ID()},
                  {0, 1, 0, 0, faceDown->ID()},
                  {1, 0, 0, 0, face->ID()}};
    for (const auto& s : states) {
        button->AddButtonRecord(
            new FButtonRecord2(s.hit, s.down, s.over, s.up, s.id, 1, new FMatrix(), nullptr));
    }
    button->AddActionCondition(ToggleOnRelease());
    movie.AddFObj(button);

    FDTSprite* playIcon = SpriteOf(
        movie, {Polygon(kIconColor, {{kPlayIcon.left, kPlayIcon.top},
                                     {kPlayIcon.right, (kPlayIcon.top + kPlayIcon.bottom) / 2},
                                     {kPlayIcon.left, kPlayIcon.bottom}})});
    movie.AddFObj(playIcon);
    FDTSprite* pauseIcon = SpriteOf(
        movie, {Box(kIconColor, kPauseBarLeft[0], kPauseTop, kPauseBarWidth, kPauseHeight),
                Box(kIconColor, kPauseBarLeft[1], kPauseTop, kPauseBarWidth, kPauseHeight)});
    movie.AddFObj(pauseIcon);

    FDTSprite* fill = SpriteOf(movie, {Box(kProgressColor, 0, 0, 100, kTrackHeight)});
    movie.AddFObj(fill);
    auto* track = Box(kTrackColor, 0, 0, 100, kTrackHeight);
    movie.AddFObj(track);
    auto* progress = new FDTSprite();
    progress->AddFObj(Place(track->ID(), 1));
    progress->AddFObj(Place(fill->ID(), 2, "fill"));
    progress->AddFObj(new FCTShowFrame());
    movie.AddFObj(progress);

    // The bar: two frames, so its script runs on every frame of the movie.
    auto* bar = new FDTSprite();
    bar->AddFObj(Place(background->ID(), 1, "bg"));
    bar->AddFObj(Place(button->ID(), 2, "button"));
    bar->AddFObj(Place(playIcon->ID(), 3, "playIcon"));
    bar->AddFObj(Place(pauseIcon->ID(), 4, "pauseIcon"));
    bar->AddFObj(Place(progress->ID(), 5, "progress", kTrackX, kTrackY));
    for (int frame = 0; frame < 2; ++frame) {
        bar->AddFObj(BarScript());
        bar->AddFObj(new FCTShowFrame());
    }
    movie.AddFObj(bar);

    // In the merged movie this script runs after the variables are set:
    // the bar goes below the movie and stretches to its width.
    movie.AddFObj(Place(bar->ID(), kControllerDepth, kBarName));
    auto* layout = new FCTDoAction();
    layout->AddAction(SetProperty(kBarName, kY, Get("height")));
    layout->AddAction(SetProperty(kBarBackground, kXScale, Get("width")));
    layout->AddAction(SetProperty(
        kBarProgress, kXScale,
        Code({Get("width"), Push(kTrackX + kTrackRightMargin), new FMyActionDoOp("-")})));
    movie.AddFObj(layout);
    movie.AddFObj(new FCTShowFrame());

    return movie.CreateMovie(path, kStageWidth * kTwips, kBarHeight * kTwips, kFrameRate, kVersion);
}

}  // namespace controller
