// What mvd writes, checked by the independent tools: its PNG images decoded
// by ffmpeg against our readers' pixels.
#include <gtest/gtest.h>

#include "Capture/MVRCReader.h"
#include "DemoScene.h"
#include "Support/FFmpegTool.h"
#include "Support/SampleMovie.h"
#include "Support/SwfPlayer.h"
#include "Support/TempDir.h"
#include "ToolRun.h"

namespace mvdtest {
namespace {

// ffmpeg's RGBA bytes of one PNG.
std::vector<uint8_t> DecodePng(const std::string& path) {
    std::string error;
    const auto rgba = FFmpegDecode(path, {"-f", "rawvideo", "-pix_fmt", "rgba"}, &error);
    EXPECT_TRUE(rgba.has_value()) << error;
    return rgba.value_or(std::vector<uint8_t>{});
}

TEST(ToolInteropTest, CaptureFramesAsPngAreTheReadersPictures) {
    if (const std::string missing = FFmpegToolsMissing(); !missing.empty()) {
        GTEST_SKIP() << missing;
    }
    TempDir dir;
    const std::string capture = dir.file("demo/demo.mvrc");
    ASSERT_EQ(RunTool({"demo", dir.file("demo"), "--frames", "8", "--size", "200x120", "--quiet"})
                  .exitCode,
              0);
    const CommandResult run =
        RunTool({"frames", capture, dir.file("png"), "--frames", "0,5-6", "--quiet"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;

    MVRCReader reader;
    reader.openFile(capture.c_str());
    _MVRCHeader header{};
    reader.readHeader(&header);
    tagMVDImageFormat format = header.format();
    MVDImage frame(&format);
    _MVRCFrameHeader frameHeader{};
    for (int index = 0; index <= 6; ++index) {
        ASSERT_TRUE(reader.readFrame(&frameHeader, &frame));
        if (index != 0 && index != 5 && index != 6) {
            continue;
        }
        char name[64];
        std::snprintf(name, sizeof name, "png/frame-%06d.png", index);
        const std::vector<uint8_t> rgba = DecodePng(dir.file(name));
        ASSERT_EQ(rgba.size(), size_t{header.width} * header.height * 4);
        // BGRA with its cursor drawn, bottom line first; the image is
        // upright and opaque (RGB).
        frame.flipInPlace();
        for (size_t p = 0; p < rgba.size(); p += 4) {
            ASSERT_EQ(rgba[p], frame.m_pData[p + 2]) << "frame " << index << " byte " << p;
            ASSERT_EQ(rgba[p + 1], frame.m_pData[p + 1]);
            ASSERT_EQ(rgba[p + 2], frame.m_pData[p]);
            ASSERT_EQ(rgba[p + 3], 255);
        }
    }
}

TEST(ToolInteropTest, RawMovieFramesKeepTheirAlpha) {
    if (const std::string missing = FFmpegToolsMissing(); !missing.empty()) {
        GTEST_SKIP() << missing;
    }
    TempDir dir;
    const SampleMovie movie = WriteSampleMovie(dir.file("in.mov"));
    const WrittenTrack* video = nullptr;
    for (const WrittenTrack& t : movie.tracks) {
        video = video == nullptr && t.mediaType == 'vide' ? &t : video;
    }
    ASSERT_NE(video, nullptr);
    const CommandResult run = RunTool({"frames", movie.path, dir.file("png"), "--track",
                                       std::to_string(video->trackID), "--alpha", "--frames", "1"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const std::vector<uint8_t> rgba = DecodePng(dir.file("png/frame-000001.png"));
    // The second sample of the track: its own call, or the second of the first.
    const WrittenSamples& first = video->samples[0];
    const size_t frameBytes = first.bytes.size() / first.count;
    const uint8_t* argb =
        first.count > 1 ? first.bytes.data() + frameBytes : video->samples[1].bytes.data();
    ASSERT_EQ(rgba.size(), frameBytes);
    for (size_t p = 0; p < rgba.size(); p += 4) {
        ASSERT_EQ(rgba[p], argb[p + 1]) << p;
        ASSERT_EQ(rgba[p + 1], argb[p + 2]);
        ASSERT_EQ(rgba[p + 2], argb[p + 3]);
        ASSERT_EQ(rgba[p + 3], argb[p]);
    }
}

TEST(ToolInteropTest, DemoLiveMovieOpensInFFmpegWithCursorSoundAndChapters) {
    if (const std::string missing = FFmpegToolsMissing(); !missing.empty()) {
        GTEST_SKIP() << missing;
    }
    TempDir dir;
    ASSERT_EQ(RunTool({"demo", dir.file("demo"), "--frames", "10", "--size", "160x96", "--quiet"})
                  .exitCode,
              0);
    const std::string movie = dir.file("demo/demo-live.mov");
    std::string error;
    const auto probe = FFprobe(movie, {"-show_streams", "-show_chapters"}, &error);
    ASSERT_TRUE(probe.has_value()) << error;
    const JsonValue& streams = (*probe)["streams"];
    ASSERT_EQ(streams.size(), 4u);
    EXPECT_EQ(streams[0]["codec_tag_string"].string(), "mvdk");
    EXPECT_EQ(streams[1]["codec_name"].string(), "qtrle");
    EXPECT_EQ(streams[2]["codec_tag_string"].string(), "twos");
    EXPECT_EQ((*probe)["chapters"].size(), 4u) << "one chapter per caption";

    // The movie of capture records: its samples and sound are listed.
    const auto records = FFprobe(dir.file("demo/demo-mvrc.mov"), {"-show_streams"}, &error);
    ASSERT_TRUE(records.has_value()) << error;
    ASSERT_EQ((*records)["streams"].size(), 2u);
    EXPECT_EQ((*records)["streams"][0]["codec_tag_string"].string(), "MVRC");
    EXPECT_EQ((*records)["streams"][0]["nb_frames"].string(), "10");
    EXPECT_EQ((*records)["streams"][1]["codec_tag_string"].string(), "twos");

    mvddemo::DemoSettings settings;
    settings.width = 160;
    settings.height = 96;
    settings.frameCount = 10;
    mvddemo::DemoScene scene(settings);
    const auto cursor =
        FFmpegDecode(movie, {"-map", "0:v:1", "-f", "rawvideo", "-pix_fmt", "argb"}, &error);
    ASSERT_TRUE(cursor.has_value()) << error;
    const auto sound = FFmpegDecode(movie, {"-map", "0:a:0", "-f", "s16le"}, &error);
    ASSERT_TRUE(sound.has_value()) << error;
    const size_t frameBytes = 160 * 96 * 4;
    ASSERT_EQ(cursor->size(), frameBytes * 10);
    size_t sample = 0;
    while (scene.next()) {
        // The layer is transparent but for the sprite, alpha and all.
        const uint8_t* layer = cursor->data() + frameBytes * scene.frameNumber();
        const mvddemo::Rect at = scene.cursorRect();
        const mvddemo::CursorSprite& sprite = scene.cursor();
        for (int32_t y = 0; y < 96; ++y) {
            for (int32_t x = 0; x < 160; ++x) {
                const uint8_t* p = layer + (size_t(y) * 160 + size_t(x)) * 4;
                const bool inside = x >= at.x && y >= at.y && x < at.right() && y < at.bottom();
                const uint8_t* s =
                    inside ? sprite.pixels.data() +
                                 (size_t(y - at.y) * size_t(sprite.width) + size_t(x - at.x)) * 4
                           : nullptr;
                const uint8_t alpha = s != nullptr ? s[3] : 0;
                ASSERT_EQ(p[0], alpha) << x << "," << y << " frame " << scene.frameNumber();
                if (s != nullptr && alpha != 0) {
                    ASSERT_EQ(p[1], s[2]);
                    ASSERT_EQ(p[3], s[0]);
                }
            }
        }
        for (int16_t v : scene.audio()) {
            ASSERT_LT(sample * 2 + 1, sound->size());
            const auto got =
                static_cast<int16_t>((*sound)[sample * 2] | (*sound)[sample * 2 + 1] << 8);
            ASSERT_EQ(got, v) << "sample " << sample;
            ++sample;
        }
    }
    EXPECT_EQ(sample * 2, sound->size());
}

TEST(ToolInteropTest, DemoSwfShowsTheCapturedFramesWithTheirCursor) {
    MVD_SKIP_WITHOUT_SWF_PLAYER();
    TempDir dir;
    ASSERT_EQ(RunTool({"demo", dir.file("demo"), "--frames", "6", "--size", "240x136", "--quiet"})
                  .exitCode,
              0);
    const SwfRun run = SwfPlayer::Play(dir.file("demo/demo.swf"), SwfPlayRequest({1, 6}));

    MVRCReader reader;
    reader.openFile(dir.file("demo/demo.mvrc").c_str());
    _MVRCHeader header{};
    reader.readHeader(&header);
    tagMVDImageFormat format = header.format();
    MVDImage frame(&format);
    _MVRCFrameHeader frameHeader{};
    for (int index = 1; index <= 6; ++index) {
        ASSERT_TRUE(reader.readFrame(&frameHeader, &frame));
        if (index != 1 && index != 6) {
            continue;
        }
        const SwfImage& shown = run.Frame(index);
        frame.flipInPlace();  // capture frames keep the bottom line first
        int wrong = 0;
        for (uint32_t y = 0; y < header.height; ++y) {
            for (uint32_t x = 0; x < header.width; ++x) {
                const uint8_t* p = frame.m_pData + (size_t{y} * header.width + x) * 4;
                const std::array<uint8_t, 3> want{p[2], p[1], p[0]};
                wrong += shown.At(int(x), int(y)) != want;
            }
        }
        EXPECT_EQ(wrong, 0) << "frame " << index;
    }
}

}  // namespace
}  // namespace mvdtest
