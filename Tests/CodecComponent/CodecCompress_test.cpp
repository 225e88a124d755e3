#include <algorithm>
#include <utility>

#include "CodecComponentFixture.h"
#include "Support/ScreenContent.h"

namespace mvdtest {
namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 40;

// A 32-bit screen picture (alpha, red, green, blue in memory).
Picture ScreenPicture(int width, int height, uint32_t seed) {
    ScreenImage image(width, height, PixelOrder::ARGB);
    ScreenContent(width, height, seed).render(image);
    Picture picture(width, height, 32);
    for (int y = 0; y < height; ++y) {
        std::memcpy(picture.line(y), image.line(y), static_cast<size_t>(width) * 4);
    }
    return picture;
}

class CodecCompressTest : public CodecComponentTest {
  public:
    void SetUp() override {
        CodecComponentTest::SetUp();
        m_ci = OpenCompressor();
    }

    // Starts a sequence at this depth and compresses one frame of `source`.
    ComponentResult Begin(const Description& desc) {
        CodecCompressParams params{};
        CodecCapabilities caps{};
        params.imageDescription = desc.handle();
        params.capabilities = &caps;
        return ImageCodecPreCompress(m_ci, &params);
    }

    ComponentResult Compress(const Description& desc, Picture& source, long frameNumber,
                             std::vector<UInt8>& out) {
        CompressCall call(desc, source, out, frameNumber);
        return ImageCodecBandCompress(m_ci, &call.params);
    }

