// A recording that runs out of disk: the failure comes back as MVDException
// from a writing call (or at the latest from the flush or the finalize),
// and the recovery file keeps a whole record for every sample written
// before, each pointing at that sample's intact data in the movie file.
#include <gtest/gtest.h>

#include <sstream>

#include "CoreFoundation/CFString.h"
#include "ImageCompression/MovieFrameDecoder.h"
#include "MovieToolbox/MovieFileReader.h"
#include "QuickTime/QTWriter.h"
#include "RecordingTestSupport.h"
#include "RecoveryRecords.h"
#include "Support/FileSizeLimit.h"
#include "Support/RecordingScenario.h"
#include "Support/SampleMovie.h"
#include "Support/ScreenCodecEnvironment.h"
#include "Support/SoundFormats.h"

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 100;
constexpr int kPCMBytes = 1600;
constexpr int kIterations = 400;

std::string Caption(int index) {
    return "Caption " + std::to_string(index) + " \xE2\x80\x94 \xC3\xA9t\xC3\xA9";
}

// What the child recorded until the disk was full.
struct Fed {
    int pcmBuffers = 0;
    int frames = 0;
    int captions = 0;
    std::string failedCall;
    std::string message;
};

// Records screen frames, sound and captions until a call fails; the report
// says how far each track got and which call failed with what.
std::string RecordUntilTheDiskIsFull(const std::string& moviePath,
                                     const std::string& recoveryPath) {
    Fed fed;
    const char* call = "setup";
    try {
        mvdtest::Held<QTWriter> writer(
            new QTWriter(moviePath, kWidth, kHeight, true, recoveryPath.c_str()));
        QTICMVideoTrack* screen =
            writer->createVideoTrack(tagMVDRect{0, 0, kWidth, kHeight}, kCVPixelFormatType_32BGRA,
                                     kWidth * 4, 'mvdk', codecLosslessQuality, 10);
        AudioTrack* audio = writer->createAudioTrack(1, 8000, 16, 0);
        QTTextTrack* text = writer->createTextTrack();
        SoundDescriptionHandle sound = mvdtest::NewSoundDescription(mvdtest::PCMStream(1, 8000));
        writer->start();
        for (int i = 0; i < kIterations; ++i) {
            call = "frame";
            std::vector<uint8_t> pixels = mvdtest::ScreenFrame(kWidth, kHeight, true, i % 12);
            MVDImage image(kWidth, kHeight, kCVPixelFormatType_32BGRA, 4, pixels.data());
            screen->compressAndWriteMVDImage(&image, 20);
            ++fed.frames;
            call = "sound";
            std::vector<uint8_t> samples = mvdtest::PatternBytes(kPCMBytes, i);
            audio->writeBuffer(reinterpret_cast<short*>(samples.data()), kPCMBytes, sound);
            ++fed.pcmBuffers;
            if (i % 5 == 0) {
                call = "caption";
                CFStringRef caption = CFStringCreateWithCString(nullptr, Caption(i / 5).c_str(),
                                                                kCFStringEncodingUTF8);
                text->writeTextSample(caption, 100);
                CFRelease(caption);
                ++fed.captions;
            }
        }
        call = "flush";
        writer->flushTrackDataToDisk();
        call = "finalize";
        writer->finalizeTracksWithTrackMediaDuration();
        writer->finalizeMovie();
        call = "none";
        DisposeHandle(reinterpret_cast<Handle>(sound));
    } catch (const MVDException& e) {
        fed.failedCall = call;
        fed.message = e.what();
    } catch (const std::exception& e) {
        fed.failedCall = std::string("not an MVDException, in ") + call;
        fed.message = e.what();
    }
    std::ostringstream report;
    report << fed.pcmBuffers << ' ' << fed.frames << ' ' << fed.captions << '\n'
           << fed.failedCall << '\n'
           << fed.message;
    return report.str();
}

TEST(WriterDiskFullTest, FailureIsReportedAndEveryEarlierSampleStaysRecoverable) {
    mvdtest::ScreenCodecEnvironment codec;
    mvdtest::TempDir dir;
    std::string moviePath = dir.file("full.mov");
    std::string recoveryPath = dir.file("full.rcv");
    constexpr rlim_t kLimit = 150 * 1024;
    std::istringstream report(mvdtest::RunWithFileSizeLimit(
        kLimit, [&] { return RecordUntilTheDiskIsFull(moviePath, recoveryPath); }));
    Fed fed;
    report >> fed.pcmBuffers >> fed.frames >> fed.captions;
    report.ignore();
    std::getline(report, fed.failedCall);
    std::getline(report, fed.message);
    ASSERT_TRUE(fed.failedCall == "frame" || fed.failedCall == "sound" ||
                fed.failedCall == "caption" || fed.failedCall == "flush" ||
                fed.failedCall == "finalize")
        << fed.failedCall << ": " << fed.message;
    EXPECT_LT(fed.pcmBuffers, kIterations);

    std::vector<unsigned char> movie = mvdtest::ReadFileBytes(moviePath);
    EXPECT_LE(movie.size(), kLimit);
    auto contents = mvdtest::ParseRecoveryFile(mvdtest::ReadFileBytes(recoveryPath));
    ASSERT_TRUE(contents.has_value()) << "the recovery file is not a sequence of whole records";
    const auto& records = contents->records;
    ASSERT_GE(records.size(), 3u);
    EXPECT_EQ(records[0].label, "QTVH");
    EXPECT_EQ(records[1].label, "QTAH");
    EXPECT_EQ(records[2].label, "QTTH");

    // Every logged sample, in file order, with its data in the movie.
    int sounds = 0, frames = 0, captions = 0;
    int64_t lastOffset = -1;
    MovieFrameDecoder decoder;
    for (size_t i = 3; i < records.size(); ++i) {
        const mvdtest::RecoveryRecord& record = records[i];
        if (record.label == "QTTS") {
            EXPECT_EQ(record.text, Caption(captions++));
            continue;
        }
        ASSERT_GT(record.offset, lastOffset);
        ASSERT_LE(record.offset + record.size, static_cast<int64_t>(movie.size()));
        lastOffset = record.offset;
        std::span<const uint8_t> data(movie.data() + record.offset, record.size);
        if (record.label == "QTAS") {
            std::vector<uint8_t> expected = mvdtest::PatternBytes(kPCMBytes, sounds++);
            EXPECT_TRUE(std::equal(data.begin(), data.end(), expected.begin(), expected.end()))
                << "sound " << sounds - 1;
            continue;
        }
        ASSERT_EQ(record.label, "QTVS");
        if (frames == 0) {
            ASSERT_EQ(decoder.begin(record.description, kCVPixelFormatType_32BGRA), noErr);
        }
        ASSERT_EQ(decoder.decodeFrame(data), noErr);
        std::vector<uint8_t> expected = mvdtest::ScreenFrame(kWidth, kHeight, true, frames++ % 12);
        EXPECT_TRUE(std::equal(decoder.frame().begin(), decoder.frame().end(), expected.begin(),
                               expected.end()))
            << "frame " << frames - 1;
    }
    EXPECT_EQ(sounds, fed.pcmBuffers);
    EXPECT_EQ(captions, fed.captions);
    EXPECT_GT(frames, 0);
    EXPECT_LE(frames, fed.frames);
}

}  // namespace
