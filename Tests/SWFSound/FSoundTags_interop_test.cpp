// Sound tags in small SWF movies, decoded by ffmpeg.
#include <gtest/gtest.h>

#include <string>

#include "SWF/FControlTags.h"
#include "SWF/FDTDefineSound.h"
#include "SWF/FDTSoundStream.h"
#include "SWF/FObjCollection.h"
#include "SWF/FSound.h"
#include "SWFSound/SoundTestSignals.h"
#include "SWFSound/WavBuilder.h"
#include "Support/FFmpegTool.h"
#include "Support/SwfAdpcmDecoder.h"
#include "Support/TempDir.h"

namespace {

using Bytes = std::vector<uint8_t>;

using soundtest::FfmpegSamples;

constexpr int kRate = 2;  // 22050 Hz
constexpr int kFps = 10;

// 16-bit streams, ADPCM with `codeBits` or PCM when 0.
struct Stream {
    int type;  // 0 mono, 1 stereo
    int codeBits;
    uint32_t blockFrames;
    int blocks;
};

// A movie of one stream head, then one block and one ShowFrame per frame.
std::string WriteMovie(const mvdtest::TempDir& dir, const Stream& s, const Bytes& samples) {
    FObjCollection movie;
    movie.AddFObj(new MyFDTSoundStreamHead2(FSound::MixByte(kRate, 1, s.type), s.codeBits ? 1 : 0,
                                            1, s.type, kRate, uint16_t(s.blockFrames)));
    const uint32_t blockBytes = s.blockFrames * 2 * (s.type + 1);
    for (int b = 0; b < s.blocks; ++b) {
        const uint8_t* data = samples.data() + size_t(b) * blockBytes;
        if (s.codeBits != 0) {
            movie.AddFObj(new MyFDTSoundStreamBlock_ADPCM(kRate, 1, s.type, s.blockFrames, data,
                                                          blockBytes, s.codeBits));
        } else {
            movie.AddFObj(new MyFDTSoundStreamBlock_PCM(
                blockBytes,
                std::copy(data, data + blockBytes, new uint8_t[blockBytes]) - blockBytes));
        }
        movie.AddFObj(new FCTShowFrame());
    }
    const std::string path = dir.file("sound.swf");
    EXPECT_TRUE(movie.CreateMovie(path.c_str(), 20 * 64, 20 * 48, kFps, 6));
    return path;
}

class SoundStreamInterop : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const std::string missing = mvdtest::FFmpegToolsMissing(); !missing.empty()) {
            GTEST_SKIP() << missing;
        }
    }
    mvdtest::TempDir dir;
};

// PCM (code bits 0) comes back exactly; ADPCM as the reference decoder
// reads each block, and near the source.
TEST_F(SoundStreamInterop, StreamBlocksDecodeAsExpected) {
    const double minSnr[6] = {0, 0, 15, 23, 29, 34};
    for (int bits : {0, 2, 3, 4, 5}) {
        for (int type : {0, 1}) {
            // 4100 frames per block: each ADPCM block spans two packets.
            const Stream s{type, bits, 4100, 3};
            const int channels = type + 1;
            const auto source =
                soundtest::Tones(s.blockFrames * s.blocks, channels, bits ? 12000 : 30000);
            const Bytes raw = soundtest::LeBytes(source);
            const auto decoded = FfmpegSamples(WriteMovie(dir, s, raw));
            SCOPED_TRACE(std::to_string(bits) + "-bit, " + std::to_string(channels) + " channels");
            if (bits == 0) {
                EXPECT_EQ(decoded, source);
                continue;
            }
            // What the reference decoder makes of each block, including any
            // sample decoded from the last byte's padding bits, as ffmpeg does.
            std::vector<int16_t> expected, kept;
            for (int b = 0; b < s.blocks; ++b) {
                MyFDTSoundStreamBlock_ADPCM block(kRate, 1, type, s.blockFrames,
                                                  raw.data() + b * s.blockFrames * 2 * channels,
                                                  s.blockFrames * 2 * channels, bits);
                auto ref = mvdtest::DecodeSwfAdpcm({block.Data(), block.DataLength()}, channels);
                ASSERT_GE(ref.frames, s.blockFrames);
                ASSERT_LE(ref.frames, s.blockFrames + 7u / (bits * channels));  // padding bits
                expected.insert(expected.end(), ref.samples.begin(), ref.samples.end());
                kept.insert(kept.end(), ref.samples.begin(),
                            ref.samples.begin() + s.blockFrames * channels);
            }
            EXPECT_EQ(decoded, expected);
            const double snr = mvdtest::SnrDb(source, kept);
            EXPECT_GT(snr, minSnr[bits]);
        }
    }
}

TEST_F(SoundStreamInterop, DefineSoundFromAWavFileKeepsItsFormat) {
    const auto source = soundtest::Tones(6001, 2);
    FILE* f =
        soundtest::TempFileWith(soundtest::Wav({1, 2, 44100, 16}, soundtest::LeBytes(source)));
    ASSERT_NE(f, nullptr);
    auto* sound = new FDTDefineSoundWAV(f, 4, nullptr);
    fclose(f);
    ASSERT_TRUE(sound->IsLoaded()) << sound->LoadError();
    const Bytes data(sound->Data(), sound->Data() + sound->DataLength());
    FObjCollection movie;
    movie.AddFObj(sound);
    movie.AddFObj(new FCTShowFrame());
    const std::string swf = dir.file("sound.swf");
    ASSERT_TRUE(movie.CreateMovie(swf.c_str(), 20 * 64, 20 * 48, kFps, 6));

    const auto probe = mvdtest::FFprobe(swf, {"-show_streams"});
    ASSERT_TRUE(probe.has_value());
    const auto& stream = (*probe)["streams"][size_t{0}];
    EXPECT_EQ(stream["codec_name"].string(), "adpcm_swf");
    EXPECT_EQ(stream["sample_rate"].asNumber(), 44100);
    EXPECT_EQ(stream["channels"].asNumber(), 2);
    EXPECT_EQ(stream["duration_ts"].asNumber(), 6001);
    const auto reference = mvdtest::DecodeSwfAdpcm(data, 2);
    EXPECT_EQ(FfmpegSamples(swf), reference.samples);
    EXPECT_GT(mvdtest::SnrDb(source, reference.samples), 29);
}

}  // namespace
