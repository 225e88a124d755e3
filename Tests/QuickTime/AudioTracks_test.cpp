// Sound tracks: refusals, segments inserted into the track, a full disk,
// and the raw track's single segment.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "CoreFoundation/CFData.h"
#include "MVDCommon/MVDException.h"
#include "QuickTime/QTAudioTrack.h"
#include "QuickTime/QTRawAudioTrack.h"
#include "RecordingTestSupport.h"
#include "Support/SampleMovie.h"
#include "Support/SoundFormats.h"

namespace {

using mvdtest::Bytes;
using mvdtest::Held;
using mvdtest::NewSoundDescription;
using mvdtest::PCMStream;

std::vector<unsigned char> DescriptionField(SoundDescriptionHandle sound) {
    auto size = static_cast<uint32_t>((*sound)->descSize);
    return Bytes().u32(size).raw(*sound, size).data();
}

class AudioTrackTest : public mvdtest::MovieFileTest {
  protected:
    void SetUp() override {
        MovieFileTest::SetUp();
        m_recovery = new QTRecoveryWriterFile(recoveryPath().c_str(), 320, 200);
        m_recovery->retain();
    }
    void TearDown() override {
        m_recovery->release();
        DisposeHandle(reinterpret_cast<Handle>(m_sound));
        MovieFileTest::TearDown();
    }
    Bytes header() const { return std::move(Bytes().label("RCVR").u32(320).u32(200)); }

