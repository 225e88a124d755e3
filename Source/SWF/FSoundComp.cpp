#include "SWF/FSoundComp.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

const int FSoundComp::stepsizeTable[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

const int FSoundComp::indexTable2[2] = {-1, 2};
const int FSoundComp::indexTable3[4] = {-1, -1, 2, 4};
const int FSoundComp::indexTable4[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
const int FSoundComp::indexTable5[16] = {-1, -1, -1, -1, -1, -1, -1, -1, 1, 2, 4, 6, 8, 10, 13, 16};
const int* const FSoundComp::indexTables[6] = {nullptr,     nullptr,     indexTable2,
                                               indexTable3, indexTable4, indexTable5};

namespace {

// Samples converted per step when the input is raw bytes.
constexpr size_t kConvertChunk = 4096;
constexpr int kHeaderIndexBits = 6;
constexpr int kMaxHeaderIndex = (1 << kHeaderIndexBits) - 1;

}  // namespace

FSoundComp::FSoundComp(std::vector<uint8_t>& out, int codeBits, bool stereo, bool eightBitInput)
    : m_out(out), m_codeBits(codeBits), m_channels(stereo ? 2 : 1), m_eightBitInput(eightBitInput) {
    if (codeBits < 2 || codeBits > 5) {
        throw std::invalid_argument("ADPCM code size must be 2 to 5 bits");
    }
}

void FSoundComp::WriteBits(uint32_t value, int bits) {
    m_bitBuffer = (m_bitBuffer << bits) | (value & ((1u << bits) - 1));
    m_bitCount += bits;
    while (m_bitCount >= 8) {
        m_bitCount -= 8;
        m_out.push_back(static_cast<uint8_t>(m_bitBuffer >> m_bitCount));
        ++m_bytes;
    }
}

void FSoundComp::Compress(const uint8_t* data, uint32_t frames) {
    if (data == nullptr && frames != 0)
        throw std::invalid_argument("no samples to compress");
    const size_t total = static_cast<size_t>(frames) * m_channels;
    const size_t width = m_eightBitInput ? 1 : 2;
    int16_t converted[kConvertChunk];
    for (size_t done = 0; done < total;) {
        const size_t n = std::min(kConvertChunk, total - done);
        const uint8_t* p = data + done * width;
        for (size_t i = 0; i < n; ++i) {
            converted[i] =
                m_eightBitInput
                    ? static_cast<int16_t>((p[i] - 128) * 256)
                    : static_cast<int16_t>(static_cast<uint16_t>(p[2 * i] | p[2 * i + 1] << 8));
        }
        CompressChunk({converted, n});
        done += n;
    }
}

void FSoundComp::Compress16(const int16_t* samples, uint32_t frames) {
    if (samples == nullptr && frames != 0)
        throw std::invalid_argument("no samples to compress");
    CompressChunk({samples, static_cast<size_t>(frames) * m_channels});
}

void FSoundComp::CompressChunk(std::span<const int16_t> samples) {
    if (m_finished)
        throw std::logic_error("ADPCM stream already flushed");
    // Chunks always hold whole frames (kConvertChunk is even).
    for (size_t i = 0; i + m_channels <= samples.size(); i += m_channels) {
        CompressFrame(samples.data() + i);
    }
}

void FSoundComp::CompressFrame(const int16_t* frame) {
    if (!m_started) {
        WriteBits(static_cast<uint32_t>(m_codeBits - 2), 2);
        m_started = true;
    }
    if (m_headerPending) {
        WritePacketHeader(frame);
    }
    if (m_frames % kPacketFrames == 0) {
        // First frame of a packet: stored verbatim in the header, which is
        // written once the next frame is known.
        for (int c = 0; c < m_channels; ++c) {
            m_pendingFrame[c] = frame[c];
            m_predicted[c] = frame[c];
        }
        m_headerPending = true;
    } else {
        for (int c = 0; c < m_channels; ++c) {
            WriteBits(EncodeSample(c, frame[c]), m_codeBits);
        }
    }
    ++m_frames;
}

void FSoundComp::WritePacketHeader(const int16_t* nextFrame) {
    for (int c = 0; c < m_channels; ++c) {
        // The smallest step that covers the first difference, so the first
        // code starts near the signal's slope; 0 when no frame follows.
        const int diff = nextFrame ? std::abs(nextFrame[c] - m_pendingFrame[c]) : 0;
        int index = 0;
        while (index < kMaxHeaderIndex && diff > stepsizeTable[index])
            ++index;
        m_index[c] = index;
        WriteBits(static_cast<uint16_t>(m_pendingFrame[c]), 16);
        WriteBits(static_cast<uint32_t>(index), kHeaderIndexBits);
    }
    m_headerPending = false;
}

uint32_t FSoundComp::EncodeSample(int channel, int sample) {
    int& predicted = m_predicted[channel];
    int& index = m_index[channel];
    const uint32_t signBit = 1u << (m_codeBits - 1);

    int diff = sample - predicted;
    uint32_t code = 0;
    if (diff < 0) {
        code = signBit;
        diff = -diff;
    }
    // Successive approximation of |diff| by step, step/2, step/4, ...; the
    // decoder rebuilds the same sum plus half of the last step tried.
    int step = stepsizeTable[index];
    int delta = step >> (m_codeBits - 1);
    for (uint32_t mask = signBit >> 1; mask != 0; mask >>= 1) {
        if (diff >= step) {
            code |= mask;
            diff -= step;
            delta += step;
        }
        step >>= 1;
    }
    predicted = std::clamp((code & signBit) ? predicted - delta : predicted + delta, -32768, 32767);
    index = std::clamp(index + indexTables[m_codeBits][code & (signBit - 1)], 0, 88);
    return code;
}

void FSoundComp::Flush() {
    if (m_finished)
        return;
    if (m_headerPending)
        WritePacketHeader(nullptr);
    if (m_bitCount > 0)
        WriteBits(0, 8 - m_bitCount);
    m_finished = true;
}