    ComponentInstance m_ci = nullptr;
    std::vector<UInt8> m_out = std::vector<UInt8>(kWidth * kHeight * 4);
};

TEST_F(CodecCompressTest, PreCompressAsksForOneBandInTheCodecsPixelFormat) {
    const std::pair<int, OSType> depths[] = {{8, k8IndexedPixelFormat},
                                             {16, k16BE555PixelFormat},
                                             {24, k24BGRPixelFormat},
                                             {32, k32ARGBPixelFormat}};
    for (auto [depth, format] : depths) {
        Description desc(kWidth, kHeight, depth);
        CodecCompressParams params{};
        CodecCapabilities caps{};
        params.imageDescription = desc.handle();
        params.capabilities = &caps;
        ASSERT_EQ(ImageCodecPreCompress(m_ci, &params), noErr) << depth;
        EXPECT_EQ(params.wantedSourcePixelType, format);
        EXPECT_EQ(caps.bandMin, kHeight);
        if (depth == 32) {
            // Sources already in blue, green, red, alpha order are asked for as such.
            ASSERT_EQ(MVDK_SetSrcEndianSwapped(m_ci, 1), noErr);
            ASSERT_EQ(ImageCodecPreCompress(m_ci, &params), noErr);
            EXPECT_EQ(params.wantedSourcePixelType, k32BGRAPixelFormat);
        }
    }
    Description odd(kWidth, kHeight, 15);
    EXPECT_EQ(Begin(odd), codecConditionErr);
}

TEST_F(CodecCompressTest, BandCompressRefusals) {
    Picture source = ScreenPicture(kWidth, kHeight, 1);
    Description desc(kWidth, kHeight, 32);
    // No sequence begun yet.
    EXPECT_EQ(Compress(desc, source, 0, m_out), codecConditionErr);
    ASSERT_EQ(Begin(desc), noErr);

    Description shallow(kWidth, kHeight, 4);
    EXPECT_EQ(Compress(shallow, source, 0, m_out), codecSizeErr);

    // A frame in more than one band.
    for (long flags : {long{codecConditionFirstBand}, long{codecConditionLastBand}, 0L}) {
        CompressCall call(desc, source, m_out, 0);
        call.params.conditionFlags = flags;
        EXPECT_EQ(ImageCodecBandCompress(m_ci, &call.params), codecConditionErr);
    }
    CompressCall noBuffer(desc, source, m_out, 0);
    noBuffer.params.bufferSize = 0;
    EXPECT_EQ(ImageCodecBandCompress(m_ci, &noBuffer.params), paramErr);
    EXPECT_EQ(Compress(desc, source, 0, m_out), noErr);
    EXPECT_GT((*desc).dataSize, 10);
}

TEST_F(CodecCompressTest, KeyFramesAndSimilarity) {
    Picture source = ScreenPicture(kWidth, kHeight, 2);
    Description desc(kWidth, kHeight, 32);
    ASSERT_EQ(Begin(desc), noErr);
    auto similarity = [&](long frame, CodecFlags flags, CodecQ temporal) {
        CompressCall call(desc, source, m_out, frame);
        call.params.callerFlags = flags;
        call.params.temporalQuality = temporal;
        call.params.similarity = 12345;
        EXPECT_EQ(ImageCodecBandCompress(m_ci, &call.params), noErr);
        EXPECT_EQ(call.params.compressedDataSize, (*desc).dataSize);
        return call.params.similarity;
    };
    EXPECT_EQ(similarity(0, 0, codecNormalQuality), 0);
    EXPECT_EQ(similarity(1, 0, codecNormalQuality), 0x7FFEFFFF);
    // The picture did not change: the 2-byte unchanged frame, stored.
    EXPECT_EQ((*desc).dataSize, 2);
    EXPECT_EQ(m_out[0], 0);
    EXPECT_EQ(m_out[1], 1);
    EXPECT_EQ(similarity(2, codecFlagForceKeyFrame, codecNormalQuality), 0);
    EXPECT_GT((*desc).dataSize, 10);
    EXPECT_EQ(similarity(3, 0, 0), 0);
    // A new sequence starts with a key frame whatever its frame number.
    ASSERT_EQ(Begin(desc), noErr);
    EXPECT_EQ(similarity(4, 0, codecNormalQuality), 0);
}

// Whether the previous frame is `picture`: a difference frame against it is
// the 2-byte unchanged frame.
bool PreviousFrameIs(CodecCompressTest& test, const Description& desc, Picture& picture,
                     std::vector<UInt8>& out) {
    EXPECT_EQ(test.Compress(desc, picture, 5, out), noErr);
    return (*desc).dataSize == 2;
}

TEST_F(CodecCompressTest, SpoolingCallerGetsDataButNoNewPreviousFrame) {
    Picture first = ScreenPicture(kWidth, kHeight, 3);
    Picture second = ScreenPicture(kWidth, kHeight, 4);
    Description desc(kWidth, kHeight, 32);
    ASSERT_EQ(Begin(desc), noErr);
    ASSERT_EQ(Compress(desc, first, 0, m_out), noErr);

    CompressCall call(desc, second, m_out, 1);
    call.params.flushProcRecord.flushProc = [](Ptr, long, long) -> OSErr { return noErr; };
    std::fill(m_out.begin(), m_out.end(), 0);
    EXPECT_EQ(ImageCodecBandCompress(m_ci, &call.params), codecSpoolErr);
    EXPECT_GT((*desc).dataSize, 10);
    EXPECT_EQ(m_out[0], 0x78);  // a zlib stream was written
    EXPECT_FALSE(PreviousFrameIs(*this, desc, second, m_out));
    EXPECT_TRUE(PreviousFrameIs(*this, desc, second, m_out));
}

TEST_F(CodecCompressTest, FrameThatDoesNotFitFailsCleanly) {
    Picture first = ScreenPicture(kWidth, kHeight, 5);
    Picture second = ScreenPicture(kWidth, kHeight, 6);
    Description desc(kWidth, kHeight, 32);
    ASSERT_EQ(Begin(desc), noErr);
    ASSERT_EQ(Compress(desc, first, 0, m_out), noErr);

    constexpr size_t kRoom = 40;
    std::vector<UInt8> small(kRoom + 16, 0xEE);
    CompressCall call(desc, second, small, 1);
    call.params.bufferSize = kRoom;
    EXPECT_EQ(ImageCodecBandCompress(m_ci, &call.params), codecErr);
    EXPECT_TRUE(std::all_of(small.begin() + kRoom, small.end(), [](UInt8 b) { return b == 0xEE; }));
    EXPECT_TRUE(PreviousFrameIs(*this, desc, first, m_out));
}

// Noise at depth 24 does not deflate below the raw size reported as the
// maximum: the frame fails without writing past the buffer.
TEST_F(CodecCompressTest, IncompressibleFrameWithinTheReportedMaximum) {
    ScreenImage image(kWidth, kHeight, PixelOrder::BGRA);  // three noise bytes a pixel
    FillNoise(image, image.bounds(), 11);
    Picture noise(kWidth, kHeight, 32);
    std::memcpy(noise.bytes.data(), image.data(), noise.bytes.size());
    Description desc(kWidth, kHeight, 24);
    ASSERT_EQ(Begin(desc), noErr);
    const Rect rect{0, 0, kHeight, kWidth};
    long maxSize = 0;
    ASSERT_EQ(ImageCodecGetMaxCompressionSize(m_ci, nullptr, &rect, 24, 0, &maxSize), noErr);
    std::vector<UInt8> out(static_cast<size_t>(maxSize) + 64, 0xEE);
    CompressCall call(desc, noise, out, 0);
    call.params.bufferSize = maxSize;
    EXPECT_EQ(ImageCodecBandCompress(m_ci, &call.params), codecErr);
    EXPECT_TRUE(std::all_of(out.begin() + maxSize, out.end(), [](UInt8 b) { return b == 0xEE; }));
}

// The zlib header's level field tells which level a frame was deflated at.
TEST_F(CodecCompressTest, AdjustedLevelReplacesTheLevel) {
    Picture source = ScreenPicture(kWidth, kHeight, 7);
    Description desc(kWidth, kHeight, 32);
    ASSERT_EQ(Begin(desc), noErr);
    auto headerFlags = [&] {
        EXPECT_EQ(Compress(desc, source, 0, m_out), noErr);
        return m_out[1];
    };
    EXPECT_EQ(headerFlags(), 0x9C);  // level 6
    ASSERT_EQ(MVDK_SetAdjustZlibLevelThreshold(m_ci, 100), noErr);
    EXPECT_EQ(headerFlags(), 0x01);  // level 0: no amount given yet
    ASSERT_EQ(MVDK_SetAdjustZlibLevelAmount(m_ci, 9), noErr);
    EXPECT_EQ(headerFlags(), 0xDA);
    ASSERT_EQ(MVDK_SetCompressorLevel(m_ci, 1), noErr);
    EXPECT_EQ(headerFlags(), 0xDA);  // the adjusted level still wins
}

TEST_F(CodecCompressTest, ProgressIsReportedAroundEachFrame) {
    struct Call {
        SInt16 message;
        Fixed completeness;
    };
    static std::vector<Call> calls;
    calls.clear();
    Picture source = ScreenPicture(kWidth, kHeight, 8);
    Description desc(kWidth, kHeight, 32);
    ASSERT_EQ(Begin(desc), noErr);
    CompressCall call(desc, source, m_out, 0);
    call.params.progressProcRecord.progressProc = [](SInt16 message, Fixed done, long refcon) {
        EXPECT_EQ(refcon, 42);
        calls.push_back({message, done});
        return OSErr{noErr};
    };
    call.params.progressProcRecord.progressRefCon = 42;
    ASSERT_EQ(ImageCodecBandCompress(m_ci, &call.params), noErr);
    ASSERT_EQ(calls.size(), 4u);
    const SInt16 expected[] = {codecProgressOpen, codecProgressUpdatePercent,
                               codecProgressUpdatePercent, codecProgressClose};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(calls[i].message, expected[i]) << i;
    }
    EXPECT_EQ(calls[2].completeness, 0x10000);

    // A failed frame still closes what it opened.
    calls.clear();
    call.params.bufferSize = 4;
    EXPECT_EQ(ImageCodecBandCompress(m_ci, &call.params), codecErr);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].message, codecProgressClose);
}

}  // namespace
}  // namespace mvdtest
