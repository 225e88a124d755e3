// Whole exports of screen-like recordings with sound, checked three ways:
// the file's structure read back with the library's own SWF parser, the
// pictures played by the Ruffle player (movie area exact, controller bar
// below, its button pausing the movie), and the sound decoded by ffmpeg.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <set>

#include "../../Resources/generator/ControllerMovie.h"
#include "SWFExport/MD5.h"
#include "SWFSound/SoundTestSignals.h"
#include "Support/FFmpegTool.h"
#include "Support/SwfAdpcmDecoder.h"
#include "Support/SwfPlayer.h"
#include "SwfExportTestSupport.h"

namespace swfexport {
namespace {

using Digest = std::array<uint8_t, 16>;
using Rgb3 = std::array<uint8_t, 3>;

constexpr int kBar = controller::kBarHeight;
constexpr int kSamplesPerFrame = 2205;  // 22050 Hz at 10 frames per second

Digest DigestOf(const std::vector<uint8_t>& bytes) {
    Digest digest;
    MD5_CTX context;
    MD5_Init(&context);
    MD5_Update(&context, bytes.data(), bytes.size());
    MD5_Final(digest.data(), &context);
    return digest;
}

Rgb3 Color(uint32_t rgb) {
    return {uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb)};
}

struct Recording {
    int width = 0;
    int height = 0;
    int frames = 0;
    std::string path;
    std::vector<Digest> digests;                   // of each frame's RGB
    std::map<int, std::vector<uint8_t>> pictures;  // RGB of the frames kept
    std::vector<int16_t> samples;
};

// `frames` frames of a screen with typing, scrolling and moving windows;
// every fifth frame only a text cursor blinks (so its two pictures repeat).
// One chunk of sound before each frame.
Recording Export(const mvdtest::TempDir& dir, int width, int height, int frames, int compression,
                 int audioFormat, const std::set<int>& keep) {
    Recording r{width, height, frames, dir.file("export.swf"), {}, {}, {}};
    r.samples = soundtest::Tones(uint32_t(frames) * kSamplesPerFrame, 1);
    const std::vector<uint8_t> sound = soundtest::LeBytes(r.samples);

    CSWFWriter writer;
    writer.m_SWFConfig.m_nAudioCompression = compression;
    writer.m_SWFConfig.m_nAudioFormat = audioFormat;
    writer.SetControllerHeight(kBar);
    writer.SetOutputFilename(CString(r.path.c_str()));
    const tagBITMAPINFO info = FrameInfo(width, height);
    writer.SetSourceBitmapInfo(&info);
    EXPECT_EQ(writer.OpenFile(), 0);

    mvdtest::ScreenContent screen(width, height, 3);
    ScreenImage clean(width, height);
    screen.render(clean);
    const mvdtest::ScreenRect cursor{width / 2, height - 48, 2, 16};
    bool cursorOn = false;
    for (int i = 0; i < frames; ++i) {
        if (i > 0 && i % 5 == 0) {
            cursorOn = !cursorOn;
        } else if (i > 0) {
            screen.nextFrame(clean);
        }
        ScreenImage shown = clean;
        if (cursorOn) {
            shown.fill(cursor, 0xFF000000);
        }
        const std::vector<uint8_t> rgb = Rgb(shown);
        r.digests.push_back(DigestOf(rgb));
        if (keep.count(i) != 0) {
            r.pictures[i] = rgb;
        }
        const size_t chunk = kSamplesPerFrame * 2;
        writer.AddAudioChunk(sound.data() + size_t(i) * chunk, int(chunk));
        writer.ReceiveVideoFrame(Packed(shown).data());
    }
    EXPECT_EQ(writer.CloseFile(false), 0);
    return r;
}

// The merged file read back: header, frames, bitmaps reused, and each
// frame's picture (drawn from the display list) equal to its source, with no
// hidden picture kept.  The merge's own tags are checked by its unit tests.
void CheckStructure(const Recording& r) {
    const SwfFileTags file = mvdtest::ReadSwfFileTags(r.path);
    EXPECT_EQ(file.header.version, 8);
    EXPECT_EQ(file.header.xMax - file.header.xMin, r.width * 20);
    EXPECT_EQ(file.header.yMax - file.header.yMin, (r.height + kBar) * 20);
    EXPECT_EQ(file.header.frameRate, 10 << 8);
    EXPECT_EQ(file.header.frameCount, r.frames);
    EXPECT_EQ(file.showFrames, r.frames);
    EXPECT_FALSE(file.Find(kDefineSprite).empty()) << "the controller is merged";

    // Pictures: a shape each frame with a change, bitmaps defined once.
    int reusedFrames = 0;
    std::set<Digest> bitmapPixels;
    for (int frame = 1; frame < r.frames; ++frame) {
        const auto codes = Codes(MovieTags(file, frame));
        const bool drawn = std::count(codes.begin(), codes.end(), kDefineShape3) == 1;
        const bool defines = std::count(codes.begin(), codes.end(), kDefineBitsLossless2) > 0;
        reusedFrames += drawn && !defines;
    }
    for (const SwfFileTag* tag : file.Find(kDefineBitsLossless2)) {
        const std::vector<uint8_t> pixels(tag->body.begin() + 2, tag->body.end());
        EXPECT_TRUE(bitmapPixels.insert(DigestOf(pixels)).second) << "a bitmap defined twice";
    }
    // The cursor blinks on every fifth frame: after its first on and off, its
    // pictures are all drawn again by ID.
    EXPECT_GE(reusedFrames, r.frames / 5 - 3);

    PlayFrames(file, [&](int frame, const mvdtest::SwfScreenModel& model) {
        EXPECT_EQ(DigestOf(model.Render(r.width, r.height)), r.digests[size_t(frame)])
            << "frame " << frame;
        for (const auto& [depth, area] : model.VisibleAreas(r.width, r.height)) {
            if (depth <= CSWFWriter::kMaxPictureDepth) {
                EXPECT_GT(area, 0) << "depth " << depth << " hidden but kept, frame " << frame;
            }
        }
    });
}

// The first pixel where the movie area of a player frame differs from the
// source picture, or "".
std::string MovieAreaDiff(const mvdtest::SwfImage& image, const Recording& r, int sourceFrame) {
    const size_t size = std::min(image.rgb.size(), size_t(r.width) * size_t(r.height) * 3);
    return FirstDifference(std::vector<uint8_t>(image.rgb.begin(), image.rgb.begin() + long(size)),
                           r.pictures.at(sourceFrame), r.width);
}

Rgb3 BarPixel(const mvdtest::SwfImage& image, int height, int x, int y) {
    return image.At(x, height + y);
}

// The controller bar below the movie: its background across the width,
// the icon matching the state, the progress so far.
void CheckBar(const mvdtest::SwfImage& image, const Recording& r, bool playing, double progress,
              const char* when) {
    SCOPED_TRACE(when);
    const int w = r.width, h = r.height;
    EXPECT_EQ(BarPixel(image, h, w / 2, 0), Color(controller::kEdgeColor));
    EXPECT_EQ(BarPixel(image, h, w - 2, 8), Color(controller::kHighlightColor));
    EXPECT_EQ(BarPixel(image, h, w / 2, 30), Color(controller::kBarColor));
    EXPECT_EQ(BarPixel(image, h, 2, kBar - 1), Color(controller::kBarColor));
    // Between the pause bars: the button while playing, the play triangle
    // while stopped; on a pause bar only while playing.
    const int gapX = controller::kPauseBarLeft[0] + controller::kPauseBarWidth + 1;
    EXPECT_EQ(BarPixel(image, h, gapX, 18) == Color(controller::kIconColor), !playing);
    EXPECT_EQ(
        BarPixel(image, h, controller::kPauseBarLeft[1] + 3, 12) == Color(controller::kIconColor),
        playing);
    const int trackLeft = controller::kTrackX;
    const int trackWidth = w - controller::kTrackX - controller::kTrackRightMargin;
    const int y = controller::kTrackY + controller::kTrackHeight / 2;
    const int filled = int(progress * trackWidth);
    if (filled > 2) {
        EXPECT_EQ(BarPixel(image, h, trackLeft + filled - 2, y), Color(controller::kProgressColor));
    }
    if (filled < trackWidth - 2) {
        EXPECT_EQ(BarPixel(image, h, trackLeft + filled + 2, y), Color(controller::kTrackColor));
    }
}

std::string AudioCodec(const std::string& path) {
    const auto probe = mvdtest::FFprobe(path, {"-show_streams", "-select_streams", "a"});
    if (!probe || (*probe)["streams"].size() != 1) {
        return "";
    }
    return (*probe)["streams"][size_t{0}]["codec_name"].string() + "@" +
           (*probe)["streams"][size_t{0}]["sample_rate"].string();
}

class SwfExportInterop : public ::testing::Test {
  protected:
    mvdtest::TempDir m_dir;
};

TEST_F(SwfExportInterop, VgaRecordingWithPcmSound) {
    const Recording r = Export(m_dir, 640, 480, 100, 0, 0, {0, 1, 49, 99});
    CheckStructure(r);

    if (mvdtest::FFmpegToolsMissing().empty()) {
        EXPECT_EQ(AudioCodec(r.path), "pcm_s16le@22050");
        EXPECT_EQ(soundtest::FfmpegSamples(r.path), r.samples)
            << "uncompressed sound comes back exactly";
    }

    MVD_SKIP_WITHOUT_SWF_PLAYER();
    const mvdtest::SwfRun run =
        mvdtest::SwfPlayer::Play(r.path, mvdtest::SwfPlayRequest({1, 2, 50, 100, 103}));
    EXPECT_TRUE(run.errors.empty()) << run.errors.front();
    EXPECT_EQ(run.width, 640);
    EXPECT_EQ(run.height, 480 + kBar);
    EXPECT_EQ(MovieAreaDiff(run.Frame(1), r, 0), "");
    EXPECT_EQ(MovieAreaDiff(run.Frame(2), r, 1), "");
    EXPECT_EQ(MovieAreaDiff(run.Frame(50), r, 49), "");
    EXPECT_EQ(MovieAreaDiff(run.Frame(100), r, 99), "");
    EXPECT_EQ(MovieAreaDiff(run.Frame(103), r, 99), "") << "the movie stops on its last frame";
    CheckBar(run.Frame(1), r, true, 0.01, "frame 1");
    CheckBar(run.Frame(50), r, true, 0.5, "frame 50");
    CheckBar(run.Frame(103), r, false, 1.0, "after the end");
}

TEST_F(SwfExportInterop, HdRecordingWithAdpcmSoundAndAWorkingPauseButton) {
    // Format index 2: 4-bit ADPCM codes.
    const Recording r = Export(m_dir, 1280, 720, 100, 1, 2, {0, 9, 10, 11, 99});
    CheckStructure(r);

    if (mvdtest::FFmpegToolsMissing().empty()) {
        EXPECT_EQ(AudioCodec(r.path), "adpcm_swf@22050");
        // Each block is a complete stream: the reference decoder's reading of
        // every block is what ffmpeg plays, and it is close to the source.
        std::vector<int16_t> reference;
        const SwfFileTags file = mvdtest::ReadSwfFileTags(r.path);
        for (const SwfFileTag* block : file.Find(kSoundStreamBlock)) {
            const auto decoded = mvdtest::DecodeSwfAdpcm(block->body, 1);
            EXPECT_EQ(decoded.codeBits, 4);
            EXPECT_EQ(decoded.frames, uint32_t(kSamplesPerFrame));
            reference.insert(reference.end(), decoded.samples.begin(), decoded.samples.end());
        }
        EXPECT_EQ(soundtest::FfmpegSamples(r.path), reference);
        EXPECT_GT(mvdtest::SnrDb(r.samples, reference), 29.0);
    }

    MVD_SKIP_WITHOUT_SWF_PLAYER();
    const int buttonX = controller::kButtonX + controller::kButtonSide / 2;
    const int buttonY = r.height + controller::kButtonY + controller::kButtonSide / 2;
    mvdtest::SwfPlayRequest request({1, 10, 11, 14, 16});
    request.clicks = {{buttonX, buttonY, 10}, {buttonX, buttonY, 14}};
    const mvdtest::SwfRun run = mvdtest::SwfPlayer::Play(r.path, request);
    EXPECT_TRUE(run.errors.empty()) << run.errors.front();
    EXPECT_EQ(MovieAreaDiff(run.Frame(1), r, 0), "");
    EXPECT_EQ(MovieAreaDiff(run.Frame(10), r, 9), "");
    CheckBar(run.Frame(10), r, true, 0.1, "before the click");
    // Paused after frame 10: the picture stays, the bar offers to play.
    EXPECT_EQ(MovieAreaDiff(run.Frame(11), r, 9), "");
    EXPECT_EQ(MovieAreaDiff(run.Frame(14), r, 9), "");
    CheckBar(run.Frame(14), r, false, 0.1, "paused");
    // Played on after frame 14: two frames later the movie is two frames on.
    EXPECT_EQ(MovieAreaDiff(run.Frame(16), r, 11), "");
    CheckBar(run.Frame(16), r, true, 0.12, "playing again");
}

}  // namespace
}  // namespace swfexport
