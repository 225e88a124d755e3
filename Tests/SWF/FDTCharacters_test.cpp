// Buttons, sprites, fonts, text and video stream definitions.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "SWF/FActions.h"
#include "SWF/FControlTags.h"
#include "SWF/FDTButtons.h"
#include "SWF/FDTFonts.h"
#include "SWF/FDTSprite.h"
#include "SWF/FDTText.h"
#include "SWF/FObjCollection.h"
#include "SwfBytes.h"

using swftest::Bytes;
using swftest::Encode;
using swftest::Hex;
using swftest::ToHex;

namespace {

FShape* EmptyGlyph() {
    auto* glyph = new FShape();
    glyph->SetFillBits(1);
    return glyph;
}

struct TagCase {
    const char* name;
    std::function<FObj*()> make;
    const char* hex;
};

TEST(SwfCharacters, GoldenBytes) {
    const TagCase cases[] = {
        {"button2, one record, one condition",
         [] {
             auto* button = new FDTDefineButton2(0);
             button->AddButtonRecord(new FButtonRecord2(1, 1, 1, 1, 2, 1, nullptr, nullptr));
             auto* condition = new FActionCondition();
             condition->AddCondition(FActionCondition::kOverDownToOverUp);
             condition->AddActionRecord(new FActionPlay);
             button->AddActionCondition(condition);
             return button;
         },
         "93 08 01 00 00 0A 00 0F 02 00 01 00 00 04 00 00 00 08 00 06 00"},
        {"button2 without conditions has action offset 0",
         [] {
             auto* button = new FDTDefineButton2(1);
             button->AddButtonRecord(new FButtonRecord2(0, 0, 0, 1, 2, 1, nullptr, nullptr));
             return button;
         },
         "8D 08 01 00 01 00 00 01 02 00 01 00 00 04 00"},
        {"button",
         [] {
             auto* button = new FDTDefineButton();
             button->AddButtonRecord(new FButtonRecord1(1, 1, 1, 1, 2, 1, nullptr));
             button->AddActionRecord(new FActionPlay);
             return button;
         },
         "CB 01 01 00 0F 02 00 01 00 00 00 06 00"},
        {"button sound info only for sounds",
         [] { return new FDTDefineButtonSound(1, 0, nullptr, 5, nullptr, 0, nullptr, 0, nullptr); },
         "4B 04 01 00 00 00 05 00 00 00 00 00 00"},
        {"button cxform",
         [] { return new FDTDefineButtonCXForm(1, new FCXForm(0, 0, 0, 0, 0, 0, 0, 0)); },
         "C3 05 01 00 04"},
        {"sprite of two frames",
         [] {
             auto* sprite = new FDTSprite();
             sprite->AddFObj(new FCTShowFrame());
             sprite->AddFObj(new FCTShowFrame());
             return sprite;
         },
         "CA 09 01 00 02 00 40 00 40 00 00 00"},
        {"video stream", [] { return new MyFDTVideoStream(10, 320, 240, 1, 1); },
         "0A 0F 01 00 0A 00 40 01 F0 00 03 03"},
        {"font",
         [] {
             auto* font = new FDTDefineFont();
             font->AddShapeGlyph(EmptyGlyph());
             font->AddShapeGlyph(EmptyGlyph());
             return font;
         },
         "8A 02 01 00 04 00 06 00 10 00 10 00"},
        {"font2",
         [] {
             auto* font = new FDTDefineFont2("A", 0, 0, 0);
             font->AddGlyph(EmptyGlyph(), 'A');
             font->AddGlyph(EmptyGlyph(), 'B');
             return font;
         },
         "16 0C 01 00 04 00 01 41 02 00 06 00 08 00 0A 00 10 00 10 00 41 00 42 00"},
        {"font2 with layout",
         [] {
             auto* font = new FDTDefineFont2("A", 1, 1, 0, 800, 200, 0);
             font->AddGlyph(EmptyGlyph(), 'A', 500);
             font->AddGlyph(EmptyGlyph(), 'B', 600);
             font->AddKerningRec(new FKerningRec('A', 'B', -10));
             return font;
         },
         "2C 0C 01 00 87 00 01 41 02 00 06 00 08 00 0A 00 10 00 10 00 41 00 42 00 "
         "20 03 C8 00 00 00 F4 01 58 02 08 00 08 00 01 00 41 00 42 00 F6 FF"},
        {"font info",
         [] {
             auto* info = new FDTDefineFontInfo("Ab", 7, 1, 0, 0);
             info->AddCode('A');
             info->AddCode(300);  // needs wide codes
             return info;
         },
         "4A 03 07 00 02 41 62 03 41 00 2C 01"},
        {"text with two glyph runs",
         [] {
             auto* text = new FDTDefineText(new FRect(0, 0, 2000, 400), nullptr);
             text->AddTextRecord(new FTextChangeRecord(true, true, true, false, 2, 240,
                                                       new FColor(255, 0, 0, 9), 20, 0));
             auto* run = new FTextGlyphRecord();
             run->AddGlyphEntry(0, 100);
             run->AddGlyphEntry(1, 120);
             text->AddTextRecord(run);
             auto* next = new FTextGlyphRecord();
             next->AddGlyphEntry(1, -5);
             text->AddTextRecord(next);
             return text;
         },
         "DF 02 01 00 60 00 3E 80 00 0C 80 00 02 08 8D 02 00 FF 00 00 14 00 F0 00 02 19 17 80 80 "
         "01 7E C0 00"},
        {"edit text",
         [] {
             return new FDTDefineEditText(new FRect(0, 0, 200, 100), true, false, true, true, false,
                                          false, false, true, true, true, false, true, 3, 240,
                                          new FColor(1, 2, 3, 4), 0, 0, 5, 6, 7, 8, "v", "hi");
         },
         "60 09 01 00 48 01 90 00 32 00 8D 29 03 00 F0 00 01 02 03 04 00 05 00 06 00 07 00 08 00 "
         "76 00 68 69 00"},
    };
    for (const TagCase& c : cases) {
        FObjCollection::ResetCharacterID();
        std::unique_ptr<FObj> tag(c.make());
        EXPECT_EQ(ToHex(Encode(*tag)), ToHex(Hex(c.hex))) << c.name;
    }
    FObjCollection::ResetCharacterID();
}

TEST(SwfCharacters, CountsBeyondTheFormatAreRefused) {
    FTextGlyphRecord run;
    for (size_t i = 0; i < FTextGlyphRecord::kMaxGlyphs; ++i) {
        run.AddGlyphEntry(0, 0);
    }
    EXPECT_THROW(run.AddGlyphEntry(0, 0), std::length_error);

    FDTSprite sprite;
    for (uint32_t i = 0; i < FDTSprite::kMaxFrames; ++i) {
        sprite.AddFObj(new FCTShowFrame());
    }
    EXPECT_THROW(sprite.AddFObj(new FCTShowFrame()), std::length_error);
    EXPECT_EQ(sprite.FrameCount(), 65535u);

    // DefineFont offsets are 16 bits: 40000 glyphs of 2 bytes do not fit.
    FDTDefineFont font;
    for (int i = 0; i < 40000; ++i) {
        font.AddShapeGlyph(EmptyGlyph());
    }
    EXPECT_THROW(Encode(font), std::length_error);
    // DefineFont2 switches to 32-bit offsets instead.
    FDTDefineFont2 font2("big", 0, 0, 0);
    for (int i = 0; i < 40000; ++i) {
        font2.AddGlyph(EmptyGlyph(), static_cast<uint16_t>(i));
    }
    const Bytes tag = Encode(font2);
    EXPECT_EQ(tag[8] & 0x08, 0x08) << "wide offsets flag";
    EXPECT_EQ(tag.size(), 6u + 2 + 1 + 1 + 1 + 3 + 2 + 4 * 40001 + 2 * 40000 + 2 * 40000);
}

}  // namespace
