// Bounds-checked little-endian access to bytes read from a medium. A read past the end
// yields 0 instead of touching memory that is not there; decoders check sizes up front.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace qm {

class ByteView {
public:
    ByteView() = default;
    ByteView(const void* data, size_t size) : data_(static_cast<const uint8_t*>(data)), size_(data ? size : 0) {}

    size_t size() const { return size_; }
    const uint8_t* data() const { return data_; }
    bool has(size_t offset, size_t length) const { return offset <= size_ && length <= size_ - offset; }

    uint8_t u8(size_t offset) const { return has(offset, 1) ? data_[offset] : 0; }
    uint16_t u16(size_t offset) const {
        return has(offset, 2) ? static_cast<uint16_t>(data_[offset] | (data_[offset + 1] << 8)) : 0;
    }
    uint32_t u32(size_t offset) const {
        if (!has(offset, 4)) return 0;
        return static_cast<uint32_t>(data_[offset]) | (static_cast<uint32_t>(data_[offset + 1]) << 8) |
               (static_cast<uint32_t>(data_[offset + 2]) << 16) | (static_cast<uint32_t>(data_[offset + 3]) << 24);
    }
    uint64_t u64(size_t offset) const {
        if (!has(offset, 8)) return 0;
        return static_cast<uint64_t>(u32(offset)) | (static_cast<uint64_t>(u32(offset + 4)) << 32);
    }
    // True when the bytes at offset are exactly `text` (length bytes).
    bool equals(size_t offset, const void* text, size_t length) const {
        return has(offset, length) && std::memcmp(data_ + offset, text, length) == 0;
    }
    // The bytes from offset on (empty when offset is past the end), at most `length` of them.
    ByteView sub(size_t offset, size_t length = SIZE_MAX) const {
        if (offset >= size_) return {};
        const size_t n = length < size_ - offset ? length : size_ - offset;
        return ByteView(data_ + offset, n);
    }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

// Little-endian stores into a caller's buffer (for building stored files and test structures).
inline void putU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void putU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void putU64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace qm
