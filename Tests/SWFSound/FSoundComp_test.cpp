#include "SWF/FSoundComp.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "SWFSound/SoundTestSignals.h"
#include "Support/SwfAdpcmDecoder.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Compress16(const std::vector<int16_t>& samples, int bits, int channels) {
    Bytes out;
    FSoundComp comp(out, bits, channels == 2, false);
    comp.Compress16(samples.data(), static_cast<uint32_t>(samples.size() / channels));
    comp.Flush();
    EXPECT_EQ(comp.BytesWritten(), out.size());
    return out;
}

TEST(FSoundComp, HeadersHoldCodeSizeFirstSampleAndIndex) {
    // 2-bit mono, one sample 0x1234 and no next sample (index 0):
    // 00 | 0001001000110100 | 000000, padded.
    EXPECT_EQ(Compress16({0x1234}, 2, 1), (Bytes{0x04, 0x8D, 0x00}));

    // 5-bit stereo: code size 3, then left 1000 with index 28 (a first
    // difference of 100 lies between steps 97 and 107), right -2 with index
    // 0, then the two 5-bit codes of the second frame.
    Bytes b = Compress16({1000, -2, 1100, -2}, 5, 2);
    ASSERT_EQ(b.size(), 7u);  // 2 + 2 * 22 + 2 * 5 = 56 bits
    // 11 0000001111101000 011100 1111111111111110 000000 ...
    EXPECT_EQ(b[0], 0xC0);
    EXPECT_EQ(b[1], 0xFA);
    EXPECT_EQ(b[2], 0x1C);
    EXPECT_EQ(b[3], 0xFF);
    EXPECT_EQ(b[4], 0xFE);
    EXPECT_EQ(b[5] & 0xFC, 0x00);
    auto decoded = mvdtest::DecodeSwfAdpcm(b, 2, 2);
    EXPECT_EQ(decoded.initialIndices, (std::vector<int>{28, 0}));
}

TEST(FSoundComp, PacketsOf4096FramesEachStartWithTheSampleItself) {
    // 4097 mono 2-bit frames: 2 + 22 + 4095 * 2 + 22 bits = 1029.5 bytes.
    auto tones = soundtest::Tones(4097, 1);
    Bytes b = Compress16(tones, 2, 1);
    EXPECT_EQ(b.size(), 1030u);
    auto decoded = mvdtest::DecodeSwfAdpcm(b, 1, 4097);
    ASSERT_EQ(decoded.frames, 4097u);
    EXPECT_EQ(decoded.samples[0], tones[0]);
    EXPECT_EQ(decoded.samples[4096], tones[4096]);
    EXPECT_EQ(decoded.initialIndices.size(), 2u);

    // Stereo, 3 packets: every packet's first frame comes back verbatim.
    auto stereo = soundtest::Tones(2 * 4096 + 5, 2);
    auto d = mvdtest::DecodeSwfAdpcm(Compress16(stereo, 4, 2), 2, 2 * 4096 + 5);
    ASSERT_EQ(d.frames, 2u * 4096 + 5);
    for (size_t frame : {0u, 4096u, 8192u}) {
        EXPECT_EQ(d.samples[2 * frame], stereo[2 * frame]);
        EXPECT_EQ(d.samples[2 * frame + 1], stereo[2 * frame + 1]);
    }
}

struct RoundTrip {
    int bits;
    int channels;
    double minSnr;
};

void PrintTo(const RoundTrip& r, std::ostream* os) {
    *os << r.bits << "-bit " << (r.channels == 2 ? "stereo" : "mono");
}

class FSoundCompRoundTrip : public testing::TestWithParam<RoundTrip> {};

TEST_P(FSoundCompRoundTrip, ReferenceDecoderGetsTheSignalBackWithinTheCodecsLoss) {
    const auto [bits, channels, minSnr] = GetParam();
    const uint32_t frames = 3 * 4096 + 123;        // across packet boundaries
    for (double amplitude : {12000.0, 32767.0}) {  // full scale hits the clamps
        auto source = soundtest::Tones(frames, channels, amplitude);
        Bytes b = Compress16(source, bits, channels);
        const size_t bitsUsed = 2 + 4 * 22 * channels + (frames - 4) * bits * channels;
        EXPECT_EQ(b.size(), (bitsUsed + 7) / 8);
        auto decoded = mvdtest::DecodeSwfAdpcm(b, channels, frames);
        ASSERT_EQ(decoded.codeBits, bits);
        ASSERT_EQ(decoded.frames, frames);
        const double snr = mvdtest::SnrDb(source, decoded.samples);
        RecordProperty("snr_" + std::to_string(int(amplitude)), std::to_string(snr));
        EXPECT_GT(snr, minSnr) << bits << "-bit, " << channels << " channels, amplitude "
                               << amplitude;
    }
}

