// SWF ADPCM compressor: IMA-style adaptive differential coding with 2- to
// 5-bit codes, mono or stereo, in packets of 4096 sample frames.
//
// Stream layout, every field packed most significant bit first:
//   AdpcmCodeSize   2 bits, the code size minus 2 (once, before the first frame)
//   per packet, for each channel in turn: the first sample (16 bits, signed)
//                   and the initial step index (6 bits);
//   then up to 4095 frames, each the codes of all channels in channel order.
// Flush() pads the last byte with zero bits.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

class FSoundComp {
  public:
    static constexpr uint32_t kPacketFrames = 4096;
    static const int stepsizeTable[89];
    static const int indexTable2[2];
    static const int indexTable3[4];
    static const int indexTable4[8];
    static const int indexTable5[16];
    // Index tables by code size (entries 0 and 1 are null).
    static const int* const indexTables[6];

    // Appends the compressed stream to `out`, which must outlive the
    // compressor. Throws std::invalid_argument for a code size outside 2..5.
    FSoundComp(std::vector<uint8_t>& out, int codeBits, bool stereo, bool eightBitInput);
    FSoundComp(const FSoundComp&) = delete;
    FSoundComp& operator=(const FSoundComp&) = delete;

    // Compresses `frames` interleaved sample frames of raw bytes: 8-bit
    // unsigned samples when the 8-bit-input flag is set, else 16-bit signed
    // little-endian. `data` must hold frames * channels * (1 or 2) bytes.
    void Compress(const uint8_t* data, uint32_t frames);
    // Compresses `frames` interleaved frames of 16-bit samples. Both throw
    // std::invalid_argument for null samples.
    void Compress16(const int16_t* samples, uint32_t frames);
    // Ends the stream: writes a packet header still waiting for its next
    // frame and pads the last byte. Further Compress calls throw
    // std::logic_error; a second Flush does nothing.
    void Flush();

    uint32_t SampleCount() const { return m_frames; }
    uint32_t BytesWritten() const { return m_bytes; }
    int Channels() const { return m_channels; }

  private:
    void WriteBits(uint32_t value, int bits);
    void CompressFrame(const int16_t* frame);
    void WritePacketHeader(const int16_t* nextFrame);
    uint32_t EncodeSample(int channel, int sample);
    void CompressChunk(std::span<const int16_t> samples);

    std::vector<uint8_t>& m_out;
    int m_codeBits;
    int m_channels;
    bool m_eightBitInput;
    bool m_started = false;  // the code size has been written
    bool m_finished = false;
    uint32_t m_frames = 0;
    uint32_t m_bytes = 0;
    uint32_t m_bitBuffer = 0;
    int m_bitCount = 0;
    int m_predicted[2] = {0, 0};
    int m_index[2] = {0, 0};
    // A packet's first frame waits here until the next frame, which decides
    // its initial step index, is known.
    bool m_headerPending = false;
    int16_t m_pendingFrame[2] = {0, 0};
};
