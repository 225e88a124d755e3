// ffmpeg decodes our 'ima4' packets, wrapped in an AIFF-C file, to the very
// samples our decoder gives: same header layout, nibble order, channel
// interleaving and state carried from packet to packet.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "AudioCodecs/IMA4Codec.h"
#include "Support/FFmpegTool.h"
#include "Support/TempDir.h"

namespace {

using Bytes = std::vector<unsigned char>;

void PutBE(Bytes& out, uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void Chunk(Bytes& out, const char* type, const Bytes& body) {
    out.insert(out.end(), type, type + 4);
    PutBE(out, static_cast<uint32_t>(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() % 2)
        out.push_back(0);
}

// An AIFF-C file at 44100 Hz holding 'ima4' packets.
Bytes AifcFile(const Bytes& packets, int channels) {
    Bytes comm, ssnd(8, 0), fver, form{'A', 'I', 'F', 'C'};
    PutBE(fver, 0xA2805140, 4);
    PutBE(comm, channels, 2);
    PutBE(comm, static_cast<uint32_t>(packets.size() / (34 * channels)), 4);  // packets
    PutBE(comm, 16, 2);
    comm.insert(comm.end(), {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0});  // 44100, 80-bit
    comm.insert(comm.end(), {'i', 'm', 'a', '4', 0, 0});                  // empty name
    ssnd.insert(ssnd.end(), packets.begin(), packets.end());
    Chunk(form, "FVER", fver);
    Chunk(form, "COMM", comm);
    Chunk(form, "SSND", ssnd);
    Bytes file;
    Chunk(file, "FORM", form);
    return file;
}

TEST(IMA4Interop, FfmpegDecodesOurPacketsToOurSamples) {
    if (std::string why = mvdtest::FFmpegToolsMissing(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    mvdtest::TempDir dir;
    for (int channels : {1, 2}) {
        // Two streams back to back: the second packet stream starts afresh.
        Bytes packets;
        std::mt19937 rng(channels);
        std::normal_distribution<double> noise(0, 2500);
        for (double amplitude : {12000.0, 300.0}) {
            std::vector<SInt16> in(5000 * channels);
            for (size_t i = 0; i < in.size(); ++i) {
                in[i] = SInt16(std::clamp(amplitude * std::sin(0.01 * i * (1 + i % channels)) +
                                              (amplitude > 1000 ? noise(rng) : 0),
                                          -32768.0, 32767.0));
            }
            IMA4Encoder encoder(channels);
            Bytes out(encoder.maxEncodedSize(5000) + encoder.bytesPerPacket());
            size_t n = 0, tail = 0;
            ASSERT_EQ(encoder.encode(in, out, &n), noErr);
            ASSERT_EQ(encoder.finish(std::span(out).subspan(n), &tail), noErr);
            packets.insert(packets.end(), out.begin(), out.begin() + n + tail);
        }
        IMA4Decoder decoder(channels);
        std::vector<SInt16> ours(packets.size() / 34 * 64);
        size_t frames = 0;
        ASSERT_EQ(decoder.decode(packets, ours, &frames), noErr);

        const std::string path = dir.file("ima4-" + std::to_string(channels) + ".aifc");
        mvdtest::WriteFileBytes(path, AifcFile(packets, channels));
        std::string error;
        const auto pcm = mvdtest::FFmpegDecode(path, {"-f", "s16le"}, &error);
        ASSERT_TRUE(pcm) << error;
        std::vector<SInt16> theirs(pcm->size() / 2);
        std::memcpy(theirs.data(), pcm->data(), theirs.size() * 2);
        EXPECT_EQ(theirs, ours) << channels << " channels";
    }
}

}  // namespace
