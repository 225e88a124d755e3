// The video track on its own: source byte orders and conversions, failures
// of the output callback, sessions from standard compression settings, and
// the matrix (compressed samples added as they are: the recovery tests).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include "Dialogs/DialogDriver.h"
#include "ImageCompression/MovieFrameDecoder.h"
#include "QuickTime/QTICMVideoTrack.h"
#include "RecordingTestSupport.h"
#include "StandardCompression/StandardCompression.h"
#include "Support/RecordingScenario.h"
#include "Support/ScreenCodecEnvironment.h"
#include "Support/ScriptedDialogDriver.h"

namespace {

using mvdtest::Held;
using mvdtest::MessageOf;

CVPixelFormatType FormatFor(bool bgra) {
    return bgra ? kCVPixelFormatType_32BGRA : kCVPixelFormatType_32ARGB;
}

class VideoTrackTest : public mvdtest::MovieFileTest {
  protected:
    using Track = Held<QTICMVideoTrack>;

    QTICMVideoTrack* newTrack(int width, int height, uint32_t format, CodecType codec,
                              QTRecoveryWriterFile* recovery = nullptr) {
        return new QTICMVideoTrack(0, tagMVDRect{0, 0, width, height}, 0.0f, format,
                                   static_cast<uint32_t>(width) * 4, m_movie, codec,
                                   codecLosslessQuality, 10, recovery);
    }
    // Hands the frames over through one image whose memory is overwritten
    // as soon as each call returns.
    static void writeFrames(QTICMVideoTrack* track, const std::vector<std::vector<uint8_t>>& frames,
                            int width, int height, uint32_t format, long duration) {
        std::vector<uint8_t> pixels(frames.at(0).size());
        MVDImage image(width, height, format, 4, pixels.data());
        for (const auto& frame : frames) {
            pixels = frame;
            track->compressAndWriteMVDImage(&image, duration);
            std::fill(pixels.begin(), pixels.end(), 0x5A);
        }
    }
    static std::vector<std::vector<uint8_t>> screenFrames(int width, int height, bool bgra,
                                                          int count) {
        std::vector<std::vector<uint8_t>> frames;
        for (int i = 0; i < count; ++i) {
            frames.push_back(mvdtest::ScreenFrame(width, height, bgra, i));
        }
        return frames;
    }
    mvdtest::ScreenCodecEnvironment m_codec;
};

// The screen codec reads 'BGRA' frames as they are when told they come so,
// and 32-bit ARGB ones otherwise: no conversion either way, exact pixels.
TEST_F(VideoTrackTest, ScreenCodecTakesEitherSourceOrderUnconverted) {
    constexpr int kW = 200, kH = 120;
    for (bool bgra : {true, false}) {
        SCOPED_TRACE(bgra ? "BGRA" : "ARGB");
        Track track(newTrack(kW, kH, FormatFor(bgra), 'mvdk'));
        EXPECT_EQ(track->sourceSwapped(), bgra);
        track->startTrack();
        auto frames = screenFrames(kW, kH, bgra, 6);
        writeFrames(track.get(), frames, kW, kH, FormatFor(bgra), 20);
        EXPECT_EQ(track->nextDisplayTimeStamp(), 120);
        track->insertMediaIntoTrackWithMediaDuration();
        EXPECT_EQ(track->convertedFrameCount(), 0u);

        qtfile::MovieFileReader reader;
        finishAndRead(reader);
        EXPECT_TRUE(mvdtest::DecodedFrames(reader, reader.trackCount() - 1, FormatFor(bgra)) ==
                    frames);
    }
}

// Other codecs read ARGB: the session converts BGRA frames, and says so.
// Frames without a length are refused before they reach the session, which
// goes on taking frames.
TEST_F(VideoTrackTest, ConversionsAreCountedAndFramesNeedALength) {
    constexpr int kW = 48, kH = 32;
    const CVPixelFormatType bgra = kCVPixelFormatType_32BGRA;
    Track track(newTrack(kW, kH, bgra, kAnimationCodecType));
    EXPECT_FALSE(track->sourceSwapped());
    track->startTrack();
    auto frames = screenFrames(kW, kH, true, 3);
    EXPECT_EQ(MessageOf([&] { writeFrames(track.get(), {frames[0]}, kW, kH, bgra, 0); }),
              "ICMCompressionSessionEncodeFrame error");
    EXPECT_THROW(track->compressAndWriteMVDImage(nullptr, 20), MVDException);
    testing::internal::CaptureStdout();
    for (int i = 0; i < 3; ++i) {
        writeFrames(track.get(), {frames[i]}, kW, kH, bgra, std::vector<long>{600, 598, 1}[i]);
    }
    track->flushTrackDataToDisk();
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(track->convertedFrameCount(), 3u);
    EXPECT_NE(printed.find("WARNING: losing performance because quicktime is converting the "
                           "pixel buffer!\n"),
              std::string::npos);
    EXPECT_EQ(track->getMediaDurationInSeconds(), 1.0);  // whole seconds of 1199 / 600
    track->insertMediaIntoTrackWithMediaDuration();

    qtfile::MovieFileReader reader;
    finishAndRead(reader);
    EXPECT_TRUE(mvdtest::DecodedFrames(reader, 0, kCVPixelFormatType_32ARGB) ==
                screenFrames(kW, kH, false, 3));
}

// A record that cannot be written inside the output callback comes back
// from the track's next call; the session stops there, and the recovery
// lock is free.
TEST_F(VideoTrackTest, CallbackFailureSurfacesOnTheNextCall) {
    std::string folder = m_dir.file("recovery");
    std::filesystem::create_directory(folder);
    Held<QTRecoveryWriterFile> recovery(
        new QTRecoveryWriterFile((folder + "/a.rcv").c_str(), 16, 16));
    Track track(newTrack(16, 16, kCVPixelFormatType_32ARGB, kAnimationCodecType, recovery.get()));
    track->startTrack();
    auto frames = screenFrames(16, 16, false, 3);
    writeFrames(track.get(), {frames[0]}, 16, 16, kCVPixelFormatType_32ARGB, 20);
    track->flushTrackDataToDisk();
    std::filesystem::remove_all(folder);

    // The session's thread may be quicker than the writing call's return.
    EXPECT_EQ(MessageOf([&] {
                  writeFrames(track.get(), {frames[1]}, 16, 16, kCVPixelFormatType_32ARGB, 20);
                  track->flushTrackDataToDisk();
              }),
              "Error opening recovery file");
    EXPECT_EQ(MessageOf([&] {
                  writeFrames(track.get(), {frames[2]}, 16, 16, kCVPixelFormatType_32ARGB, 20);
              }),
              "ICMCompressionSessionEncodeFrame error");
    EXPECT_EQ(MessageOf([&] { track->insertMediaIntoTrackWithMediaDuration(); }),
              "Problem calling ICMCompressionSessionCompleteFrames");
    EXPECT_TRUE(mvdtest::LockIsFree(recovery.get()));
}

// The session can come from standard compression settings, chosen in the
// settings dialog; such a track keeps no recovery records.
TEST_F(VideoTrackTest, SessionFromStandardCompressionSettings) {
    EXPECT_EQ(QTICMVideoTrack::newSCVideoSettingsFromUserDialog(), nullptr);  // cancelled
    auto driver = std::make_shared<mvdtest::ScriptedDialogDriver>();
    using Driver = mvdtest::ScriptedDialogDriver;
    driver->steps = {Driver::HitItemWithText("(rle )"),
                     Driver::SetThenHit(4, codecLosslessQuality, 0),
                     Driver::SetThenHit(6, 2, kStdOkItemIndex)};
    QTAtomContainer settings = nullptr;
    {
        ScopedDialogDriver scoped(driver);
        settings = QTICMVideoTrack::newSCVideoSettingsFromUserDialog();
    }
    ASSERT_NE(settings, nullptr);
    Track track(new QTICMVideoTrack(0, tagMVDRect{0, 0, 24, 16}, 0.0f, 0, 0, m_movie, settings));
    QTDisposeAtomContainer(settings);
    EXPECT_EQ(track->recoveryFile(), nullptr);
    track->startTrack();
    auto frames = screenFrames(24, 16, false, 5);
    writeFrames(track.get(), frames, 24, 16, kCVPixelFormatType_32ARGB, 20);
    track->insertMediaIntoTrackWithMediaDuration();

    Handle garbage = NewHandle(8);
    std::memset(*garbage, 0x7F, 8);
    EXPECT_EQ(
        MessageOf<SetupException>([&] {
            Track bad(new QTICMVideoTrack(1, tagMVDRect{0, 0, 8, 8}, 0.0f, 0, 0, m_movie, garbage));
        }),
        "Invalid QTAtomContainer specified!");
    DisposeHandle(garbage);

    qtfile::MovieFileReader reader;
    finishAndRead(reader);
    EXPECT_TRUE(mvdtest::DecodedFrames(reader, 0, kCVPixelFormatType_32ARGB) == frames);
    // A key frame at least every second frame, as chosen in the dialog.
    const auto& sync = reader.track(0).media.information.sampleTable.syncSamples;
    ASSERT_TRUE(sync.has_value());
    EXPECT_EQ(sync->sampleNumbers, (std::vector<uint32_t>{1, 3, 5}));
}

// 16.16 except the last column (2.30); truncated toward zero, held at the
// ends of the range.
TEST(MatrixConversionTest, FloatsBecomeFixedPoint) {
    const float floats[3][3] = {{1.00001f, -0.50001f, 40000.0f}, {-40000.0f, 1, 0}, {0, 0, 1}};
    MatrixRecord record = MatrixRecordFromFloats(floats);
    const Fixed expected[3][3] = {{0x10000, -0x8000, 0x7FFFFFFF},
                                  {static_cast<Fixed>(0x80000000u), 0x10000, 0},
                                  {0, 0, 0x40000000}};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(record.matrix[i / 3][i % 3], expected[i / 3][i % 3]) << i;
    }
}

}  // namespace
