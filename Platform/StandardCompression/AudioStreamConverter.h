// Converts a stream of linear PCM into linear PCM of another layout or into
// IMA 4:1 packets, pulling the input as it needs it.
//
// Linear PCM here: interleaved, packed frames of 8, 16, 24 or 32-bit
// integers (signed, or unsigned at 8 bits) or 32 or 64-bit floats, in either
// byte order, 1 to 16 channels.  Samples pass through a double, so integer
// widening and float conversions are exact, and narrowing rounds to nearest
// (floats outside -1..1 are clipped).  Channels: one output channel takes
// the mean of all inputs; one input channel feeds every output; otherwise
// output channel i takes input channel i, or silence.  No resampling: input
// and output rates must be equal.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "AudioCodecs/IMA4Codec.h"
#include "CoreAudio/CoreAudioTypes.h"

namespace sc {

inline constexpr UInt32 kMaxAudioChannels = 16;

// Checks a linear PCM description and fills in the fields that follow from
// the others when they are 0 (bytes per frame and packet, frames per
// packet).  false for anything this converter cannot read or write.
bool CompletePCMDescription(AudioStreamBasicDescription& d);
// The same for an output description: linear PCM or IMA 4:1.
bool CompleteOutputDescription(AudioStreamBasicDescription& d);

class AudioStreamConverter {
  public:
    // Asks for `frames` input frames; answers noErr with the frames given
    // (0 at the end of the input) and their bytes, or an error.
    using Pull =
        std::function<OSStatus(UInt32 frames, UInt32& given, const UInt8*& data, size_t& bytes)>;

    // Descriptions must have passed CompletePCMDescription /
    // CompleteOutputDescription; setting either starts a new stream.
    void setInput(const AudioStreamBasicDescription& input);
    void setOutput(const AudioStreamBasicDescription& output);
    const AudioStreamBasicDescription& input() const { return m_input; }
    const AudioStreamBasicDescription& output() const { return m_output; }

    // Forgets buffered input and the end of the stream.
    void reset();

    // Fills out (its mDataByteSize is its room) with up to `packets` output
    // packets; packets and out.mDataByteSize receive what was produced.
    // descriptions, when not null, receives one entry per packet.  An error
    // from pull ends the call after the packets already complete.
    OSStatus fill(const Pull& pull, UInt32& packets, AudioBuffer& out,
                  AudioStreamPacketDescription* descriptions);

  private:
    OSStatus pullFrames(const Pull& pull, size_t wanted);
    void appendFrames(const UInt8* data, size_t frames);
    void writePackets(size_t count, UInt8* out);
    size_t finishIMA4(UInt8* out);

    AudioStreamBasicDescription m_input{};
    AudioStreamBasicDescription m_output{};
    std::vector<double> m_pending;  // interleaved frames of output channels
    size_t m_consumed = 0;          // frames of m_pending already written
    bool m_inputEnded = false;
    bool m_finished = false;  // the last (padded) packet was written
    std::optional<IMA4Encoder> m_ima4;
    std::vector<SInt16> m_samples;  // scratch for the IMA 4:1 encoder
    std::vector<double> m_frame;    // one input frame
};

}  // namespace sc
