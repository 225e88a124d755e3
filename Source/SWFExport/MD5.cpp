#include "SWFExport/MD5.h"

#include <bit>
#include <cstring>

namespace {

// floor(2^32 * |sin(i + 1)|) for i = 0..63.
constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

// Left rotations of each round, four per round.
constexpr int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

uint32_t LoadLittle(const unsigned char* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void StoreLittle(uint32_t value, unsigned char* p) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

// The four rounds of sixteen steps over one 64-byte block.
void Transform(uint32_t state[4], const unsigned char block[64]) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) {
        x[i] = LoadLittle(block + 4 * i);
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
        const int round = i / 16;
        uint32_t f;
        int k;
        switch (round) {
            case 0:
                f = (b & c) | (~b & d);
                k = i;
                break;
            case 1:
                f = (b & d) | (c & ~d);
                k = (5 * i + 1) % 16;
                break;
            case 2:
                f = b ^ c ^ d;
                k = (3 * i + 5) % 16;
                break;
            default:
                f = c ^ (b | ~d);
                k = (7 * i) % 16;
                break;
        }
        const uint32_t rotated = std::rotl(a + f + kSine[i] + x[k], kShift[round][i % 4]);
        a = d;
        d = c;
        c = b;
        b += rotated;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

}  // namespace

int MD5_Init(MD5_CTX* context) {
    if (context == nullptr) {
        return 0;
    }
    context->state[0] = 0x67452301;
    context->state[1] = 0xefcdab89;
    context->state[2] = 0x98badcfe;
    context->state[3] = 0x10325476;
    context->byteCount = 0;
    return 1;
}

int MD5_Update(MD5_CTX* context, const void* data, size_t length) {
    if (context == nullptr || (data == nullptr && length > 0)) {
        return 0;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    size_t held = static_cast<size_t>(context->byteCount % 64);
    context->byteCount += length;
    if (held > 0) {
        const size_t take = length < 64 - held ? length : 64 - held;
        std::memcpy(context->buffer + held, bytes, take);
        held += take;
        bytes += take;
        length -= take;
        if (held < 64) {
            return 1;
        }
        Transform(context->state, context->buffer);
    }
    for (; length >= 64; bytes += 64, length -= 64) {
        Transform(context->state, bytes);
    }
    if (length > 0) {
        std::memcpy(context->buffer, bytes, length);
    }
    return 1;
}

int MD5_Final(unsigned char* digest, MD5_CTX* context) {
    if (digest == nullptr || context == nullptr) {
        return 0;
    }
    // A 1 bit, zeros up to 56 bytes into a block, then the bit length.
    unsigned char lengthBytes[8];
    const uint64_t bits = context->byteCount * 8;
    for (int i = 0; i < 8; ++i) {
        lengthBytes[i] = static_cast<unsigned char>(bits >> (8 * i));
    }
    static const unsigned char kPadding[64] = {0x80};
    const size_t held = static_cast<size_t>(context->byteCount % 64);
    MD5_Update(context, kPadding, held < 56 ? 56 - held : 120 - held);
    MD5_Update(context, lengthBytes, 8);
    for (int i = 0; i < 4; ++i) {
        StoreLittle(context->state[i], digest + 4 * i);
    }
    std::memset(context, 0, sizeof *context);
    return 1;
}
