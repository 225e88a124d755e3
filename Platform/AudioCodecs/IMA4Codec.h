// QuickTime IMA 4:1 ('ima4'): IMA ADPCM in packets of 64 samples per channel.
//
// One packet of one channel is 34 bytes: a big-endian 16-bit header whose top
// 9 bits are the top 9 bits of the predictor and whose low 7 bits are the step
// index (0..88); then 32 bytes of 4-bit codes, two samples per byte, the
// earlier sample in the low nibble.  A multichannel stream holds, for every 64
// frames, one packet per channel in channel order.
//
// The predictor and step index run on from one packet to the next.  The
// header holds them cut to 9 bits: a decoder that has just decoded the
// previous packet goes on from its own exact predictor when the header agrees
// with it (same step index, predictor within 127 of the header's); otherwise,
// as at the start of a stream or after a jump, it starts from the header's
// values (predictor = header & 0xFF80, a signed 16-bit value).
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "Base/MacTypes.h"

inline constexpr size_t kIMA4FramesPerPacket = 64;
inline constexpr size_t kIMA4BytesPerChannelPacket = 34;
inline constexpr int kIMA4MaxChannels = 16;

// The audio codecs' result for input that cannot be decoded ('bada').
inline constexpr OSStatus kAudioCodecBadDataError = 0x62616461;

// Where one channel's prediction stands between samples.
struct IMA4ChannelState {
    int predictor = 0;
    int index = 0;
};

// Encodes interleaved 16-bit native-endian samples.  Each channel's exact
// predictor and step index run on from one packet to the next, and each
// header holds them with the predictor's low 7 bits dropped, so a decoder
// following the stream goes on exactly where the coder did.  Input of any
// length is accepted; frames that do not fill a packet wait for the next call
// or for finish().
class IMA4Encoder {
  public:
    // Throws std::invalid_argument for a channel count outside 1..kIMA4MaxChannels.
    explicit IMA4Encoder(int channels);

    int channels() const { return m_channels; }
    size_t bytesPerPacket() const { return kIMA4BytesPerChannelPacket * m_channels; }
    // Frames held back, waiting for a whole packet (0..63).
    size_t pendingFrames() const { return m_pendingFrames; }
    // Most bytes encode() writes for `frameCount` more frames.
    size_t maxEncodedSize(size_t frameCount) const;

    // Codes the held-back frames followed by `samples` (interleaved, a whole
    // number of frames) as whole packets into `out`.  Returns noErr and the
    // byte count in *written, or paramErr (and writes nothing) when `samples`
    // is not a whole number of frames or `out` is shorter than
    // maxEncodedSize(frames).
    OSStatus encode(std::span<const SInt16> samples, std::span<UInt8> out, size_t* written);

    // Writes the held-back frames, if any, as one last packet, padded by
    // repeating each channel's last sample (no step to silence, so no click),
    // and starts a new stream.  Needs bytesPerPacket() bytes of `out` when
    // frames are pending (paramErr otherwise).
    OSStatus finish(std::span<UInt8> out, size_t* written);

    // Drops held-back frames and starts a new stream.
    void reset();

  private:
    void encodePacket(const SInt16* frames, UInt8* out);

    int m_channels;
    std::vector<IMA4ChannelState> m_state;
    std::vector<SInt16> m_pending;  // up to 63 interleaved frames
    size_t m_pendingFrames = 0;
};

// Decodes a stream of packets into interleaved 16-bit native-endian samples,
// carrying each channel's state from packet to packet (also across calls).
class IMA4Decoder {
  public:
    // Throws std::invalid_argument for a channel count outside 1..kIMA4MaxChannels.
    explicit IMA4Decoder(int channels);

    int channels() const { return m_channels; }
    size_t bytesPerPacket() const { return kIMA4BytesPerChannelPacket * m_channels; }

    // Decodes whole packets (a multiple of bytesPerPacket() bytes); `out`
    // holds at least 64 frames per packet.  Returns noErr and the frame count
    // in *framesWritten, paramErr for a short `out`, or
    // kAudioCodecBadDataError for a partial packet or a step index above 88
    // (nothing is decoded then).
    OSStatus decode(std::span<const UInt8> packets, std::span<SInt16> out, size_t* framesWritten);

    // Starts a new stream (after a seek, for example).
    void reset();

  private:
    int m_channels;
    std::vector<IMA4ChannelState> m_state;
};
