// Movies written through the Movie Toolbox, checked by ffprobe and ffmpeg:
// codecs, durations with edit lists, chapters, key frames and the exact
// bytes of raw video and PCM sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "Support/FFmpegTool.h"
#include "Support/SampleMovie.h"
#include "Support/TempDir.h"
#include "ToolboxMovie.h"

namespace {

using mvdtest::JsonValue;
using mvdtest::SampleMovie;
using mvdtest::WrittenTrack;

class MovieInterop : public mvdtest::SampleMovieSuite {
  protected:
    void SetUp() override {
        std::string missing = mvdtest::FFmpegToolsMissing();
        if (!missing.empty()) {
            GTEST_SKIP() << missing;
        }
    }

    static JsonValue Probe(const std::vector<std::string>& sections) {
        std::string error;
        auto json = mvdtest::FFprobe(s_movie->path, sections, &error);
        EXPECT_TRUE(json) << error;
        return json ? *json : JsonValue{};
    }

    // Every sample byte of a track, in edit order (each sample played once).
    static std::vector<uint8_t> AllBytes(const WrittenTrack& track) {
        std::vector<uint8_t> all;
        for (const auto& s : track.samples) {
            all.insert(all.end(), s.bytes.begin(), s.bytes.end());
        }
        return all;
    }

