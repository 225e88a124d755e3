// Recordings killed at random moments (screen, cursor, PCM and captions
// through QTWriter with recovery): the movie rebuilt from the recovery index
// must be one ffprobe reads, holding every sample whose record reached the
// index whole, decoding to exactly what was fed.  The cursor track logs
// nothing, so it is not rebuilt.
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iostream>
#include <random>
#include <thread>

#include "CoreFoundation/CFString.h"
#include "ImageCompression/MovieFrameDecoder.h"
#include "QuickTime/QTWriter.h"
#include "RecoveryTestSupport.h"
#include "Support/FFmpegTool.h"
#include "Support/ScreenCodecEnvironment.h"
#include "Support/ScreenContent.h"
#include "Support/SoundFormats.h"
#include "Support/TempDir.h"

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 96;
constexpr int kCursorSize = 16;
constexpr int kFrameDuration = 20;  // of 600: 30 frames a second
constexpr int kSoundRate = 22050;
constexpr int kSoundFramesPerBuffer = kSoundRate / 30;  // stereo, 16-bit
constexpr int kFramesPerCaption = 10;
constexpr int kKills = 24;
// A child never killed stops by itself after this long.
constexpr auto kLongestRecording = std::chrono::seconds(30);

// What the child has handed to its tracks so far (each counter moves on
// when the call has returned); shared with the parent.
struct Fed {
    std::atomic<uint32_t> started{0};
    std::atomic<uint32_t> frames{0};
    std::atomic<uint32_t> soundBuffers{0};
    std::atomic<uint32_t> captions{0};
};

// The recording's content, the same in the child and in the check.
class Source {
  public:
    Source() : m_screen(kWidth, kHeight, 7) { m_screen.render(m_image); }
    // The next screen frame (BGRA, top line first).
    const mvdtest::ScreenImage& nextScreen() {
        if (m_frame++ > 0) {
            m_screen.nextFrame(m_image);
        }
        return m_image;
    }
    static std::vector<uint8_t> cursor(uint32_t frame) {
        std::vector<uint8_t> argb(kCursorSize * kCursorSize * 4);
        for (size_t i = 0; i < argb.size(); i += 4) {
            argb[i] = static_cast<uint8_t>(i < argb.size() / 2 ? 255 : (i * 3) & 0xFF);
            argb[i + 1] = static_cast<uint8_t>(frame * 7 + i);
            argb[i + 2] = static_cast<uint8_t>(frame * 13);
            argb[i + 3] = static_cast<uint8_t>(i / 4);
        }
        return argb;
    }
    // Big-endian stereo samples of buffer `index`.
    static std::vector<uint8_t> sound(uint32_t index) {
        std::vector<uint8_t> bytes(kSoundFramesPerBuffer * 4);
        for (size_t i = 0; i < bytes.size(); i += 2) {
            const auto v = static_cast<uint16_t>((index * 7919u + i) * 2654435761u >> 16);
            bytes[i] = static_cast<uint8_t>(v >> 8);
            bytes[i + 1] = static_cast<uint8_t>(v);
        }
        return bytes;
    }
    static std::string caption(uint32_t index) {
        return "Caption " + std::to_string(index) + " \xC3\xA9t\xC3\xA9";
    }

  private:
    mvdtest::ScreenContent m_screen;
    mvdtest::ScreenImage m_image{kWidth, kHeight, mvdtest::PixelOrder::BGRA};
    uint32_t m_frame = 0;
};

