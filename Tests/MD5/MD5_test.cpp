#include "SWFExport/MD5.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Hex(const unsigned char* digest) {
    std::string text;
    char pair[3];
    for (size_t i = 0; i < kMD5DigestLength; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        text += pair;
    }
    return text;
}

// The digest of `data` fed in pieces of `piece` bytes (all at once for 0).
std::string Digest(const std::string& data, size_t piece = 0) {
    MD5_CTX context;
    EXPECT_EQ(MD5_Init(&context), 1);
    if (piece == 0) {
        MD5_Update(&context, data.data(), data.size());
    } else {
        for (size_t at = 0; at < data.size(); at += piece) {
            MD5_Update(&context, data.data() + at, std::min(piece, data.size() - at));
        }
    }
    unsigned char digest[kMD5DigestLength];
    EXPECT_EQ(MD5_Final(digest, &context), 1);
    return Hex(digest);
}

TEST(MD5, ReferenceSuite) {
    const std::pair<std::string, std::string> suite[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [input, expected] : suite) {
        EXPECT_EQ(Digest(input), expected) << '"' << input << '"';
    }
}

TEST(MD5, PiecesAcrossBlockBoundariesGiveTheSameDigest) {
    // Lengths around the padding edges (55, 56, 63, 64, 65 bytes) and
    // several blocks, fed whole and in pieces that straddle block limits.
    for (size_t length : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 1000u}) {
        std::string data(length, '\0');
        for (size_t i = 0; i < length; ++i)
            data[i] = static_cast<char>(i * 31 + 7);
        const std::string whole = Digest(data);
        for (size_t piece : {1u, 3u, 63u, 64u, 65u, 200u}) {
            EXPECT_EQ(Digest(data, piece), whole) << length << " in pieces of " << piece;
        }
    }
    // A million 'a' in uneven pieces (a well-known digest).
    EXPECT_EQ(Digest(std::string(1000000, 'a'), 997), "7707d6ae4e027c70eea2a935c2296f21");
}

TEST(MD5, NullArgumentsAreRefused) {
    MD5_CTX context;
    MD5_Init(&context);
    EXPECT_EQ(MD5_Update(&context, nullptr, 1), 0);
    EXPECT_EQ(MD5_Update(&context, nullptr, 0), 1);
    EXPECT_EQ(MD5_Init(nullptr), 0);
    EXPECT_EQ(MD5_Final(nullptr, &context), 0);
}

}  // namespace
