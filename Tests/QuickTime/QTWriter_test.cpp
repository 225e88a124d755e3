// The writer's own rules: track numbers, which tracks log to the recovery
// file, the shortest segment, a writer without tracks, and its failures.
#include <gtest/gtest.h>

#include <filesystem>

#include "MVDCommon/MVDException.h"
#include "QuickTime/QTWriter.h"
#include "RecordingTestSupport.h"

namespace {

using mvdtest::Bytes;

constexpr tagMVDRect kRect{0, 0, 32, 16};

struct Writer {
    Writer(const std::string& path, bool recovery, const std::string& recoveryPath = "")
        : writer(new QTWriter(path, 32, 16, recovery, recoveryPath.c_str())) {
        writer->retain();
    }
    ~Writer() { writer->release(); }
    QTWriter* operator->() const { return writer; }
    QTWriter* writer;
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
    EXPECT_EQ(cursor->value(), 15.0f);
    EXPECT_EQ(cursor->codecType(), 'rle ');
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

TEST(QTWriterTest, ShortestSegmentCutsEveryTrack) {
    mvdtest::TempDir dir;
    Writer writer(dir.file("s.mov"), false);
    QTTextTrack* longer = writer->createTextTrack();
    QTTextTrack* shorter = writer->createTextTrack();
    QTRawAudioTrack* raw =
        writer->createRawAudioTrack(1, 8000, 16, kAudioFormatLinearPCM,
                                    kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsBigEndian);
    writer->start();
    auto say = [](QTTextTrack* track, int64_t duration) {
        CFStringRef text = CFStringCreateWithCString(nullptr, "x", kCFStringEncodingUTF8);
        track->writeTextSample(text, duration);
        CFRelease(text);
    };
    say(longer, 900);
    say(shorter, 450);
    std::vector<uint8_t> samples(2 * 16000);
    raw->writeSample(samples.data(), 32000, 1, 16000, nullptr);  // 2 s
    TimeRecord shortest = writer->getShortestTrackTimeRecord();
    EXPECT_EQ(WideToSInt64(shortest.value), 450);
    writer->finalizeTracksWithShortestTrackMediaDuration();
    writer->finalizeMovie();

    qtfile::MovieFileReader reader;
    ASSERT_TRUE(reader.open(dir.file("s.mov")).ok());
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(reader.track(i).header.duration, 450u) << i;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("s.rcv")));
}

TEST(QTWriterTest, CreationFailures) {
    mvdtest::TempDir dir;
    auto message = [](auto body) {
        try {
            body();
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
        return std::string("(no exception)");
    };
    EXPECT_EQ(message([&] { Writer w(dir.file("missing/a.mov"), false); }),
              "Unable to create file specifier.");
    EXPECT_EQ(message([&] { Writer w(dir.file("b.mov"), true, dir.file("missing/b.rcv")); }),
              "Error creating recovery file");
    EXPECT_THROW(Writer(dir.file("c.mov"), false)->createRawAudioTrack(5, 8000, 16, 0, 0),
                 SetupException);
}

}  // namespace
