#include "results/sha1.h"

#include <algorithm>
#include <cstring>

namespace qm {
namespace {

uint32_t rotl(uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

}  // namespace

void Sha1::Block(const uint8_t* block) {
    uint32_t w[80];
    for (int i = 0; i < 16; ++i)
        w[i] = (uint32_t{block[4 * i]} << 24) | (uint32_t{block[4 * i + 1]} << 16) | (uint32_t{block[4 * i + 2]} << 8) |
               block[4 * i + 3];
    for (int i = 16; i < 80; ++i) w[i] = rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3], e = state_[4];
    for (int i = 0; i < 80; ++i) {
        uint32_t f, k;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        const uint32_t next = rotl(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = rotl(b, 30);
        b = a;
        a = next;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    state_[4] += e;
}

void Sha1::Update(const uint8_t* data, size_t length) {
    bytes_ += length;
    while (length > 0) {
        const size_t take = std::min(length, sizeof(buffer_) - buffered_);
        std::memcpy(buffer_ + buffered_, data, take);
        buffered_ += take;
        data += take;
        length -= take;
        if (buffered_ == sizeof(buffer_)) {
            Block(buffer_);
            buffered_ = 0;
        }
    }
}

std::array<uint8_t, 20> Sha1::Finish() {
    const uint64_t bits = bytes_ * 8;
    const uint8_t one = 0x80, zero = 0;
    Update(&one, 1);
    while (buffered_ != 56) Update(&zero, 1);
    uint8_t length[8];
    for (int i = 0; i < 8; ++i) length[i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    Update(length, 8);
    std::array<uint8_t, 20> out{};
    for (int i = 0; i < 20; ++i) out[i] = static_cast<uint8_t>(state_[i / 4] >> (24 - 8 * (i % 4)));
    return out;
}

}  // namespace qm