// The child: records until it is killed.
[[noreturn]] void Record(const std::string& movie, const std::string& index, Fed* fed) {
    try {
        auto* writer = new QTWriter(movie, kWidth, kHeight, true, index.c_str());
        writer->retain();
        QTICMVideoTrack* screen =
            writer->createVideoTrack({0, 0, kWidth, kHeight}, kCVPixelFormatType_32BGRA, kWidth * 4,
                                     'mvdk', codecLosslessQuality, 30);
        QTICMVideoTrack* cursor =
            writer->createCursorVideoTrack({0, 0, kCursorSize, kCursorSize}, 30);
        auto* sound = static_cast<QTAudioTrack*>(writer->createAudioTrack(2, kSoundRate, 16, 0));
        QTTextTrack* text = writer->createTextTrack();
        SoundDescriptionHandle description =
            mvdtest::NewSoundDescription(mvdtest::PCMStream(2, kSoundRate));
        writer->start();
        fed->started = 1;
        Source source;
        const auto end = std::chrono::steady_clock::now() + kLongestRecording;
        for (uint32_t f = 0; std::chrono::steady_clock::now() < end; ++f) {
            const mvdtest::ScreenImage& frame = source.nextScreen();
            MVDImage screenImage(kWidth, kHeight, kCVPixelFormatType_32BGRA, 4,
                                 const_cast<uint8_t*>(frame.data()));
            screen->compressAndWriteMVDImage(&screenImage, kFrameDuration);
            std::vector<uint8_t> pointer = Source::cursor(f);
            MVDImage cursorImage(kCursorSize, kCursorSize, kCVPixelFormatType_32ARGB, 4,
                                 pointer.data());
            cursor->compressAndWriteMVDImage(&cursorImage, kFrameDuration);
            fed->frames = f + 1;
            std::vector<uint8_t> pcm = Source::sound(f);
            sound->writeBuffer(reinterpret_cast<short*>(pcm.data()), int(pcm.size()), description);
            fed->soundBuffers = f + 1;
            if (f % kFramesPerCaption == 0) {
                const uint32_t c = f / kFramesPerCaption;
                CFStringRef string = CFStringCreateWithCString(nullptr, Source::caption(c).c_str(),
                                                               kCFStringEncodingUTF8);
                text->writeTextSample(string, kFrameDuration * kFramesPerCaption);
                CFRelease(string);
                fed->captions = c + 1;
            }
        }
    } catch (const std::exception& e) {
        std::cerr << "recording failed: " << e.what() << "\n";
        _exit(1);
    }
    _exit(0);
}

// Screen frames of the rebuilt movie's video track, compared in order with
// the source; how many there were.
uint32_t CheckScreenFrames(const std::string& movie, size_t trackIndex) {
    qtfile::MovieFileReader reader;
    EXPECT_TRUE(reader.open(movie).ok());
    Source source;
    uint32_t decoded = 0;
    const OSErr err = DecodeTrackFrames(
        reader, trackIndex, kCVPixelFormatType_32BGRA,
        [&](uint32_t i, const MovieFrameDecoder& decoder) {
            const mvdtest::ScreenImage& want = source.nextScreen();
            const auto frame = decoder.frame();
            EXPECT_TRUE(std::equal(frame.begin(), frame.end(), want.data())) << "frame " << i;
            ++decoded;
            return !::testing::Test::HasFailure();
        });
    EXPECT_EQ(err, noErr);
    return decoded;
}

