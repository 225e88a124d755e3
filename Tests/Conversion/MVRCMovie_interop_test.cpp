// A movie of capture frame records with a sound track, checked by ffprobe and
// ffmpeg: ffmpeg has no decoder for the private codec, but it lists the
// samples with their times and key flags, hands them back byte for byte and
// decodes the sound.
#include <gtest/gtest.h>

#include <random>

#include "Capture/MVRCQTWriter.h"
#include "ConversionTestSupport.h"
#include "QuickTime/QTAudioTrack.h"
#include "Support/FFmpegTool.h"
#include "Support/SoundFormats.h"
#include "Support/TempDir.h"

namespace {

TEST(MVRCMovieInterop, StreamsSamplesAndSound) {
    if (std::string why = mvdtest::FFmpegToolsMissing(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    tagMVDImageFormat format{120, 70, kMVDPixelFormat32BGRA, 4};
    MVDImage image(&format);
    capturetest::PaintScreen(image, 13);
    mvdtest::TempDir dir;
    const std::string path = dir.file("mvrc.mov");
    // Half a second of stereo noise; the track stores it big-endian.
    std::vector<short> pcm(2 * 8000);
    std::vector<short> stored(pcm.size());
    for (size_t i = 0; i < pcm.size(); ++i) {
        pcm[i] = static_cast<short>((i * 2654435761u) >> 16);
        stored[i] = static_cast<short>(__builtin_bswap16(static_cast<uint16_t>(pcm[i])));
    }
    {
        MVRCQTWriter writer;
        writer.setKeyFrameRate(30);
        writer.openFile(path);
        writer.writeHeader(&format);
        auto* audio = static_cast<QTAudioTrack*>(writer.createAudioTrack(2, 16000, 16, 0));
        writer.start();
        std::mt19937 rng(1);
        CGRect rect = CGRectMake(0, 0, 120, 70);
        for (int f = 0; f < 75; ++f) {
            writer.writeFrame(1, 15.0f, &image, 1, &rect, nullptr, CGRectMake(f, f, 1, 1), 0);
            const tagMVDRect r = capturetest::RandomRect(120, 70, rng);
            capturetest::ChangeRect(image, r, rng);
            rect = capturetest::ToCGRect(r);
        }
        SoundDescriptionHandle sound = mvdtest::NewSoundDescription(mvdtest::PCMStream(2, 16000));
        audio->writeBuffer(stored.data(), int(stored.size() * 2), sound);
        DisposeHandle(reinterpret_cast<Handle>(sound));
        writer.finalizeTracksWithShortestTrackMediaDuration();
        writer.closeFile();
    }
    const conversiontest::DecodedTrack ours = conversiontest::DecodeVideoTrack(path, 0);
    ASSERT_EQ(ours.sampleBytes.size(), 75u);

    std::string error;
    const auto probe = mvdtest::FFprobe(path, {"-show_streams", "-show_packets"}, &error);
    ASSERT_TRUE(probe) << error;
    const auto& video = (*probe)["streams"][0];
    EXPECT_EQ(video["codec_type"].string(), "video");
    EXPECT_EQ(video["codec_tag_string"].string(), "MVRC");
    EXPECT_EQ(video["width"].asNumber(), 120);
    EXPECT_EQ(video["height"].asNumber(), 70);
    EXPECT_EQ(video["nb_frames"].asNumber(), 75);
    EXPECT_EQ((*probe)["streams"][1]["codec_type"].string(), "audio");
    std::vector<std::string> keys;
    int videoPackets = 0;
    const auto& packets = (*probe)["packets"];
    for (size_t i = 0; i < packets.size(); ++i) {
        const auto& packet = packets[i];
        if (packet["stream_index"].asNumber() != 0) {
            continue;
        }
        EXPECT_EQ(packet["pts"].asNumber(), 40 * videoPackets);
        EXPECT_EQ(packet["size"].asNumber(), ours.sampleBytes[videoPackets].size());
        if (packet["flags"].string().find('K') != std::string::npos) {
            keys.push_back(std::to_string(videoPackets));
        }
        ++videoPackets;
    }
    EXPECT_EQ(videoPackets, 75);
    EXPECT_EQ(keys, (std::vector<std::string>{"0", "30", "60"}));

    const auto samples = mvdtest::FFmpegDecode(path, {"-map", "0:v:0", "-c", "copy", "-f", "data"});
    ASSERT_TRUE(samples);
    std::vector<uint8_t> joined;
    for (const auto& sample : ours.sampleBytes) {
        joined.insert(joined.end(), sample.begin(), sample.end());
    }
    EXPECT_EQ(*samples, joined);

    const auto sound = mvdtest::FFmpegDecode(path, {"-map", "0:a:0", "-f", "s16le"});
    ASSERT_TRUE(sound);
    ASSERT_EQ(sound->size(), pcm.size() * 2);
    EXPECT_EQ(std::memcmp(sound->data(), pcm.data(), sound->size()), 0);
}

}  // namespace
