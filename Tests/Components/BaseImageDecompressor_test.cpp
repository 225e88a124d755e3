#include <gtest/gtest.h>

#include "ImageCompression/BaseImageDecompressor.h"
#include "ImageCompression/ImageCodec.h"

namespace {

ComponentResult RecordingDrawBand(void* refcon, ImageSubCodecDecompressRecord* drp) {
    *static_cast<ImageSubCodecDecompressRecord**>(refcon) = drp;
    return 17;
}

TEST(BaseImageDecompressor, WorkFunctionRunsTheDrawBandProcedure) {
    ComponentInstance base = OpenDefaultComponent(decompressorComponentType, kBaseCodecType);
    ASSERT_NE(base, nullptr);
    ComponentMPWorkFunctionUPP work = nullptr;
    void* refCon = nullptr;
    ImageSubCodecDecompressRecord* drawn = nullptr;
    EXPECT_EQ(ImageCodecGetBaseMPWorkFunction(base, &work, &refCon, nullptr, &drawn), paramErr);
    ASSERT_EQ(ImageCodecGetBaseMPWorkFunction(base, &work, &refCon, RecordingDrawBand, &drawn),
              noErr);
    ASSERT_NE(work, nullptr);

    ImageSubCodecDecompressRecord drp{};
    ImageCodecMPWorkRecord record{};
    record.header.headerSize = sizeof(record.header);
    record.header.recordSize = sizeof(record);
    record.drp = &drp;
    EXPECT_EQ(work(refCon, &record.header), 17);
    EXPECT_EQ(drawn, &drp);
    // A record too short to hold the frame is refused.
    drawn = nullptr;
    record.header.recordSize = sizeof(record.header);
    EXPECT_EQ(work(refCon, &record.header), paramErr);
    EXPECT_EQ(drawn, nullptr);
    EXPECT_EQ(CloseComponent(base), noErr);
}

}  // namespace