    static std::vector<uint8_t> Decode(const std::vector<std::string>& options) {
        std::string error;
        auto bytes = mvdtest::FFmpegDecode(s_movie->path, options, &error);
        EXPECT_TRUE(bytes) << error;
        return bytes ? *bytes : std::vector<uint8_t>{};
    }
};

TEST_F(MovieInterop, StreamsHaveTheirCodecsAndEditedDurations) {
    JsonValue json = Probe({"-show_streams", "-show_format"});
    const JsonValue& streams = json["streams"];
    ASSERT_EQ(streams.size(), s_movie->tracks.size());
    for (size_t i = 0; i < streams.size(); ++i) {
        const WrittenTrack& written = s_movie->tracks[i];
        const JsonValue& stream = streams[i];
        SCOPED_TRACE("stream " + std::to_string(i));
        EXPECT_EQ(stream["codec_name"].string(), written.codec);
        EXPECT_EQ(stream["id"].string(), "0x" + std::to_string(written.trackID));
        double edited = 0;
        for (const auto& e : written.edits) {
            if (e.mediaTime >= 0) {
                edited += e.trackDuration / 600.0;
            }
        }
        EXPECT_NEAR(stream["duration"].asNumber(), edited, 0.002);
        if (written.mediaType == VideoMediaType) {
            EXPECT_EQ(stream["width"].asNumber(), FixedToInt(written.width));
            EXPECT_EQ(stream["height"].asNumber(), FixedToInt(written.height));
        }
    }
    // The cursor track starts after an empty edit of half a second.
    EXPECT_NEAR(streams[1]["start_time"].asNumber(), 0.5, 0.001);
    EXPECT_EQ(streams[2]["sample_rate"].string(), "22050");
    EXPECT_EQ(streams[2]["channels"].asNumber(), 2);
    EXPECT_EQ(streams[4]["sample_rate"].string(), "48000");
    EXPECT_NEAR(json["format"]["duration"].asNumber(), 1.0, 0.002);
    EXPECT_EQ(json["format"]["format_name"].string(), "mov,mp4,m4a,3gp,3g2,mj2");
}

TEST_F(MovieInterop, ChaptersComeFromTheReferencedTextTrack) {
    JsonValue json = Probe({"-show_chapters"});
    const JsonValue& chapters = json["chapters"];
    const WrittenTrack& text = s_movie->track(s_movie->chapterTrackID);
    ASSERT_EQ(chapters.size(), text.texts.size());
    for (size_t i = 0; i < chapters.size(); ++i) {
        EXPECT_EQ(chapters[i]["tags"]["title"].string(), text.texts[i]);
        EXPECT_NEAR(chapters[i]["start_time"].asNumber(), text.samples[i].decodeTime / 600.0,
                    0.001);
        double end = (text.samples[i].decodeTime + text.samples[i].duration) / 600.0;
        EXPECT_NEAR(chapters[i]["end_time"].asNumber(), end, 0.001);
    }
}

// A codec ffmpeg cannot decode: it lists the packets as stored, so their
// places, sizes and key flags check the sample tables themselves.
TEST_F(MovieInterop, PrivateCodecPacketsFollowTheSampleTables) {
    std::string path = s_dir->file("private.mov");
    const std::vector<size_t> sizes = {700, 30, 31, 900, 5, 64};
    const std::vector<bool> sync = {true, false, false, true, false, false};
    std::vector<uint8_t> all;
    std::vector<int64_t> offsets;
    {
        mvdtest::ToolboxMovie file(path);
        ASSERT_EQ(file.created, noErr);
        Media media = file.addMedia(VideoMediaType, 600, 32, 16);
        ImageDescriptionHandle desc = mvdtest::NewImageDescription('mvdk', 32, 16, 32);
        for (size_t i = 0; i < sizes.size(); ++i) {
            auto bytes = mvdtest::PatternBytes(sizes[i], static_cast<uint32_t>(i));
            ASSERT_EQ(AddMediaSample2(media, bytes.data(), bytes.size(), 40, 0,
                                      reinterpret_cast<SampleDescriptionHandle>(desc), 1,
                                      sync[i] ? 0u : UInt32{mediaSampleNotSync}, nullptr),
                      noErr);
            offsets.push_back(WideToSInt64(mvdtest::ReferenceAt(media, 40 * i).dataOffset));
            all.insert(all.end(), bytes.begin(), bytes.end());
        }
        DisposeHandle(reinterpret_cast<Handle>(desc));
        ASSERT_EQ(file.finish({media}), noErr);
    }

    std::string error;
    auto json = mvdtest::FFprobe(path, {"-show_streams", "-show_packets"}, &error);
    ASSERT_TRUE(json) << error;
    EXPECT_EQ((*json)["streams"][0]["codec_tag_string"].string(), "mvdk");
    EXPECT_EQ((*json)["streams"][0]["nb_frames"].string(), "6");
    const JsonValue& packets = (*json)["packets"];
    ASSERT_EQ(packets.size(), sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
        SCOPED_TRACE("packet " + std::to_string(i));
        EXPECT_EQ(packets[i]["flags"].string()[0] == 'K', sync[i]);
        EXPECT_EQ(packets[i]["pos"].asNumber(), static_cast<double>(offsets[i]));
        EXPECT_EQ(packets[i]["size"].asNumber(), static_cast<double>(sizes[i]));
        EXPECT_EQ(packets[i]["pts"].asNumber(), 40.0 * static_cast<double>(i));
    }
    auto copied = mvdtest::FFmpegDecode(path, {"-map", "0:v", "-c", "copy", "-f", "data"}, &error);
    ASSERT_TRUE(copied) << error;
    EXPECT_EQ(*copied, all);
}

TEST_F(MovieInterop, RawVideoDecodesToTheBytesWritten) {
    for (int v = 0; v < 2; ++v) {
        SCOPED_TRACE("video " + std::to_string(v));
        auto decoded = Decode({"-map", "0:v:" + std::to_string(v), "-vsync", "passthrough", "-f",
                               "rawvideo", "-pix_fmt", "argb"});
        EXPECT_EQ(decoded, AllBytes(s_movie->tracks[static_cast<size_t>(v)]));
    }
}

TEST_F(MovieInterop, PcmDecodesToTheSamplesWritten) {
    // 'sowt': little-endian already.
    EXPECT_EQ(Decode({"-map", "0:a:0", "-f", "s16le"}), AllBytes(s_movie->tracks[2]));
    // 'twos': ffmpeg hands back little-endian samples.
    std::vector<uint8_t> bigEndian = AllBytes(s_movie->tracks[3]);
    for (size_t i = 0; i + 1 < bigEndian.size(); i += 2) {
        std::swap(bigEndian[i], bigEndian[i + 1]);
    }
    EXPECT_EQ(Decode({"-map", "0:a:1", "-f", "s16le"}), bigEndian);
    // 'lpcm' float, in a version 2 description.
    EXPECT_EQ(Decode({"-map", "0:a:2", "-c:a", "pcm_f32le", "-f", "f32le"}),
              AllBytes(s_movie->tracks[4]));
}

}  // namespace
