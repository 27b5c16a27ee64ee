// SHA-1 (FIPS 180-4), fed in pieces: the second digest forensic reports carry beside MD5.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace qm {

class Sha1 {
public:
    void Update(const uint8_t* data, size_t length);
    std::array<uint8_t, 20> Finish();

private:
    void Block(const uint8_t* block);

    uint32_t state_[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    uint8_t buffer_[64] = {};
    size_t buffered_ = 0;
    uint64_t bytes_ = 0;
};

}  // namespace qm
