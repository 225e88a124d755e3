#include "Support/SwfAdpcmDecoder.h"

#include <cmath>
#include <limits>

namespace mvdtest {
namespace {

const int kSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

const int kIndex2[] = {-1, 2};
const int kIndex3[] = {-1, -1, 2, 4};
const int kIndex4[] = {-1, -1, -1, -1, 2, 4, 6, 8};
const int kIndex5[] = {-1, -1, -1, -1, -1, -1, -1, -1, 1, 2, 4, 6, 8, 10, 13, 16};
const int* const kIndexTables[] = {nullptr, nullptr, kIndex2, kIndex3, kIndex4, kIndex5};

class BitReader {
  public:
    explicit BitReader(std::span<const uint8_t> data) : m_data(data) {}
    bool Has(size_t bits) const { return m_pos + bits <= m_data.size() * 8; }
    uint32_t Get(int bits) {
        uint32_t v = 0;
        for (int i = 0; i < bits; ++i, ++m_pos) {
            v = (v << 1) | ((m_data[m_pos / 8] >> (7 - m_pos % 8)) & 1);
        }
        return v;
    }

  private:
    std::span<const uint8_t> m_data;
    size_t m_pos = 0;
};

}  // namespace

SwfAdpcmDecoded DecodeSwfAdpcm(std::span<const uint8_t> data, int channels, uint32_t maxFrames) {
    SwfAdpcmDecoded out;
    BitReader in(data);
    if (!in.Has(2))
        return out;
    const int bits = static_cast<int>(in.Get(2)) + 2;
    out.codeBits = bits;
    const uint32_t limit = maxFrames ? maxFrames : std::numeric_limits<uint32_t>::max();
    const int* indexTable = kIndexTables[bits];
    const uint32_t signMask = 1u << (bits - 1);
    int predicted[2] = {0, 0};
    int index[2] = {0, 0};
    while (out.frames < limit && in.Has(22u * channels)) {
        for (int c = 0; c < channels; ++c) {
            predicted[c] = static_cast<int16_t>(in.Get(16));
            index[c] = static_cast<int>(in.Get(6));
            out.initialIndices.push_back(index[c]);
            out.samples.push_back(static_cast<int16_t>(predicted[c]));
        }
        ++out.frames;
        for (int n = 1; n < 4096 && out.frames < limit && in.Has(size_t(bits) * channels); ++n) {
            for (int c = 0; c < channels; ++c) {
                const uint32_t code = in.Get(bits);
                int step = kSteps[index[c]];
                int diff = 0;
                for (uint32_t k = signMask >> 1; k; k >>= 1) {
                    if (code & k)
                        diff += step;
                    step >>= 1;
                }
                diff += step;
                predicted[c] += (code & signMask) ? -diff : diff;
                if (predicted[c] > 32767)
                    predicted[c] = 32767;
                if (predicted[c] < -32768)
                    predicted[c] = -32768;
                index[c] += indexTable[code & (signMask - 1)];
                if (index[c] < 0)
                    index[c] = 0;
                if (index[c] > 88)
                    index[c] = 88;
                out.samples.push_back(static_cast<int16_t>(predicted[c]));
            }
            ++out.frames;
        }
    }
    return out;
}

double SnrDb(std::span<const int16_t> source, std::span<const int16_t> decoded) {
    double signal = 0, noise = 0;
    for (size_t i = 0; i < source.size() && i < decoded.size(); ++i) {
        signal += double(source[i]) * source[i];
        const double e = double(source[i]) - decoded[i];
        noise += e * e;
    }
    if (noise == 0)
        return std::numeric_limits<double>::infinity();
    return 10.0 * std::log10(signal / noise);
}

}  // namespace mvdtest
