// Sound tags in small SWF movies, decoded by ffmpeg.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "SWF/FControlTags.h"
#include "SWF/FDTDefineSound.h"
#include "SWF/FDTSoundStream.h"
#include "SWF/FObjCollection.h"
#include "SWF/FSound.h"
#include "SWFSound/SoundTestSignals.h"
#include "SWFSound/WavBuilder.h"
#include "Support/SwfAdpcmDecoder.h"
#include "Support/TempDir.h"

namespace {

using Bytes = std::vector<uint8_t>;

bool HaveFfmpeg() {
    return std::system("ffmpeg -version >/dev/null 2>&1") == 0;
}

// Standard output of a shell command.
Bytes RunCommand(const std::string& command) {
    Bytes out;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return out;
    uint8_t buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        out.insert(out.end(), buffer, buffer + n);
    }
    pclose(pipe);
    return out;
}

// The movie's sound as ffmpeg decodes it: 16-bit samples, interleaved.
std::vector<int16_t> FfmpegSamples(const std::string& swf) {
    const Bytes bytes = RunCommand("ffmpeg -v error -i '" + swf + "' -f s16le -");
    std::vector<int16_t> out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        out.push_back(static_cast<int16_t>(bytes[i] | bytes[i + 1] << 8));
    }
    return out;
}

struct Stream {
    int compression;  // 0 PCM, 1 ADPCM
    int size;         // 0 8-bit, 1 16-bit
    int type;         // 0 mono, 1 stereo
    int codeBits;     // ADPCM only
    uint32_t blockFrames;
    int blocks;
};

constexpr int kRate = 2;  // 22050 Hz
constexpr int kFps = 10;

// A movie of one stream head, then one block and one ShowFrame per frame,
// each block holding blockFrames frames of `samples` (raw bytes).
std::string WriteMovie(const mvdtest::TempDir& dir, const Stream& s, const Bytes& samples) {
    FObjCollection movie;
    movie.AddFObj(new MyFDTSoundStreamHead2(FSound::MixByte(kRate, s.size, s.type), s.compression,
                                            s.size, s.type, kRate,
                                            static_cast<uint16_t>(s.blockFrames)));
    const uint32_t blockBytes = s.blockFrames * (s.size + 1) * (s.type + 1);
    for (int b = 0; b < s.blocks; ++b) {
        const uint8_t* data = samples.data() + size_t(b) * blockBytes;
        if (s.compression == kSoundADPCM) {
            movie.AddFObj(new MyFDTSoundStreamBlock_ADPCM(kRate, s.size, s.type, s.blockFrames,
                                                          data, blockBytes, s.codeBits));
        } else {
            uint8_t* copy = new uint8_t[blockBytes];
            std::copy(data, data + blockBytes, copy);
            movie.AddFObj(new MyFDTSoundStreamBlock_PCM(blockBytes, copy));
        }
        movie.AddFObj(new FCTShowFrame());
    }
    const std::string path = dir.file("sound.swf");
    EXPECT_TRUE(movie.CreateMovie(path.c_str(), 20 * 64, 20 * 48, kFps, 6));
    return path;
}

TEST(SoundStreamInterop, UncompressedPcmComesBackExactly) {
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg not found";
    mvdtest::TempDir dir;
    for (int type : {0, 1}) {
        const Stream s{0, 1, type, 0, 2205, 4};
        const auto source = soundtest::Tones(2205 * 4, type + 1, 30000);
        const auto decoded = FfmpegSamples(WriteMovie(dir, s, soundtest::LeBytes(source)));
        EXPECT_EQ(decoded, source) << (type ? "stereo" : "mono");
    }
}

TEST(SoundStreamInterop, AdpcmBlocksDecodeAsTheReferenceDecoderSaysAndNearTheSource) {
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg not found";
    mvdtest::TempDir dir;
    const double minSnr[6] = {0, 0, 15, 23, 29, 34};
    for (int bits = 2; bits <= 5; ++bits) {
        for (int type : {0, 1}) {
            // 4100 frames per block: each block spans two ADPCM packets.
            const Stream s{1, 1, type, bits, 4100, 3};
            const int channels = type + 1;
            const auto source = soundtest::Tones(s.blockFrames * s.blocks, channels);
            const Bytes raw = soundtest::LeBytes(source);
            const auto decoded = FfmpegSamples(WriteMovie(dir, s, raw));
            SCOPED_TRACE(std::to_string(bits) + "-bit, " + std::to_string(channels) + " channels");

            // What the reference decoder makes of each block, including any
            // sample decoded from the last byte's padding bits, as ffmpeg does.
            std::vector<int16_t> expected, kept, original;
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

TEST(SoundStreamInterop, DefineSoundFromAWavFileKeepsItsFormat) {
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg not found";
    mvdtest::TempDir dir;
    const auto source = soundtest::Tones(6001, 2);
    const std::string wav = dir.file("in.wav");
    mvdtest::WriteFileBytes(wav, soundtest::Wav({1, 2, 44100, 16}, soundtest::LeBytes(source)));
    FILE* f = fopen(wav.c_str(), "rb");
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

    const Bytes probe = RunCommand(
        "ffprobe -v error -show_entries stream=codec_name,sample_rate,channels,"
        "duration_ts -of csv=p=0 '" +
        swf + "'");
    EXPECT_EQ(std::string(probe.begin(), probe.end()), "adpcm_swf,44100,2,6001\n");
    const auto reference = mvdtest::DecodeSwfAdpcm(data, 2);
    EXPECT_EQ(FfmpegSamples(swf), reference.samples);
    EXPECT_GT(mvdtest::SnrDb(source, reference.samples), 29);
}

}  // namespace