INSTANTIATE_TEST_SUITE_P(CodeSizes, FSoundCompRoundTrip,
                         testing::Values(RoundTrip{2, 1, 17}, RoundTrip{2, 2, 17},
                                         RoundTrip{3, 1, 25}, RoundTrip{3, 2, 25},
                                         RoundTrip{4, 1, 31}, RoundTrip{4, 2, 31},
                                         RoundTrip{5, 1, 36}, RoundTrip{5, 2, 36}),
                         [](const testing::TestParamInfo<RoundTrip>& info) {
                             return std::to_string(info.param.bits) + "bit" +
                                    (info.param.channels == 2 ? "Stereo" : "Mono");
                         });

TEST(FSoundComp, PiecewiseInputGivesTheSameStreamAsOneCall) {
    // Pieces that end right on packet starts, so a header waits for the
    // next call to choose its step index.
    auto source = soundtest::Tones(3 * 4096 + 7, 2);
    Bytes whole = Compress16(source, 3, 2);
    Bytes pieces;
    FSoundComp comp(pieces, 3, true, false);
    uint32_t done = 0;
    for (uint32_t n : {1u, 4096u, 1u, 4000u, 4094u, 3u, 100u}) {
        n = std::min<uint32_t>(n, 3 * 4096 + 7 - done);
        comp.Compress16(source.data() + 2 * done, n);
        done += n;
    }
    comp.Flush();
    ASSERT_EQ(done, 3u * 4096 + 7);
    EXPECT_EQ(pieces, whole);
}

TEST(FSoundComp, RawByteInputIsConvertedTo16Bits) {
    // 8-bit: (s - 128) * 256, so 128 -> 0, 255 -> 32512, 0 -> -32768.
    std::vector<uint8_t> eight;
    std::vector<int16_t> expected;
    for (int i = 0; i < 9000; ++i) {
        const uint8_t s = static_cast<uint8_t>(128 + 100 * std::sin(i / 9.0));
        eight.push_back(i == 0 ? 128 : i == 1 ? 255 : i == 2 ? 0 : s);
        expected.push_back(static_cast<int16_t>((eight.back() - 128) * 256));
    }
    Bytes viaBytes;
    FSoundComp comp8(viaBytes, 4, true, true);
    comp8.Compress(eight.data(), 4500);
    comp8.Flush();
    EXPECT_EQ(viaBytes, Compress16(expected, 4, 2));
    auto d = mvdtest::DecodeSwfAdpcm(viaBytes, 2, 1);
    EXPECT_EQ(d.samples, (std::vector<int16_t>{0, 32512}));

    // 16-bit raw bytes are little-endian, whatever the host.
    auto tones = soundtest::Tones(5000, 1);
    Bytes viaLe;
    FSoundComp comp16(viaLe, 5, false, false);
    comp16.Compress(soundtest::LeBytes(tones).data(), 5000);
    comp16.Flush();
    EXPECT_EQ(viaLe, Compress16(tones, 5, 1));
}

TEST(FSoundComp, RejectsBadCodeSizesAndInputAfterTheEnd) {
    Bytes out;
    EXPECT_THROW(FSoundComp(out, 1, false, false), std::invalid_argument);
    EXPECT_THROW(FSoundComp(out, 6, false, false), std::invalid_argument);
    FSoundComp comp(out, 2, false, false);
    EXPECT_THROW(comp.Compress(nullptr, 3), std::invalid_argument);
    comp.Flush();
    EXPECT_TRUE(out.empty());  // no samples, no stream
    const int16_t s = 0;
    EXPECT_THROW(comp.Compress16(&s, 1), std::logic_error);
}

}  // namespace
