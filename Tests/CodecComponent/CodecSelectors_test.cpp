#include <array>

#include "CodecComponentFixture.h"
#include "ImageCompression/BaseImageDecompressor.h"

namespace mvdtest {
namespace {

using CodecSelectorsTest = CodecComponentTest;

// Closing the codec releases the base decompressor it delegates to.
TEST_F(CodecSelectorsTest, CloseReleasesTheDelegate) {
    ComponentInstance ci = OpenCompressor();
    ASSERT_NE(Storage(ci)->delegate, nullptr);
    const ComponentDescription base{decompressorComponentType, kBaseCodecType, 0, 0, 0};
    Component baseComponent = FindNextComponent(nullptr, &base);
    const long baseInstances = CountComponentInstances(baseComponent);
    Close(ci);
    EXPECT_EQ(CountComponentInstances(baseComponent), baseInstances - 1);
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

TEST_F(CodecSelectorsTest, RefusesBadArguments) {
    ComponentInstance ci = OpenCompressor();
    const Rect rect{0, 0, 50, 100};
    long size = 0;
    EXPECT_EQ(ImageCodecGetMaxCompressionSize(ci, nullptr, &rect, 32, 0, &size), noErr);
    EXPECT_EQ(size, 20000);
    const Rect inverted{50, 0, 0, 100};
    EXPECT_EQ(ImageCodecGetMaxCompressionSize(ci, nullptr, &inverted, 32, 0, &size), paramErr);
    EXPECT_EQ(ImageCodecGetMaxCompressionSize(ci, nullptr, &rect, 32, 0, nullptr), paramErr);
    EXPECT_EQ(ImageCodecGetCodecInfo(ci, nullptr), paramErr);
    EXPECT_EQ(CallComponentWith(ci, 1000), badComponentSelector);

    // Levels zlib would refuse are refused at once and change nothing.
    MVDKCodecStorage* storage = Storage(ci);
    EXPECT_EQ(MVDK_SetAdjustZlibLevelAmount(ci, 2), noErr);
    EXPECT_EQ(MVDK_SetCompressorLevel(ci, 10), paramErr);
    EXPECT_EQ(MVDK_SetAdjustZlibLevelAmount(ci, -2), paramErr);
    EXPECT_EQ(storage->level, 6);
    EXPECT_EQ(storage->adjustAmount, 2);
    EXPECT_EQ(MVDK_SetFlipped(reinterpret_cast<ComponentInstance>(0x12345), 1),
              badComponentInstance);
}

}  // namespace
}  // namespace mvdtest
