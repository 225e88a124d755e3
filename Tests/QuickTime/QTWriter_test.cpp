// The writer's own rules: a writer without tracks, its failures, and tracks
// used after the movie is finalized (track numbers and which tracks log are
// in the recorded scenario's recovery file).
#include <gtest/gtest.h>

#include <filesystem>

#include "MVDCommon/MVDException.h"
#include "QuickTime/QTWriter.h"
#include "RecordingTestSupport.h"

namespace {

using mvdtest::Bytes;

struct Writer : mvdtest::Held<QTWriter> {
    Writer(const std::string& path, bool recovery, const std::string& recoveryPath = "",
           unsigned int width = 32)
        : Held(new QTWriter(path, width, 16, recovery, recoveryPath.c_str())) {}
};

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
    // Without recovery, the movie is the only file written.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace