#include <array>

#include "CodecComponentFixture.h"
#include "ImageCompression/BaseImageDecompressor.h"

namespace mvdtest {
namespace {

using CodecSelectorsTest = CodecComponentTest;

TEST_F(CodecSelectorsTest, OpenSetsUpStorageAndDelegate) {
    ComponentInstance ci = OpenCompressor();
    MVDKCodecStorage* storage = Storage(ci);
    ASSERT_NE(storage, nullptr);
    EXPECT_EQ(storage->self, ci);
    EXPECT_EQ(storage->target, ci);
    EXPECT_EQ(storage->level, 6);
    ASSERT_NE(storage->delegate, nullptr);
    ComponentDescription cd{};
    ASSERT_EQ(GetComponentInfo(reinterpret_cast<Component>(storage->delegate), &cd, nullptr,
                               nullptr, nullptr),
              noErr);
    EXPECT_EQ(cd.componentSubType, kBaseCodecType);
    EXPECT_EQ(GetComponentVersion(ci), 0x00020002);
    EXPECT_EQ(ComponentSetTarget(ci, storage->delegate), noErr);
    EXPECT_EQ(storage->target, storage->delegate);

    // Closing releases the delegate too.
    const ComponentDescription base{decompressorComponentType, kBaseCodecType, 0, 0, 0};
    Component baseComponent = FindNextComponent(nullptr, &base);
    const long baseInstances = CountComponentInstances(baseComponent);
    Close(ci);
    EXPECT_EQ(CountComponentInstances(baseComponent), baseInstances - 1);
}

TEST_F(CodecSelectorsTest, CanDoAndRefusedSelectors) {
    ComponentInstance ci = OpenDecompressor();
    // Handlers of the table, selectors the base decompressor serves, and
    // selectors nobody serves or that are marked as refused.
    for (SInt16 selector : {-8, -6, -5, -4, -3,  -2,  -1,  0,   1,   2,   3,   4,   11,
                            12, 13, 46, 51, 256, 260, 512, 513, 514, 515, 516, 517, 518}) {
        EXPECT_EQ(CallComponentCanDo(ci, selector), 1) << selector;
    }
    for (SInt16 selector : {5, 6, 7, 0x25}) {
        EXPECT_EQ(CallComponentCanDo(ci, selector), 1) << selector;
    }
    for (SInt16 selector : {-7, 8, 9, 14, 45, 52, 255, 261, 519, 520, 521, 600}) {
        EXPECT_EQ(CallComponentCanDo(ci, selector), 0) << selector;
    }
    for (SInt16 selector : {-7, 8, 20, 519, 521, 1000}) {
        EXPECT_EQ(CallComponentWith(ci, selector), badComponentSelector) << selector;
    }
    EXPECT_EQ(CallComponentWith(ci, kComponentRegisterSelect), noErr);
}

TEST_F(CodecSelectorsTest, DefaultCodecInformation) {
    ComponentInstance ci = OpenCompressor();
    CodecInfo info{};
    ASSERT_EQ(ImageCodecGetCodecInfo(ci, &info), noErr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(info.typeName + 1), info.typeName[0]),
              "Morvandel Lucidrome");
    EXPECT_EQ(info.vendor, static_cast<SInt32>('Mvdn'));
    EXPECT_EQ(info.decompressFlags, 0x00400438);
    EXPECT_EQ(info.compressFlags, 0x00000438);
    EXPECT_EQ(info.formatFlags, 0x00001078);
    EXPECT_EQ(info.minimumHeight, 1);
    EXPECT_EQ(info.minimumWidth, 1);
    EXPECT_EQ(ImageCodecGetCodecInfo(ci, nullptr), paramErr);
}

// A component of its own carrying a 'cdci' resource: used when it has
// exactly the record's size, otherwise nothing is filled in.
TEST_F(CodecSelectorsTest, CodecInformationFromResource) {
    CodecInfo custom{};
    custom.version = 7;
    custom.vendor = 'abcd';
    std::array<UInt8, 10> shortRecord{};
    for (bool exact : {true, false}) {
        const ComponentResourceEntry resource =
            exact ? ComponentResourceEntry{'cdci', 256, &custom, sizeof(custom)}
                  : ComponentResourceEntry{'cdci', 256, shortRecord.data(), 10};
        const ComponentDescription cd{compressorComponentType, 'mvdt', 'Mvdn', 0, 0};
        Component c = RegisterComponentWithResources(&cd, MVDKCodec_ComponentDispatch, 0, nullptr,
                                                     nullptr, nullptr, &resource, 1);
        ASSERT_NE(c, nullptr);
        ComponentInstance ci = OpenComponent(c);
        ASSERT_NE(ci, nullptr);
        CodecInfo info{};
        info.version = -1;
        ASSERT_EQ(ImageCodecGetCodecInfo(ci, &info), noErr);
        EXPECT_EQ(info.version, exact ? 7 : -1);
        EXPECT_EQ(info.vendor, exact ? static_cast<SInt32>('abcd') : 0);
        EXPECT_EQ(CloseComponent(ci), noErr);
        EXPECT_EQ(UnregisterComponent(c), noErr);
    }
}

TEST_F(CodecSelectorsTest, CompressionTimeAndMaximumSize) {
    ComponentInstance ci = OpenCompressor();
    const Rect rect{0, 0, 50, 100};
    long size = 0;
    EXPECT_EQ(ImageCodecGetMaxCompressionSize(ci, nullptr, &rect, 24, 0, &size), noErr);
    EXPECT_EQ(size, 15000);
    EXPECT_EQ(ImageCodecGetMaxCompressionSize(ci, nullptr, &rect, 32, 0, &size), noErr);
    EXPECT_EQ(size, 20000);
    const Rect inverted{50, 0, 0, 100};
    EXPECT_EQ(ImageCodecGetMaxCompressionSize(ci, nullptr, &inverted, 32, 0, &size), paramErr);
    EXPECT_EQ(ImageCodecGetMaxCompressionSize(ci, nullptr, &rect, 32, 0, nullptr), paramErr);

    CodecQ spatial = 0;
    CodecQ temporal = 0;
    unsigned long time = 99;
    EXPECT_EQ(ImageCodecGetCompressionTime(ci, nullptr, &rect, 32, &spatial, &temporal, &time),
              noErr);
    EXPECT_EQ(spatial, 1024u);
    EXPECT_EQ(temporal, 512u);
    EXPECT_EQ(time, 0u);
    EXPECT_EQ(ImageCodecGetCompressionTime(ci, nullptr, &rect, 32, nullptr, nullptr, nullptr),
              noErr);
}

TEST_F(CodecSelectorsTest, PrivateSelectorsSetTheirFields) {
    ComponentInstance ci = OpenCompressor();
    MVDKCodecStorage* storage = Storage(ci);
    EXPECT_EQ(MVDK_SetFlipped(ci, 1), noErr);
    EXPECT_EQ(MVDK_SetSrcEndianSwapped(ci, 1), noErr);
    EXPECT_EQ(MVDK_SetAdjustZlibLevelThreshold(ci, 1234), noErr);
    EXPECT_EQ(storage->flipped, 1u);
    EXPECT_EQ(storage->srcEndianSwapped, 1u);
    EXPECT_EQ(storage->adjustLevel, 1u);
    EXPECT_EQ(storage->adjustThreshold, 1234);
    EXPECT_EQ(storage->adjustAmount, 0);
    EXPECT_EQ(MVDK_SetAdjustZlibLevelAmount(ci, 2), noErr);
    EXPECT_EQ(storage->adjustAmount, 2);
    // Levels zlib would refuse are refused at once.
    EXPECT_EQ(MVDK_SetCompressorLevel(ci, 10), paramErr);
    EXPECT_EQ(MVDK_SetAdjustZlibLevelAmount(ci, -2), paramErr);
    EXPECT_EQ(storage->level, 6);
    EXPECT_EQ(storage->adjustAmount, 2);
    EXPECT_EQ(MVDK_SetFlipped(reinterpret_cast<ComponentInstance>(0x12345), 1),
              badComponentInstance);
}

}  // namespace
}  // namespace mvdtest
