// MD5 message digests (RFC 1321), used to recognise identical bitmaps.
// Feed any number of byte runs of any length with MD5_Update between
// MD5_Init and MD5_Final.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kMD5DigestLength = 16;

struct MD5_CTX {
    uint32_t state[4];         // the running digest A, B, C, D
    uint64_t byteCount;        // bytes fed so far (the length is taken modulo 2^64 bits)
    unsigned char buffer[64];  // the incomplete block
};

// Each returns 1, or 0 for a null argument.
int MD5_Init(MD5_CTX* context);
int MD5_Update(MD5_CTX* context, const void* data, size_t length);
// Writes the 16-byte digest and clears the context.
int MD5_Final(unsigned char* digest, MD5_CTX* context);
