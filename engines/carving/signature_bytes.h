// Small helpers for fixed signatures in detector code.
#pragma once
#include <cstddef>

#include "disk/byte_view.h"

namespace qm::carving {

// True when `bytes` holds the literal (without its terminating zero) at `offset`.
template <size_t N>
bool HasText(ByteView bytes, size_t offset, const char (&text)[N]) {
    return bytes.equals(offset, text, N - 1);
}

inline uint16_t BigEndian16(ByteView bytes, size_t offset) {
    return static_cast<uint16_t>((bytes.u8(offset) << 8) | bytes.u8(offset + 1));
}
inline uint32_t BigEndian32(ByteView bytes, size_t offset) {
    return (static_cast<uint32_t>(BigEndian16(bytes, offset)) << 16) | BigEndian16(bytes, offset + 2);
}

}  // namespace qm::carving
