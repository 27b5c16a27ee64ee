// MD5 (RFC 1321), fed in pieces: the digest forensic reports name a recovered file by.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace qm {

class Md5 {
public:
    void Update(const uint8_t* data, size_t length);
    std::array<uint8_t, 16> Finish();

private:
    void Block(const uint8_t* block);

    uint32_t state_[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    uint8_t buffer_[64] = {};
    size_t buffered_ = 0;
    uint64_t bytes_ = 0;
};

}  // namespace qm
