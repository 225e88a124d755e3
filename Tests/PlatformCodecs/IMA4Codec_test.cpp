#include "AudioCodecs/IMA4Codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

using Samples = std::vector<SInt16>;
using Bytes = std::vector<UInt8>;

Bytes EncodeAll(IMA4Encoder& encoder, const Samples& in) {
    const size_t frames = in.size() / encoder.channels();
    Bytes out(encoder.maxEncodedSize(frames) + encoder.bytesPerPacket());
    size_t n = 0, tail = 0;
    EXPECT_EQ(encoder.encode(in, out, &n), noErr);
    EXPECT_EQ(encoder.finish(std::span(out).subspan(n), &tail), noErr);
    out.resize(n + tail);
    return out;
}

Samples Decode(IMA4Decoder& decoder, std::span<const UInt8> packets) {
    Samples out(packets.size() / kIMA4BytesPerChannelPacket * kIMA4FramesPerPacket);
    size_t frames = 0;
    EXPECT_EQ(decoder.decode(packets, out, &frames), noErr);
    out.resize(frames * decoder.channels());
    return out;
}

Samples DecodeAll(const Bytes& packets, int channels) {
    IMA4Decoder decoder(channels);
    return Decode(decoder, packets);
}

Samples Cat(Samples a, const Samples& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Signal-to-noise ratio in dB of channel c of the first `frames` frames.
double SnrDb(const Samples& ref, const Samples& got, int channels, int c, size_t frames) {
    double signal = 0, noise = 0;
    for (size_t i = 0; i < frames; ++i) {
        const double r = ref[i * channels + c], e = r - got[i * channels + c];
        signal += r * r;
        noise += e * e;
    }
    return 10 * std::log10(signal / std::max(noise, 1.0));
}

Samples Sine(size_t frames, int channels, double amplitude) {
    Samples s(frames * channels);
    for (size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const double hz = 440.0 * (c + 1);
            s[i * channels + c] =
                SInt16(std::lround(amplitude * std::sin(2 * std::numbers::pi * hz * i / 44100.0)));
        }
    }
    return s;
}

TEST(IMA4Encoder, FirstPacketBytesFollowTheIMAAlgorithm) {
    // From predictor 0, step index 0 (step 7):
    //  100: diff 100 >= 7, 93 >= 3, 90 >= 1: code 7, +(0+7+3+1) = 11, index 8 (step 16)
    //  200: diff 189 >= 16, 173 >= 8, 165 >= 4: code 7, +(2+16+8+4) = 41, index 16 (step 34)
    // -300: diff -341, 341 >= 34, 307 >= 17, 290 >= 8: code 8|7 = 15, -(4+34+17+8) = -22,
    //       index 24 (step 73)
    //    0: diff 22 < 73, 22 < 36, 22 >= 18: code 1, +(9+18) = 5, index 23
    Samples in(64, 0);
    in[0] = 100, in[1] = 200, in[2] = -300, in[3] = 0;
    IMA4Encoder encoder(1);
    const Bytes packet = EncodeAll(encoder, in);
    ASSERT_EQ(packet.size(), 34u);
    // Predictor 0, step index 0, codes 7 (low nibble) and 7, codes 15 and 1.
    EXPECT_EQ(Bytes(packet.begin(), packet.begin() + 4), (Bytes{0x00, 0x00, 0x77, 0x1F}));
    const Samples out = DecodeAll(packet, 1);
    EXPECT_EQ((Samples{out[0], out[1], out[2], out[3]}), (Samples{11, 41, -22, 5}));
}

TEST(IMA4Codec, StateRunsOnFromPacketToPacket) {
    const Samples in = Sine(192, 1, 12000);
    IMA4Encoder encoder(1);
    const Bytes packets = EncodeAll(encoder, in);
    ASSERT_EQ(packets.size(), 3 * 34u);
    const std::span<const UInt8> all(packets);
    IMA4Decoder decoder(1);
    const Samples first = Decode(decoder, all.first(34));
    // The second header holds the first packet's last prediction without its
    // low 7 bits, and the step index it had grown to (not restarted).
    const int header = (packets[34] << 8) | packets[35];
    EXPECT_EQ(SInt16(header & 0xFF80), first.back() & ~0x7F);
    EXPECT_GT(header & 0x7F, 20);
    // Packet by packet or all at once, the decoder goes on from its own state.
    const Samples rest = Decode(decoder, all.subspan(34));
    EXPECT_EQ(Cat(first, rest), DecodeAll(packets, 1));
    EXPECT_GT(SnrDb(in, Cat(first, rest), 1, 0, 192), 20.0);
    // Without the first packet, the second starts from its header instead.
    const Samples alone = DecodeAll(Bytes(packets.begin() + 34, packets.begin() + 68), 1);
    EXPECT_NE(alone[0], rest[0]);
    EXPECT_NEAR(alone[0], rest[0], 127);
}

TEST(IMA4Decoder, RestartsFromTheHeaderWhenThePacketDoesNotFollowOn) {
    IMA4Encoder loud(1), quiet(1);
    const Bytes a = EncodeAll(loud, Sine(640, 1, 20000));
    const Bytes b = EncodeAll(quiet, Sine(640, 1, 300));
    Bytes joined = a;
    joined.insert(joined.end(), b.begin(), b.end());
    const Samples decoded = DecodeAll(joined, 1);
    EXPECT_EQ(Samples(decoded.begin() + 640, decoded.end()), DecodeAll(b, 1));
}

