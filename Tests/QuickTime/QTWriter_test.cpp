// The writer's own rules: track numbers, which tracks log to the recovery
// file, a writer without tracks, and its failures.
#include <gtest/gtest.h>

#include "MVDCommon/MVDException.h"
#include "QuickTime/QTWriter.h"
#include "RecordingTestSupport.h"

namespace {

using mvdtest::Bytes;

constexpr tagMVDRect kRect{0, 0, 32, 16};

struct Writer : mvdtest::Held<QTWriter> {
    Writer(const std::string& path, bool recovery, const std::string& recoveryPath = "",
           unsigned int width = 32)
        : Held(new QTWriter(path, width, 16, recovery, recoveryPath.c_str())) {}
};

TEST(QTWriterTest, TrackNumbersAndRecoveryFiles) {
    mvdtest::TempDir dir;
    Writer writer(dir.file("a.mov"), true, dir.file("a.rcv"));
    QTICMVideoTrack* screen =
        writer->createVideoTrack(kRect, 'BGRA', 128, 'rle ', codecLosslessQuality, 80);
    EXPECT_EQ(writer->createModifierTrack(screen->quickTimeTrack()), nullptr);
    QTICMVideoTrack* cursor = writer->createCursorVideoTrack(tagMVDRect{0, 0, 8, 8}, 15);
    AudioTrack* audio = writer->createAudioTrack(2, 8000, 16, 7);
    QTTextTrack* text = writer->createTextTrack();
    QTRawAudioTrack* raw = writer->createRawAudioTrack(1, 8000, 16, kAudioFormatLinearPCM, 0);
    QTAudioTrack* rebuilt = writer->createRecoveryAudioTrack(1, 8000, 16, 0);
    QTTextTrack* rebuiltText = writer->createRecoveryTextTrack();
    MatrixRecord matrix{};
    GetTrackMatrix(screen->quickTimeTrack(), &matrix);
    QTICMVideoTrack* rebuiltVideo = writer->createRecoveryVideoTrack(kRect, matrix);

    EXPECT_EQ(screen->trackNumber(), 0u);
    EXPECT_EQ(cursor->trackNumber(), 1u);
    EXPECT_EQ(rebuiltVideo->trackNumber(), 2u);
    EXPECT_EQ(audio->trackNumber(), 0u);
    EXPECT_EQ(text->trackNumber(), 1u);
    EXPECT_EQ(raw->trackNumber(), 2u);
    EXPECT_EQ(rebuilt->trackNumber(), 3u);
    EXPECT_EQ(rebuiltText->trackNumber(), 4u);
    EXPECT_EQ(writer->trackCount(), 8u);

    // Only the recording tracks log.
    EXPECT_EQ(screen->recoveryFile(), writer->recoveryFile());
    EXPECT_EQ(dynamic_cast<QTAudioTrack*>(audio)->recoveryFile(), writer->recoveryFile());
    EXPECT_EQ(text->recoveryFile(), writer->recoveryFile());
    EXPECT_EQ(cursor->recoveryFile(), nullptr);
    EXPECT_EQ(rebuilt->recoveryFile(), nullptr);
    EXPECT_EQ(rebuiltText->recoveryFile(), nullptr);
    EXPECT_EQ(rebuiltVideo->recoveryFile(), nullptr);
}

TEST(QTWriterTest, WriterWithoutTracks) {
    mvdtest::TempDir dir;
    std::string path = dir.file("empty.mov");
    mvdtest::WriteFileBytes(path, {'o', 'l', 'd'});
    {
        Writer writer(path, true, dir.file("empty.rcv"));
        TimeRecord shortest = writer->getShortestTrackTimeRecord();
        EXPECT_EQ(WideToSInt64(shortest.value), 2147483647);
        EXPECT_EQ(shortest.scale, 600);
        writer->start();
        writer->pauseTracksWithShortestTrackMediaDuration();
        writer->unpauseTracks();
        writer->flushTrackDataToDisk();
        writer->finalizeTracksWithTrackMediaDuration();
        writer->finalizeTracksWithShortestTrackMediaDuration();
        writer->finalizeMovie();
        EXPECT_THROW(writer->finalizeMovie(), MVDException);
    }
    qtfile::MovieFileReader reader;
    auto status = reader.open(path);
    ASSERT_TRUE(status.ok()) << status.message;
    EXPECT_EQ(reader.trackCount(), 0u);
    ASSERT_TRUE(reader.movie().clip.has_value());
    EXPECT_EQ(reader.movie().clip->bottom, 16);
    EXPECT_EQ(reader.movie().clip->right, 32);
    EXPECT_EQ(mvdtest::ReadFileBytes(dir.file("empty.rcv")),
              Bytes().label("RCVR").u32(32).u32(16).data());
}

TEST(QTWriterTest, CreationFailures) {
    mvdtest::TempDir dir;
    using mvdtest::MessageOf;
    EXPECT_EQ(MessageOf<SetupException>([&] { Writer w(dir.file("missing/a.mov"), false); }),
              "Unable to create file specifier.");
    EXPECT_EQ(MessageOf<SetupException>([&] { Writer w(dir.file("big.mov"), false, "", 40000); }),
              "Unable to create movie file.");
    EXPECT_EQ(MessageOf([&] { Writer w(dir.file("b.mov"), true, dir.file("missing/b.rcv")); }),
              "Error creating recovery file");
    EXPECT_THROW(Writer(dir.file("c.mov"), false)->createRawAudioTrack(5, 8000, 16, 0, 0),
                 SetupException);
}

// The movie outlives finalizeMovie until the writer goes: a track used
// after it does not touch freed memory, and the written movie stays whole.
TEST(QTWriterTest, TracksOutliveTheFinalizedMovie) {
    mvdtest::TempDir dir;
    Writer writer(dir.file("f.mov"), false);
    QTTextTrack* text = writer->createTextTrack();
    writer->start();
    CFStringRef caption = CFStringCreateWithCString(nullptr, "one", kCFStringEncodingUTF8);
    text->writeTextSample(caption, 600);
    writer->finalizeTracksWithTrackMediaDuration();
    writer->finalizeMovie();
    text->writeTextSample(caption, 600);
    CFRelease(caption);

    qtfile::MovieFileReader reader;
    ASSERT_TRUE(reader.open(dir.file("f.mov")).ok());
    EXPECT_EQ(reader.samples(0).sampleCount(), 1u);
}

}  // namespace