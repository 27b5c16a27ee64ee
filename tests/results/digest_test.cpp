#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "results/md5.h"
#include "results/sha1.h"

namespace qm {
namespace {

template <size_t N>
std::string hex(const std::array<uint8_t, N>& digest) {
    std::string out;
    char byte[3];
    for (uint8_t b : digest) {
        std::snprintf(byte, sizeof byte, "%02x", b);
        out += byte;
    }
    return out;
}

// Fed in uneven pieces, so that block boundaries fall inside a piece as they do when a file is read back.
template <class Digest>
std::string digestOf(const std::string& text, size_t piece) {
    Digest digest;
    for (size_t at = 0; at < text.size(); at += piece)
        digest.Update(reinterpret_cast<const uint8_t*>(text.data()) + at, std::min(piece, text.size() - at));
    return hex(digest.Finish());
}

// The test suites of RFC 1321 and FIPS 180 (SHA-1 examples), plus a million 'a's.
TEST(Digests, KnownVectors) {
    const std::string alphabet = "abcdefghijklmnopqrstuvwxyz";
    const std::string digits = "12345678901234567890123456789012345678901234567890123456789012345678901234567890";
    const std::string twoBlocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    const std::string million(1000000, 'a');
    for (size_t piece : {1u, 7u, 64u, 1000u}) {
        EXPECT_EQ(digestOf<Md5>("", piece), "d41d8cd98f00b204e9800998ecf8427e");
        EXPECT_EQ(digestOf<Md5>("abc", piece), "900150983cd24fb0d6963f7d28e17f72");
        EXPECT_EQ(digestOf<Md5>(alphabet, piece), "c3fcd3d76192e4007dfb496cca67e13b");
        EXPECT_EQ(digestOf<Md5>(digits, piece), "57edf4a22be3c955ac49da2e2107b67a");
        EXPECT_EQ(digestOf<Sha1>("", piece), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
        EXPECT_EQ(digestOf<Sha1>("abc", piece), "a9993e364706816aba3e25717850c26c9cd0d89d");
        EXPECT_EQ(digestOf<Sha1>(twoBlocks, piece), "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    }
    EXPECT_EQ(digestOf<Md5>(million, 4096), "7707d6ae4e027c70eea2a935c2296f21");
    EXPECT_EQ(digestOf<Sha1>(million, 4096), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

}  // namespace
}  // namespace qm
