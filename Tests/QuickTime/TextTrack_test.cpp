// Caption tracks: UTF-8 samples with their recovery records, and segments
// inserted at most as long as the captions recorded in them.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "MVDCommon/MVDException.h"
#include "QuickTime/QTTextTrack.h"
#include "RecordingTestSupport.h"

namespace {

using mvdtest::Bytes;

struct CFText {
    explicit CFText(const char* utf8)
        : string(CFStringCreateWithCString(nullptr, utf8, kCFStringEncodingUTF8)) {}
    ~CFText() { CFRelease(string); }
    CFStringRef string;
};

class TextTrackTest : public mvdtest::MovieFileTest {
  protected:
    QTTextTrack* newTrack(uint32_t number, QTRecoveryWriterFile* recovery) {
        auto track = new QTTextTrack(number, m_movie, recovery);
        track->retain();
        m_tracks.push_back(track);
        return track;
    }
    void TearDown() override {
        for (QTTextTrack* track : m_tracks) {
            track->release();
        }
        MovieFileTest::TearDown();
    }
    std::vector<QTTextTrack*> m_tracks;
};

TEST_F(TextTrackTest, CaptionsAreUTF8InMediaAndRecords) {
    mvdtest::WriteFileBytes(recoveryPath(),
                            {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17});
    auto recovery = new QTRecoveryWriterFile(recoveryPath().c_str(), 64, 48);
    recovery->retain();
    QTTextTrack* track = newTrack(1, recovery);
    recovery->release();  // the track holds it now
    track->startTrack();
    const char* caption =
        "Gr\xC3\xBC\xC3\x9F"
        "e \xE4\xB8\x96\xE7\x95\x8C";  // Grüße 世界
    size_t length = std::strlen(caption);
    ASSERT_EQ(length, 14u);
    track->writeTextSample(CFText(caption).string, 600);
    track->writeTextSample(CFText("b").string, 1200);
    EXPECT_EQ(GetMediaDuration(track->quickTimeMedia()), 1800);
    EXPECT_THROW(track->writeTextSample(CFText("c").string, 0), MVDException);
    EXPECT_THROW(track->writeTextSample(nullptr, 600), MVDException);
    track->insertMediaIntoTrackWithMediaDuration();

    qtfile::MovieFileReader reader;
    finishAndRead(reader);
    std::vector<uint8_t> sample;
    ASSERT_TRUE(reader.readSample(0, 0, sample).ok());
    ASSERT_GE(sample.size(), 2 + length);
    EXPECT_EQ(sample[0] << 8 | sample[1], static_cast<int>(length));
    EXPECT_EQ(std::string(sample.begin() + 2, sample.begin() + 2 + static_cast<long>(length)),
              caption);
    EXPECT_EQ(reader.track(0).media.header.timeScale, 600u);
    EXPECT_EQ(reader.track(0).header.volume, 0);

    Bytes expected;
    expected.label("RCVR").u32(64).u32(48).label("QTTH").u32(1).u32(0);
    expected.label("QTTS").u32(1).u32(14).u32(0x08000100).raw(caption, length).s64(600);
    expected.label("QTTS").u32(1).u32(1).u32(0x08000100).raw("b", 1).s64(1200);
    EXPECT_EQ(recoveryBytes(), expected.data());
}

TEST_F(TextTrackTest, InsertionIsClampedToTheRecordedCaptions) {
    QTTextTrack* longer = newTrack(0, nullptr);
    QTTextTrack* shorter = newTrack(1, nullptr);
    for (QTTextTrack* track : {longer, shorter}) {
        track->startTrack();
        track->writeTextSample(CFText("one").string, 600);
        track->writeTextSample(CFText("two").string, 1200);
    }
    longer->insertMediaIntoTrackWithDuration(TimeRecord{SInt64ToWide(5000), 600, nullptr});
    shorter->insertMediaIntoTrackWithDuration(TimeRecord{SInt64ToWide(1), 1, nullptr});

    qtfile::MovieFileReader reader;
    finishAndRead(reader);
    EXPECT_EQ(reader.track(0).edits->editList.entries,
              (std::vector<qtfile::EditListEntry>{{1800, 0, 0x10000}}));
    EXPECT_EQ(reader.track(1).edits->editList.entries,
              (std::vector<qtfile::EditListEntry>{{600, 0, 0x10000}}));
    EXPECT_FALSE(std::filesystem::exists(recoveryPath()));
}

}  // namespace
