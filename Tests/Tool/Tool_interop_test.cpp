// What mvd writes, checked by the independent tools: its PNG images decoded
// by ffmpeg against our readers' pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

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

// Runs a quiet demo of `frames` frames of size ("WxH") into dir.
CommandResult RunShortDemo(const std::string& dir, int frames, const std::string& size) {
    return RunTool({"demo", dir, "--frames", std::to_string(frames), "--size", size, "--quiet"});
}

// A capture file's frames as they are shown: BGRA with the cursor drawn,
// top line first.
struct ShownCapture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<std::vector<uint8_t>> frames;
};

ShownCapture ReadShownCapture(const std::string& path) {
    MVRCReader reader;
    reader.openFile(path.c_str());
    _MVRCHeader header{};
    reader.readHeader(&header);
    tagMVDImageFormat format = header.format();
    MVDImage frame(&format);
    _MVRCFrameHeader frameHeader{};
    ShownCapture shown{header.width, header.height, {}};
    while (reader.readFrame(&frameHeader, &frame)) {
        frame.flipInPlace();  // capture frames keep the bottom line first
        shown.frames.emplace_back(frame.m_pData,
                                  frame.m_pData + size_t{header.width} * header.height * 4);
    }
    return shown;
}

class ToolInteropTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const std::string missing = FFmpegToolsMissing(); !missing.empty()) {
            GTEST_SKIP() << missing;
        }
    }
};

