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
    // 0, then the two 5-bit codes of the second frame (2 + 2 * 22 + 2 * 5 bits).
    // 11 0000001111101000 011100 1111111111111110 000000 ...
    Bytes b = Compress16({1000, -2, 1100, -2}, 5, 2);
    ASSERT_EQ(b.size(), 7u);
    b[5] &= 0xFC;
    EXPECT_EQ(Bytes(b.begin(), b.end() - 1), (Bytes{0xC0, 0xFA, 0x1C, 0xFF, 0xFE, 0x00}));
    EXPECT_EQ(mvdtest::DecodeSwfAdpcm(b, 2, 2).initialIndices, (std::vector<int>{28, 0}));
}

// Every code size and channel count, across packets of 4096 frames, at a
// normal and a clamping amplitude: exact size, each packet's first frame
// verbatim, and the signal back within the codec's loss.
TEST(FSoundComp, ReferenceDecoderGetsTheSignalBackWithinTheCodecsLoss) {
    const double minSnr[6] = {0, 0, 17, 25, 31, 36};
    const uint32_t frames = 3 * 4096 + 123;
    for (int bits = 2; bits <= 5; ++bits) {
        for (int channels : {1, 2}) {
            for (double amplitude : {12000.0, 32767.0}) {
                SCOPED_TRACE(std::to_string(bits) + "-bit, " + std::to_string(channels) +
                             " channels, amplitude " + std::to_string(amplitude));
                const auto source = soundtest::Tones(frames, channels, amplitude);
                const Bytes b = Compress16(source, bits, channels);
                const size_t bitsUsed = 2 + 4 * 22 * channels + (frames - 4) * bits * channels;
                EXPECT_EQ(b.size(), (bitsUsed + 7) / 8);
                const auto decoded = mvdtest::DecodeSwfAdpcm(b, channels, frames);
                ASSERT_EQ(decoded.codeBits, bits);
                ASSERT_EQ(decoded.frames, frames);
                for (size_t at = 0; at < frames * channels; at += 4096 * channels) {
                    EXPECT_EQ(decoded.samples[at], source[at]);
                    EXPECT_EQ(decoded.samples[at + channels - 1], source[at + channels - 1]);
                }
                EXPECT_GT(mvdtest::SnrDb(source, decoded.samples), minSnr[bits]);
            }
        }
    }
}

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