    QTRecoveryWriterFile* m_recovery = nullptr;
    SoundDescriptionHandle m_sound = nullptr;
};

TEST_F(AudioTrackTest, SegmentsGoToTheEndOfTheTrack) {
    Held track(new QTAudioTrack(0, m_movie, 1, 8000, 16, 0, nullptr));
    m_sound = NewSoundDescription(PCMStream(1, 8000));
    track->startTrack();
    auto samples = mvdtest::PatternBytes(16000, 3);
    track->writeBuffer(nullptr, 0, m_sound);  // nothing to add
    track->writeBuffer(reinterpret_cast<short*>(samples.data()), 16000, m_sound);
    EXPECT_EQ(WideToSInt64(track->getCurrentMediaSegmentTimeRecord().value), 8000);
    track->pauseTrackWithDuration(TimeRecord{SInt64ToWide(300), 600, nullptr});
    track->unpauseTrack();
    track->writeBuffer(reinterpret_cast<short*>(samples.data()), 8000, m_sound);
    TimeRecord segment = track->getCurrentMediaSegmentTimeRecord();
    EXPECT_EQ(WideToSInt64(segment.value), 4000);
    EXPECT_EQ(segment.scale, 8000);
    // A duration that comes to no media time inserts nothing.
    track->pauseTrackWithDuration(TimeRecord{SInt64ToWide(0), 600, nullptr});
    track->unpauseTrack();
    EXPECT_EQ(WideToSInt64(track->getCurrentMediaSegmentTimeRecord().value), 0);
    track->writeBuffer(reinterpret_cast<short*>(samples.data()), 1600, m_sound);
    track->insertMediaIntoTrackWithMediaDuration();
    EXPECT_EQ(WideToSInt64(track->getTrackTimeRecordWithTime(5).value), 5);
    EXPECT_EQ(track->getTrackTimeRecordWithTime(5).scale, 600);

    qtfile::MovieFileReader reader;
    finishAndRead(reader);
    ASSERT_TRUE(reader.track(0).edits.has_value());
    std::vector<qtfile::EditListEntry> expected{{300, 0, 0x10000}, {60, 12000, 0x10000}};
    EXPECT_EQ(reader.track(0).edits->editList.entries, expected);
    EXPECT_EQ(reader.track(0).header.volume, 0x100);
}

TEST_F(AudioTrackTest, BadInputIsRefused) {
    Held track(new QTAudioTrack(0, m_movie, 2, 8000, 16, 0, m_recovery));
    m_sound = NewSoundDescription(PCMStream(2, 8000));
    track->startTrack();
    // An empty packet list adds nothing but reads the stream description.
    CFDataRef none = CFDataCreate(nullptr, nullptr, 0);
    track->writeCompressedBuffer(nullptr, 0, nullptr, none, 0, m_sound);
    CFRelease(none);
    ASSERT_NE(track->inputStreamDescription(), nullptr);
    EXPECT_EQ(track->inputStreamDescription()->mChannelsPerFrame, 2u);
    EXPECT_EQ(GetMediaSampleCount(track->quickTimeMedia()), 0);
    short buffer[4] = {};
    try {
        track->writeSample(buffer, -4, 1, m_sound, 1, nullptr);
        FAIL() << "negative size accepted";
    } catch (const MVDException& e) {
        std::string message = e.what();
        EXPECT_EQ(message.rfind(
                      "Error -50 in QTAudioTrack::writeSample - AddMediaSample2, buffer = 0x", 0),
                  0u)
            << message;
        EXPECT_NE(message.find(", size = -4, duration = 1\n"), std::string::npos) << message;
    }
    // A buffer that is not whole frames is refused, and logs nothing.
    EXPECT_THROW(track->writeBuffer(buffer, 6, m_sound), MVDException);
    EXPECT_THROW(track->writeCompressedBuffer(buffer, 0, nullptr, nullptr, 0, m_sound),
                 MVDException);
    EXPECT_EQ(recoveryBytes().size(), 12u + 20u);

    Held noFormat(new QTAudioTrack(1, m_movie, 0, 8000, 0, 0, nullptr));
    EXPECT_THROW(noFormat->writeBuffer(buffer, 8, m_sound), MVDException);
    EXPECT_THROW(new QTAudioTrack(2, m_movie, 2, 0, 16, 0, nullptr), SetupException);
}

// A full disk surfaces on the writing call; what was written before stays,
// and a record that did not reach the file is written again in full later.
TEST_F(AudioTrackTest, FullDiskIsReportedAndNothingIsLost) {
    Held track(new QTAudioTrack(0, m_movie, 1, 8000, 16, 0, m_recovery));
    m_sound = NewSoundDescription(PCMStream(1, 8000));
    track->startTrack();
    auto samples = mvdtest::PatternBytes(16, 5);
    auto write = [&] { track->writeBuffer(reinterpret_cast<short*>(samples.data()), 16, m_sound); };
    auto movieSize = [&] { return std::filesystem::file_size(m_path); };
    size_t recoverySize = recoveryBytes().size();
    ASSERT_LE(movieSize() + 16, recoverySize + 40);
    {
        // Room for the sample in the movie, not for its record: the part
        // of the record written is taken back and the lock released.
        mvdtest::FileSizeLimit limit(recoverySize + 40);
        EXPECT_EQ(mvdtest::MessageOf(write), "Error writing recovery file");
    }
    EXPECT_EQ(recoveryBytes().size(), recoverySize);
    EXPECT_TRUE(mvdtest::LockIsFree(m_recovery));
    write();
    {
        mvdtest::FileSizeLimit limit(movieSize());
        try {
            write();
            ADD_FAILURE() << "a sample beyond the disk was accepted";
        } catch (const MVDException& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Error ", 0), 0u) << e.what();
        }
    }
    write();
    track->insertMediaIntoTrackWithMediaDuration();

    qtfile::MovieFileReader reader;
    finishAndRead(reader);
    ASSERT_EQ(reader.samples(0).sampleCount(), 24u);  // 3 buffers of 8 made it
    Bytes expected = header();
    expected.label("QTAH").u32(0).u32(1).u32(8000).u32(16);
    for (uint32_t number : {8u, 16u}) {
        qtfile::SampleInfo info;
        ASSERT_TRUE(reader.sampleInfo(0, number, info).ok());
        expected.label("QTAS").u32(0);
        if (number == 8) {
            expected.append(DescriptionField(m_sound));
        }
        expected.s64(static_cast<int64_t>(info.offset)).u32(16).u32(number).u32(1).u32(1);
    }
    EXPECT_EQ(recoveryBytes(), expected.data());
}

TEST_F(AudioTrackTest, RawTrackIsOneEditFromMediaStart) {
    EXPECT_THROW(new QTRawAudioTrack(0, m_movie, 3, 8000, 16, kAudioFormatLinearPCM, 0),
                 SetupException);
    Held track(new QTRawAudioTrack(
        0, m_movie, 2, 8000, 16, kAudioFormatLinearPCM,
        kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsBigEndian | kAudioFormatFlagIsPacked));
    EXPECT_EQ((*track->soundDescription())->dataFormat, k16BitBigEndianFormat);
    EXPECT_EQ((*track->soundDescription())->numChannels, 2);
    track->startTrack();
    auto samples = mvdtest::PatternBytes(8000, 4);
    track->writeSample(samples.data(), 8000, 1, 2000, nullptr);
    track->pauseTrackWithDuration(TimeRecord{SInt64ToWide(60), 600, nullptr});
    track->unpauseTrack();
    track->writeSample(samples.data(), 4000, 1, 1000, nullptr);
    // The segment since the unpause is measured; inserting keeps the one
    // before it and cuts this one to the duration (0.1 s).
    EXPECT_EQ(WideToSInt64(track->getCurrentMediaSegmentTimeRecord().value), 1000);
    EXPECT_THROW(track->writeSample(samples.data(), 0, 1, 1, nullptr), MVDException);
    track->insertMediaIntoTrackWithDuration(TimeRecord{SInt64ToWide(60), 600, nullptr});

    // Layouts handed over are the track's to free (leak checkers see it).
    auto layout = static_cast<AudioChannelLayout*>(std::calloc(1, 12));
    const AudioChannelLayoutTag mono = kAudioChannelLayoutTag_Mono;
    std::memcpy(layout, &mono, sizeof mono);
    Held fromStream(new QTRawAudioTrack(1, m_movie, PCMStream(1, 48000), layout, 12));
    fromStream->startTrack();
    fromStream->writeSample(samples.data(), 960, 1, 480, nullptr);
    fromStream->finalizeTrack();

    qtfile::MovieFileReader reader;
    finishAndRead(reader);
    std::vector<qtfile::EditListEntry> expected{{210, 0, 0x10000}};
    EXPECT_EQ(reader.track(0).edits->editList.entries, expected);
    expected = {{6, 0, 0x10000}};
    EXPECT_EQ(reader.track(1).edits->editList.entries, expected);
    EXPECT_EQ(reader.samples(0).sampleCount(), 3000u);
}

}  // namespace
