#include "SWF/FWavReader.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "SWFSound/WavBuilder.h"

namespace {

using namespace soundtest;

Bytes Ramp(size_t n) {
    Bytes b;
    for (size_t i = 0; i < n; ++i)
        b.push_back(static_cast<uint8_t>(i * 7 + 3));
    return b;
}

// Loads bytes and returns the error ("" on success); the reader's trace
// goes to `trace` when given.
std::string LoadError(const Bytes& file, FWavSound* sound = nullptr, std::string* trace = nullptr) {
    char* text = nullptr;
    size_t length = 0;
    FILE* sink = trace ? open_memstream(&text, &length) : nullptr;
    FWavReader reader(sink);
    const bool ok = reader.Load(file);
    if (sink) {
        fclose(sink);
        *trace = std::string(text, length);
        free(text);
    }
    EXPECT_EQ(ok, reader.Error().empty());
    if (sound)
        *sound = reader.Sound();
    return reader.Error();
}

TEST(FWavReader, ReadsPcmAtEverySwfRateSizeAndChannelCount) {
    struct Case {
        uint16_t channels, bits;
        uint32_t rate;
        int rateCode;
    };
    for (Case c : {Case{1, 8, 5512, 0}, Case{2, 8, 11025, 1}, Case{1, 16, 22050, 2},
                   Case{2, 16, 44100, 3}}) {
        const Bytes samples = Ramp(c.channels * c.bits / 8 * 101);
        FWavSound s;
        ASSERT_EQ(LoadError(Wav({1, c.channels, c.rate, c.bits}, samples), &s), "");
        EXPECT_EQ(s.m_rate, c.rateCode);
        EXPECT_EQ(s.m_size, c.bits == 16 ? 1 : 0);
        EXPECT_EQ(s.m_type, c.channels == 2 ? 1 : 0);
        EXPECT_EQ(s.m_sampleCount, 101u);
        EXPECT_EQ(s.m_samples, samples);
        EXPECT_EQ(s.m_format.m_samplesPerSec, c.rate);
    }
}

TEST(FWavReader, SkipsOtherChunksWithTheirPaddingAndKeepsWholeFrames) {
    // An odd-sized chunk before the data is padded; the data chunk holds
    // half a stereo frame too many, which is dropped.
    const Bytes samples = Ramp(4 * 50 + 3);
    Bytes file = Riff({Chunk("LIST", Ramp(7)), FormatChunk({1, 2, 22050, 16}),
                       Chunk("fact", Ramp(4)), Chunk("data", samples)});
    FWavSound s;
    std::string trace;
    ASSERT_EQ(LoadError(file, &s, &trace), "");
    EXPECT_EQ(s.m_sampleCount, 50u);
    EXPECT_EQ(s.m_samples, Bytes(samples.begin(), samples.begin() + 200));
    EXPECT_NE(trace.find("\n----- Chunk ID 5453494c, Size 7 -----\nUnknown Chunk\n"),
              std::string::npos)
        << trace;

    // A data chunk that comes before the format chunk is accepted with a
    // warning; an extensible format chunk naming PCM counts as PCM.
    Bytes ext = FormatChunk({0xFFFE, 1, 11025, 8});
    ext[4] = 40;  // chunk size 40: cbSize 22, valid bits, mask, PCM GUID
    const uint8_t tail[] = {22, 0, 8,    0,    4,    0,    0,    0,    1,    0,    0,    0,
                            0,  0, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    ext.insert(ext.end(), std::begin(tail), std::end(tail));
    ASSERT_EQ(LoadError(Riff({Chunk("data", Ramp(9)), ext}), &s, &trace), "");
    EXPECT_NE(trace.find("Warning Format Chunk not defined before Data Chunk\n"),
              std::string::npos);
    EXPECT_EQ(s.m_sampleCount, 9u);
    EXPECT_EQ(s.m_rate, 1);
}

TEST(FWavReader, DamagedFilesFailWithTheirMessage) {
    const Bytes good = Wav({1, 1, 22050, 16}, Ramp(100));
    struct Case {
        const char* what;
        Bytes file;
        std::string error;
    };
    Bytes truncated(good.begin(), good.end() - 30);
    Bytes badAlign = Wav({1, 2, 22050, 16, 2}, Ramp(100));
    Bytes shortFormat = Riff({Chunk("fmt ", Ramp(12)), Chunk("data", Ramp(4))});
    const Case cases[] = {
        {"empty", {}, "Not a RIFF format file\n"},
        {"short header", {'R', 'I', 'F', 'F', 1, 0}, "Not a WAVE file\n"},
        {"not RIFF", Bytes{'R', 'I', 'F', 'X', 4, 0, 0, 0, 'W', 'A', 'V', 'E'},
         "Not a RIFF format file\n"},
        {"no chunks", Riff({}), "No Data Chunk\n"},
        {"AVI", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '}, "Not a WAVE file\n"},
        {"truncated data", truncated, "Data Chunk truncated: 70 of 100 bytes present\n"},
        {"lying chunk", Riff({FormatChunk({}), Chunk("LIST", Ramp(3), 0xFFFFFFF0)}),
         "Chunk 'LIST' runs past the end of the file\n"},
        {"cut chunk header", Riff({FormatChunk({}), Bytes{'d', 'a', 't'}}),
         "Truncated chunk header\n"},
        {"no format", Riff({Chunk("data", Ramp(4))}), "No Format Chunk\n"},
        {"short format", shortFormat, "Format Chunk too short\n"},
        {"two formats", Riff({FormatChunk({}), FormatChunk({})}), "More than one Format Chunk\n"},
        {"zero channels", Wav({1, 0, 22050, 16}, Ramp(4)), "0 channels unsupported, only 1 or 2\n"},
        {"24-bit", Wav({1, 1, 22050, 24}, Ramp(6)),
         "24 bits per sample unsupported, only 8 or 16\n"},
        {"lying block align", badAlign, "Block align 2 does not match 2 channels of 16 bits\n"},
        {"float", Wav({3, 1, 22050, 16}, Ramp(4)),
         "Format WAVE_FORMAT_IEEE_FLOAT (3) unsupported, only PCM\n"},
        {"16000 Hz", Wav({1, 1, 16000, 16}, Ramp(4)), "Sample rate 16000 unsupported\n"},
        {"absurd rate", Wav({1, 1, 0xFFFFFFFF, 8}, Ramp(4)),
         "Sample rate 4294967295 unsupported\n"},
    };
    for (const Case& c : cases) {
        FWavSound s;
        std::string trace;
        EXPECT_EQ(LoadError(c.file, &s, &trace), c.error) << c.what;
        EXPECT_TRUE(s.m_samples.empty() && s.m_sampleCount == 0) << c.what;
        EXPECT_NE(trace.find(c.error), std::string::npos) << c.what;  // printed as well
    }
    std::string trace;
    LoadError(truncated, nullptr, &trace);
    EXPECT_NE(trace.find("Warning Read 70 of 100 bytes\n"), std::string::npos);
}

// Whole files are read by the sound tag tests; here the file reader's own
// refusals: a cut data chunk and no file.
TEST(FWavReader, ReadsFromAnOpenFile) {
    FWavReader reader(nullptr);
    const Bytes file = Wav({1, 2, 44100, 16}, Ramp(1200));
    FILE* f = TempFileWith(Bytes(file.begin(), file.end() - 1));
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(reader.Load(f));
    fclose(f);
    EXPECT_EQ(reader.Error(), "Data Chunk truncated: 1199 of 1200 bytes present\n");
    EXPECT_TRUE(reader.Sound().m_samples.empty());
    EXPECT_FALSE(reader.Load(static_cast<FILE*>(nullptr)));
}

}  // namespace