TEST(IMA4Codec, RoundTripsSineAndNoiseMonoAndStereo) {
    const size_t frames = 44100;
    for (int channels : {1, 2}) {
        std::mt19937 rng(channels);
        std::normal_distribution<double> gauss(0, 4000);
        Samples noise(frames * channels);
        for (SInt16& s : noise)
            s = SInt16(std::clamp(gauss(rng), -32768.0, 32767.0));
        for (const auto& [in, minimumDb] :
             {std::pair{Sine(frames, channels, 16000), 36.0}, std::pair{noise, 12.0}}) {
            IMA4Encoder encoder(channels);
            const Samples decoded = DecodeAll(EncodeAll(encoder, in), channels);
            ASSERT_EQ(decoded.size(), (frames + 63) / 64 * 64 * channels);
            for (int c = 0; c < channels; ++c)
                EXPECT_GT(SnrDb(in, decoded, channels, c, frames), minimumDb) << channels << c;
        }
    }
}

TEST(IMA4Codec, StereoPacketsAreInterleavedChannelByChannel) {
    Samples in = Sine(128, 2, 8000);
    for (size_t i = 0; i < 128; ++i)
        in[2 * i] = 0;
    IMA4Encoder encoder(2);
    const Bytes packets = EncodeAll(encoder, in);
    ASSERT_EQ(packets.size(), 4 * 34u);
    for (size_t p : {0u, 2u}) {  // the left packets code silence from silence
        for (size_t i = 0; i < 34; ++i)
            EXPECT_EQ(packets[p * 34 + i], 0) << p << " " << i;
    }
    const Samples out = DecodeAll(packets, 2);
    for (size_t i = 0; i < 128; ++i)
        EXPECT_EQ(out[2 * i], 0);
    EXPECT_GT(SnrDb(in, out, 2, 1, 128), 15.0);
}

TEST(IMA4Encoder, AnySplitOfTheInputGivesTheSameBytes) {
    const Samples in = Sine(1000, 2, 9000);
    IMA4Encoder whole(2);
    const Bytes expected = EncodeAll(whole, in);
    IMA4Encoder pieces(2);
    Bytes out;
    std::mt19937 rng(4);
    for (size_t at = 0; at < in.size();) {
        const size_t take = std::min<size_t>(2 * (rng() % 150), in.size() - at);
        Bytes buffer(pieces.maxEncodedSize(take / 2));
        size_t n = 0;
        ASSERT_EQ(pieces.encode(std::span(in).subspan(at, take), buffer, &n), noErr);
        ASSERT_LT(pieces.pendingFrames(), 64u);
        out.insert(out.end(), buffer.begin(), buffer.begin() + n);
        at += take;
    }
    Bytes tail(pieces.bytesPerPacket());
    size_t n = 0;
    ASSERT_EQ(pieces.finish(tail, &n), noErr);
    out.insert(out.end(), tail.begin(), tail.begin() + n);
    EXPECT_EQ(out, expected);
}

TEST(IMA4Encoder, PadsAPartialLastPacketWithTheLastSample) {
    Samples in(100, 0);
    for (size_t i = 64; i < 100; ++i)
        in[i] = 5000;  // the second packet holds 36 frames
    IMA4Encoder encoder(1);
    const Samples out = DecodeAll(EncodeAll(encoder, in), 1);
    ASSERT_EQ(out.size(), 128u);
    for (size_t i = 110; i < 128; ++i)
        EXPECT_NEAR(out[i], 5000, 200) << i;  // settled, no step to 0
    // finish() started a new stream: the next packet begins from silence.
    Samples silence(64, 0);
    const Bytes next = EncodeAll(encoder, silence);
    EXPECT_EQ(next, Bytes(34, 0));
}

TEST(IMA4Codec, RefusesBadArgumentsAndData) {
    EXPECT_THROW(IMA4Encoder(0), std::invalid_argument);
    EXPECT_THROW(IMA4Encoder(kIMA4MaxChannels + 1), std::invalid_argument);
    IMA4Encoder encoder(2);
    Samples odd(3);
    Bytes out(1000);
    size_t n = 99;
    EXPECT_EQ(encoder.encode(odd, out, &n), paramErr);  // not whole frames
    Samples packet(128);
    Bytes tooSmall(67);
    EXPECT_EQ(encoder.encode(packet, tooSmall, &n), paramErr);
    EXPECT_EQ(encoder.pendingFrames(), 0u);

    EXPECT_THROW(IMA4Decoder(0), std::invalid_argument);
    IMA4Decoder decoder(2);
    Bytes good(68, 0);
    Samples decoded(128);
    size_t frames = 0;
    EXPECT_EQ(decoder.decode(std::span(good).first(67), decoded, &frames), kAudioCodecBadDataError);
    EXPECT_EQ(decoder.decode(good, std::span(decoded).first(127), &frames), paramErr);
    good[35] = 89;  // step index past the table, in the second channel's header
    EXPECT_EQ(decoder.decode(good, decoded, &frames), kAudioCodecBadDataError);
    good[35] = 88;
    EXPECT_EQ(decoder.decode(good, decoded, &frames), noErr);
    EXPECT_EQ(frames, 64u);
}

}  // namespace