class CrashRecovery : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::string why = mvdtest::FFmpegToolsMissing(); !why.empty()) {
            GTEST_SKIP() << why;
        }
        void* shared =
            mmap(nullptr, sizeof(Fed), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(shared, MAP_FAILED);
        m_fed = new (shared) Fed;
    }
    void TearDown() override {
        if (m_fed != nullptr) {
            munmap(m_fed, sizeof(Fed));
        }
    }

    // Records in a child, kills it after `delay` from its start, and checks
    // the rebuilt movie.
    void killAndRecover(std::chrono::milliseconds delay, int round) {
        SCOPED_TRACE("round " + std::to_string(round));
        mvdtest::TempDir dir;
        const std::string movie = dir.file("rec.mov");
        const std::string index = dir.file("rec.rcv");
        const std::string rebuilt = dir.file("rebuilt.mov");
        new (m_fed) Fed;
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            Record(movie, index, m_fed);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (m_fed->started == 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::this_thread::sleep_for(delay);
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the recording ended by itself, status " << status;

        const recoverytest::Outcome outcome = recoverytest::Recover(index, movie, rebuilt);
        ASSERT_FALSE(outcome.threw) << outcome.error;
        ASSERT_TRUE(outcome.result);
        std::string error;
        const auto probe = mvdtest::FFprobe(rebuilt, {"-show_streams"}, &error);
        ASSERT_TRUE(probe) << error;

        // What the index holds whole, track by track.
        const auto records = recoverytest::WholeRecords(mvdtest::ReadFileBytes(index), SIZE_MAX);
        uint32_t screenRecords = 0;
        uint32_t soundRecords = 0;
        uint32_t captionRecords = 0;
        for (const auto& record : records) {
            screenRecords += record.label == "QTVS" && record.track == 0;
            soundRecords += record.label == "QTAS";
            captionRecords += record.label == "QTTS";
        }
        const auto tracks = recoverytest::ReadTracks(rebuilt);
        EXPECT_EQ((*probe)["streams"].size(), tracks.size());
        EXPECT_EQ(tracks.size(),
                  size_t{screenRecords > 0} + (soundRecords > 0) + (captionRecords > 0));
        uint32_t frames = 0;
        std::vector<uint8_t> pcm;
        std::vector<std::string> texts;
        for (size_t t = 0; t < tracks.size(); ++t) {
            const auto& track = tracks[t];
            if (track.mediaType == VideoMediaType) {
                frames = CheckScreenFrames(rebuilt, t);
                EXPECT_EQ(frames, track.samples.size());
            } else if (track.mediaType == SoundMediaType) {
                for (const auto& sample : track.samples) {
                    pcm.insert(pcm.end(), sample.begin(), sample.end());
                }
            } else if (track.mediaType == TextMediaType) {
                for (const auto& sample : track.samples) {
                    // A 16-bit length, then the text.
                    ASSERT_GE(sample.size(), 2u);
                    const size_t length = size_t{sample[0]} << 8 | sample[1];
                    ASSERT_LE(length, sample.size() - 2);
                    texts.emplace_back(sample.begin() + 2, sample.begin() + 2 + length);
                }
            }
        }
        EXPECT_EQ(frames, screenRecords);
        ASSERT_EQ(pcm.size(), size_t{soundRecords} * kSoundFramesPerBuffer * 4);
        for (uint32_t b = 0; b < soundRecords; ++b) {
            const auto want = Source::sound(b);
            ASSERT_TRUE(std::equal(want.begin(), want.end(), pcm.begin() + b * want.size()))
                << "sound buffer " << b;
        }
        ASSERT_EQ(texts.size(), captionRecords);
        for (uint32_t c = 0; c < captionRecords; ++c) {
            EXPECT_EQ(texts[c], Source::caption(c));
        }

        // Nothing rebuilt that was not fed; at most the call under way when
        // the child died may have logged its sample already.
        const Fed& fed = *m_fed;
        EXPECT_LE(frames, fed.frames + 1);
        EXPECT_LE(soundRecords, fed.soundBuffers + 1);
        EXPECT_LE(captionRecords, fed.captions + 1);
        std::cout << "round " << round << ": killed after " << delay.count() << " ms with "
                  << fed.frames << " frames, " << fed.soundBuffers << " sound buffers, "
                  << fed.captions << " captions fed; rebuilt " << frames << ", " << soundRecords
                  << ", " << captionRecords << "\n";
    }

    Fed* m_fed = nullptr;
};

TEST_F(CrashRecovery, EveryCompleteRecordSurvivesAKill) {
    mvdtest::ScreenCodecEnvironment codec;
    std::mt19937 rng(2024);
    for (int round = 0; round < kKills && !HasFatalFailure(); ++round) {
        // A few kills right after the start, the others anywhere in the
        // first 1.2 seconds of recording.
        const int delay = round < 3 ? round : static_cast<int>(rng() % 1200);
        killAndRecover(std::chrono::milliseconds(delay), round);
    }
}

}  // namespace
