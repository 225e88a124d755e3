// The audio path seen in the exported file: the stream head, the blocks and
// how chunks are completed, cut or left out.
#include <gtest/gtest.h>

#include "Support/SwfAdpcmDecoder.h"
#include "SwfExportTestSupport.h"

namespace swfexport {
namespace {

tagWAVEFORMATEX Wave(uint32_t rate, uint16_t channels, uint16_t bits) {
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    return tagWAVEFORMATEX{1, channels, rate, rate * align, align, bits, 0};
}

// An export of two 8 x 8 frames with chunks of `bytes` bytes before each.
SwfFileTags ExportSound(const tagWAVEFORMATEX& wave, int compression, int audioFormat,
                        const std::vector<uint8_t>& chunk) {
    ExportRun run(8, 8);
    run.writer.m_SWFConfig.m_nAudioCompression = compression;
    run.writer.m_SWFConfig.m_nAudioFormat = audioFormat;
    run.writer.SetWaveFormat(&wave);
    run.Open();
    const ScreenImage image(8, 8);
    for (int i = 0; i < 2; ++i) {
        run.writer.AddAudioChunk(chunk.data(), static_cast<int>(chunk.size()));
        run.Frame(image);
    }
    return run.Close();
}

TEST(AudioExport, StreamHeadDeclaresOneFramesShare) {
    CSWFWriter writer;
    EXPECT_EQ(writer.GetAudioChunkSize(), 4410) << "22050 Hz, 16-bit mono at 10 frames/s";
    const SwfFileTags file = ExportSound(Wave(22050, 1, 16), 1, 0, {});
    const auto heads = file.Find(kSoundStreamHead2);
    ASSERT_FALSE(heads.empty());
    EXPECT_EQ(heads.back()->body, (std::vector<uint8_t>{0x0A, 0x1A, 0x9D, 0x08}))
        << "mix 0x0A; ADPCM, 22 kHz, 16-bit, mono; 2205 samples per frame";
    EXPECT_EQ(heads.back()->frame, 0);
}

TEST(AudioExport, ChunksAreCompletedWithSilenceOrCutToOneFramesShare) {
    // 8-bit samples are unsigned: silence is 128.
    const SwfFileTags eight = ExportSound(Wave(22050, 1, 8), 0, 0, std::vector<uint8_t>(100, 7));
    const auto blocks = eight.Find(kSoundStreamBlock);
    ASSERT_EQ(blocks.size(), 2u);
    std::vector<uint8_t> expected(2205, 128);
    std::fill(expected.begin(), expected.begin() + 100, 7);
    EXPECT_EQ(blocks[0]->body, expected);
    EXPECT_EQ(eight.Find(kSoundStreamHead2).back()->body[1] & 0x02, 0) << "8-bit stream";

    std::vector<uint8_t> chunk(4410 + 999);
    for (size_t i = 0; i < chunk.size(); ++i) {
        chunk[i] = static_cast<uint8_t>(i * 7);
    }
    const SwfFileTags sixteen = ExportSound(Wave(22050, 1, 16), 0, 0, chunk);
    ASSERT_EQ(sixteen.Find(kSoundStreamBlock).size(), 2u);
    EXPECT_EQ(sixteen.Find(kSoundStreamBlock)[0]->body,
              std::vector<uint8_t>(chunk.begin(), chunk.begin() + 4410));
}

TEST(AudioExport, StereoChunksHoldAFramesShareOfSamplePairs) {
    // 2205 sample pairs: each block decodes to 2205 frames of two channels,
    // in the configured 5-bit codes (format index 3).
    std::vector<uint8_t> chunk(2205 * 4);
    for (size_t i = 0; i < chunk.size(); i += 2) {
        const int16_t v = static_cast<int16_t>((i % 400) * 50 - 10000);
        chunk[i] = static_cast<uint8_t>(v);
        chunk[i + 1] = static_cast<uint8_t>(v >> 8);
    }
    const SwfFileTags file = ExportSound(Wave(22050, 2, 16), 1, 3, chunk);
    EXPECT_EQ(file.Find(kSoundStreamHead2).back()->body[1], 0x1B) << "stereo";
    for (const SwfFileTag* block : file.Find(kSoundStreamBlock)) {
        const auto decoded = mvdtest::DecodeSwfAdpcm(block->body, 2, 2205);
        EXPECT_EQ(decoded.codeBits, 5);
        EXPECT_EQ(decoded.frames, 2205u);
    }
}

TEST(AudioExport, Mp3AndUnstreamableFormatsAddNoBlocks) {
    const std::vector<uint8_t> chunk(4410, 1);
    const SwfFileTags mp3 = ExportSound(Wave(22050, 1, 16), 2, 0, chunk);
    EXPECT_TRUE(mp3.Find(kSoundStreamBlock).empty());
    EXPECT_EQ(mp3.Find(kSoundStreamHead2).back()->body[1] >> 4, 2);

    // 12-bit samples, three channels: no stream at all.
    for (const tagWAVEFORMATEX& wave : {Wave(22050, 1, 12), Wave(22050, 3, 16)}) {
        const SwfFileTags file = ExportSound(wave, 0, 0, chunk);
        EXPECT_TRUE(file.Find(kSoundStreamHead2).empty()) << wave.nChannels;
        EXPECT_TRUE(file.Find(kSoundStreamBlock).empty());
    }
    // Rates the format cannot play declare no stream and write no blocks a
    // player could not read.
    const SwfFileTags unplayable = ExportSound(Wave(8000, 1, 16), 0, 0, chunk);
    EXPECT_TRUE(unplayable.Find(kSoundStreamHead2).empty());
    EXPECT_TRUE(unplayable.Find(kSoundStreamBlock).empty());
    CSWFWriter writer;
    for (uint32_t rate : {16000u, 48000u}) {
        const tagWAVEFORMATEX wave = Wave(rate, 1, 16);
        writer.SetWaveFormat(&wave);
        EXPECT_EQ(writer.PreProcessFirstAudioSample(), 0) << rate;
    }

    // Sound before opening is ignored.
    ExportRun run(8, 8);
    run.writer.AddAudioChunk(chunk.data(), 4410);
    run.Open();
    run.Frame(ScreenImage(8, 8));
    EXPECT_TRUE(run.Close().Find(kSoundStreamBlock).empty());
}

}  // namespace
}  // namespace swfexport