TEST_F(ToolInteropTest, CaptureFramesAsPngAreTheReadersPictures) {
    TempDir dir;
    const std::string capture = dir.file("demo/demo.mvrc");
    ASSERT_EQ(RunShortDemo(dir.file("demo"), 8, "200x120").exitCode, 0);
    const CommandResult run =
        RunTool({"frames", capture, dir.file("png"), "--frames", "0,5-6", "--quiet"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;

    const ShownCapture shown = ReadShownCapture(capture);
    ASSERT_EQ(shown.frames.size(), 8u);
    for (int index : {0, 5, 6}) {
        char name[64];
        std::snprintf(name, sizeof name, "png/frame-%06d.png", index);
        const std::vector<uint8_t> rgba = DecodePng(dir.file(name));
        const std::vector<uint8_t>& bgra = shown.frames[size_t(index)];
        ASSERT_EQ(rgba.size(), bgra.size());
        // The image is opaque RGB.
        for (size_t p = 0; p < rgba.size(); p += 4) {
            ASSERT_EQ(rgba[p], bgra[p + 2]) << "frame " << index << " byte " << p;
            ASSERT_EQ(rgba[p + 1], bgra[p + 1]);
            ASSERT_EQ(rgba[p + 2], bgra[p]);
            ASSERT_EQ(rgba[p + 3], 255);
        }
    }
}

TEST_F(ToolInteropTest, RawMovieFramesKeepTheirAlpha) {
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

TEST_F(ToolInteropTest, DemoLiveMovieOpensInFFmpegWithCursorSoundAndChapters) {
    TempDir dir;
    ASSERT_EQ(RunShortDemo(dir.file("demo"), 10, "160x96").exitCode, 0);
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

// The offset of a movie file's top-level 'moov' box.
size_t MovieBoxOffset(const std::vector<unsigned char>& file) {
    size_t at = 0;
    while (at + 8 <= file.size()) {
        uint64_t size = uint64_t{file[at]} << 24 | uint64_t{file[at + 1]} << 16 |
                        uint64_t{file[at + 2]} << 8 | file[at + 3];
        if (size == 1 && at + 16 <= file.size()) {
            size = 0;
            for (size_t i = 8; i < 16; ++i) {
                size = size << 8 | file[at + i];
            }
        }
        if (std::memcmp(&file[at + 4], "moov", 4) == 0) {
            return at;
        }
        if (size < 8 || size > file.size() - at) {
            break;
        }
        at += size;
    }
    ADD_FAILURE() << "no 'moov' box";
    return file.size();
}

// Time, duration and key flag of each sample of a movie's first video
// track, as ffprobe reads them.
std::string VideoPackets(const std::string& path) {
    return RunCommand({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                       "packet=pts,duration,flags", "-of", "csv", path})
        .output;
}

TEST_F(ToolInteropTest, LiveMovieIsRebuiltFromItsRecoveryFileAfterItsMovieBoxIsLost) {
    TempDir dir;
    ASSERT_EQ(RunShortDemo(dir.file("demo"), 25, "160x96").exitCode, 0);
    const std::string movie = dir.file("demo/demo-live.mov");
    // A crash before the movie was finished: everything but its 'moov'.
    const std::vector<unsigned char> whole = ReadFileBytes(movie);
    const std::string crashed = dir.file("crashed.mov");
    WriteFileBytes(crashed, {whole.begin(), whole.begin() + long(MovieBoxOffset(whole))});
    std::string error;
    EXPECT_FALSE(FFprobe(crashed, {"-show_streams"}, &error).has_value()) << "unplayable";

    const std::string rebuilt = dir.file("rebuilt.mov");
    const CommandResult run = RunTool({"recover", movie + ".rcvr", crashed, rebuilt});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const auto probe = FFprobe(rebuilt, {"-show_streams", "-show_chapters"}, &error);
    ASSERT_TRUE(probe.has_value()) << error;
    // The screen, the sound and the captions; the cursor layer is not part
    // of the recovery file.
    std::vector<std::string> tags;
    for (size_t i = 0; i < (*probe)["streams"].size(); ++i) {
        tags.push_back((*probe)["streams"][i]["codec_tag_string"].string());
    }
    std::sort(tags.begin(), tags.end());
    EXPECT_EQ(tags, (std::vector<std::string>{"mvdk", "text", "twos"}));
    const auto original = FFprobe(movie, {"-show_chapters"}, &error);
    ASSERT_TRUE(original.has_value()) << error;
    ASSERT_EQ((*probe)["chapters"].size(), (*original)["chapters"].size());
    for (size_t i = 0; i < (*probe)["chapters"].size(); ++i) {
        EXPECT_EQ((*probe)["chapters"][i]["tags"]["title"].string(),
                  (*original)["chapters"][i]["tags"]["title"].string());
        EXPECT_EQ((*probe)["chapters"][i]["end_time"].string(),
                  (*original)["chapters"][i]["end_time"].string());
    }
    // The screen samples, their times and key flags, and the sound are
    // those of the finished movie.
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{"-map", "0:v:0", "-c", "copy", "-f", "data"},
          std::vector<std::string>{"-map", "0:a:0", "-f", "s16le"}}) {
        const auto want = FFmpegDecode(movie, options, &error);
        ASSERT_TRUE(want.has_value()) << error;
        const auto got = FFmpegDecode(rebuilt, options, &error);
        ASSERT_TRUE(got.has_value()) << error;
        EXPECT_FALSE(want->empty());
        EXPECT_TRUE(*got == *want) << options[1];
    }
    const std::string packets = VideoPackets(movie);
    EXPECT_EQ(VideoPackets(rebuilt), packets);
    EXPECT_EQ(std::count(packets.begin(), packets.end(), '\n'), 25);
}

TEST_F(ToolInteropTest, EveryDemoMovieOpensAndTheConvertedOneShowsTheCapture) {
    TempDir dir;
    ASSERT_EQ(RunShortDemo(dir.file("demo"), 7, "128x72").exitCode, 0);
    std::string error;
    for (const char* name : {"demo-live.mov", "demo-converted.mov", "demo-mvrc.mov"}) {
        const auto probe =
            FFprobe(dir.file(std::string("demo/") + name), {"-show_streams"}, &error);
        ASSERT_TRUE(probe.has_value()) << name << ": " << error;
        EXPECT_EQ((*probe)["streams"][0]["nb_frames"].string(), "7") << name;
    }
    // The converted movie decodes to the capture's frames with their cursor,
    // upright.
    const auto argb = FFmpegDecode(dir.file("demo/demo-converted.mov"),
                                   {"-f", "rawvideo", "-pix_fmt", "bgra"}, &error);
    ASSERT_TRUE(argb.has_value()) << error;
    const ShownCapture shown = ReadShownCapture(dir.file("demo/demo.mvrc"));
    ASSERT_EQ(shown.frames.size(), 7u);
    const size_t frameBytes = shown.frames[0].size();
    ASSERT_EQ(argb->size(), frameBytes * 7);
    for (size_t index = 0; index < 7; ++index) {
        const uint8_t* movie = argb->data() + index * frameBytes;
        for (size_t p = 0; p < frameBytes; p += 4) {
            ASSERT_EQ(std::memcmp(movie + p, shown.frames[index].data() + p, 3), 0)
                << "frame " << index << " byte " << p;
        }
    }
}

TEST(ToolSwfInteropTest, DemoSwfShowsTheCapturedFramesWithTheirCursor) {
    MVD_SKIP_WITHOUT_SWF_PLAYER();
    TempDir dir;
    ASSERT_EQ(RunShortDemo(dir.file("demo"), 6, "240x136").exitCode, 0);
    const SwfRun run = SwfPlayer::Play(dir.file("demo/demo.swf"), SwfPlayRequest({1, 6}));

    const ShownCapture capture = ReadShownCapture(dir.file("demo/demo.mvrc"));
    ASSERT_EQ(capture.frames.size(), 6u);
    // SWF frames count from 1.
    for (int index : {1, 6}) {
        const SwfImage& shown = run.Frame(index);
        const std::vector<uint8_t>& frame = capture.frames[size_t(index - 1)];
        int wrong = 0;
        for (uint32_t y = 0; y < capture.height; ++y) {
            for (uint32_t x = 0; x < capture.width; ++x) {
                const uint8_t* p = frame.data() + (size_t{y} * capture.width + x) * 4;
                const std::array<uint8_t, 3> want{p[2], p[1], p[0]};
                wrong += shown.At(int(x), int(y)) != want;
            }
        }
        EXPECT_EQ(wrong, 0) << "frame " << index;
    }
}

}  // namespace
}  // namespace mvdtest
