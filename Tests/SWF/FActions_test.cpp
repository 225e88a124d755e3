#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "SWF/FActionCondition.h"
#include "SWF/FCompositeActions.h"
#include "SwfBytes.h"

using swftest::Bytes;
using swftest::Encode;
using swftest::Hex;
using swftest::ToHex;

namespace {

// Three bytes of code: push 1, as the then-part of an if.
FActionRecord* ThreeBytes() {
    return new FMyActionList(new FActionPlay, new FActionStop, new FActionPop);
}

struct ActionCase {
    const char* name;
    std::function<FActionRecord*()> make;
    const char* hex;
};

TEST(SwfActions, GoldenBytes) {
    const ActionCase cases[] = {
        {"play", [] { return new FActionPlay; }, "06"},
        {"stack swap", [] { return new FActionStackSwap; }, "4D"},
        {"call method", [] { return new FActionCallMethod; }, "52"},
        {"goto frame", [] { return new FActionGotoFrame(5); }, "81 02 00 05 00"},
        {"get url", [] { return new FActionGetURL(new FString("u"), new FString("_t")); },
         "83 05 00 75 00 5F 74 00"},
        {"wait for frame", [] { return new FActionWaitForFrame(0x102, 3); }, "8A 03 00 02 01 03"},
        {"set target", [] { return new FActionSetTarget(new FString("m")); }, "8B 02 00 6D 00"},
        {"goto label", [] { return new FActionGotoLabel(new FString("")); }, "8C 01 00 00"},
        {"wait for frame 2", [] { return new FActionWaitForFrame2(9); }, "8D 01 00 09"},
        {"push string", [] { return new FActionPush(new FString("ab")); }, "96 04 00 00 61 62 00"},
        {"push float", [] { return new FActionPush(1.5f); }, "96 05 00 01 00 00 C0 3F"},
        {"push integer", [] { return new FActionPush(-2L); }, "96 05 00 07 FE FF FF FF"},
        {"jump back", [] { return new FActionJump(-3); }, "99 02 00 FD FF"},
        {"if", [] { return new FActionIf(3); }, "9D 02 00 03 00"},
        {"get url 2", [] { return new FActionGetURL2(2); }, "9A 01 00 02"},
        {"goto frame 2", [] { return new FActionGotoFrame2(1); }, "9F 01 00 01"},
        {"push variable", [] { return new MyFActionPushVariable("x", 1); },
         "96 08 00 00 78 00 07 01 00 00 00"},
        {"push memory", [] { return new MyFActionPushMemory("a\0\0b", 4); },
         "96 06 00 00 61 00 00 62 00"},
        {"if without else", [] { return new FMyActionIf(ThreeBytes(), nullptr); },
         "12 9D 02 00 03 00 06 07 17"},
        {"if with else", [] { return new FMyActionIf(ThreeBytes(), new FActionPlay); },
         "12 9D 02 00 08 00 06 07 17 99 02 00 01 00 06"},
        {"for loop",
         [] {
             return new FMyActionForLoop(new FActionPlay, new FActionStop, new FActionPop,
                                         new FActionNot);
         },
         "06 07 12 9D 02 00 07 00 12 17 99 02 00 F2 FF"},
        {"define function",
         [] {
             auto* f = new FMyActionDefineFunction(new FString("f"), new FActionStop);
             f->AddParam(new FString("a"));
             return f;
         },
         "9B 08 00 66 00 01 00 61 00 01 00 07"},
        {"less or equal", [] { return new FMyActionDoOp("<="); }, "4D 48 12"},
        {"greater", [] { return new FMyActionDoOp(">"); }, "4D 48"},
        {"not equal", [] { return new FMyActionDoOp("!="); }, "49 12"},
        {"shift", [] { return new FMyActionDoOp(">>"); }, "64"},
        {"unknown operator", [] { return new FMyActionDoOp("**"); }, ""},
    };
    for (const ActionCase& c : cases) {
        std::unique_ptr<FActionRecord> action(c.make());
        EXPECT_EQ(ToHex(Encode(*action)), ToHex(Hex(c.hex))) << c.name;
    }
}

TEST(SwfActions, ButtonConditionsEncodeMaskAndSize) {
    FActionCondition last;
    last.AddCondition(FActionCondition::kOverDownToOverUp);
    FSWFStream lastStream;
    last.WriteToSWFStream(&lastStream, 1);
    EXPECT_EQ(ToHex(swftest::StreamBytes(lastStream)), "00 00 08 00 00");

    FActionCondition first;
    first.AddCondition(FActionCondition::kOverDownToIdle);
    first.AddCondition(FActionCondition::kIdleToOverUp);
    first.AddKeyCode(13);
    first.AddActionRecord(new FActionPlay);
    EXPECT_EQ(first.Mask(), 0x1B01);
    EXPECT_EQ(ToHex(Encode(first)), "06 00 01 1B 06 00");
    first.Clear();
    EXPECT_EQ(ToHex(Encode(first)), "05 00 01 1B 00");

    EXPECT_THROW(first.AddCondition(0), std::invalid_argument);
    EXPECT_THROW(first.AddCondition(10), std::invalid_argument);
    EXPECT_THROW(first.AddKeyCode(128), std::invalid_argument);
}

TEST(SwfActions, OversizedCodeIsRefusedNotTruncated) {
    const std::string longText(70000, 'x');
    FActionPush push(new FString(longText));
    EXPECT_THROW(Encode(push), std::length_error);

    auto* body = new FMyActionList();
    for (int i = 0; i < 7000; ++i) {
        body->AddAction(new FActionGotoFrame(1));  // 5 bytes each: 35000 bytes
    }
    FMyActionIf branch(body, nullptr);
    EXPECT_THROW(Encode(branch), std::length_error);

    FActionCondition condition;
    for (int i = 0; i < 14000; ++i) {
        condition.AddActionRecord(new FActionGotoFrame(1));
    }
    EXPECT_THROW(Encode(condition), std::length_error);
}

}  // namespace
