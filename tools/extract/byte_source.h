// Positioned, bounds-checked reads of an archive: a file is never loaded whole, and no read
// reaches past the size known when it was opened.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/file.h"

namespace qm::extract {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t size() const = 0;
    // Reads exactly `length` bytes at `offset`; false (and nothing promised in buffer) when
    // the range is not wholly inside the source or the read fails.
    virtual bool readAt(uint64_t offset, void* buffer, size_t length) = 0;

    bool contains(uint64_t offset, uint64_t length) const {
        return offset <= size() && length <= size() - offset;
    }
    // Reads `length` bytes at `offset` into `out` (resized); false when out of range.
    bool readBlock(uint64_t offset, size_t length, std::vector<uint8_t>& out);
};

class MemorySource final : public ByteSource {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t size() const override { return size_; }
    bool readAt(uint64_t offset, void* buffer, size_t length) override;

private:
    const uint8_t* data_;
    size_t size_;
};

class FileSource final : public ByteSource {
public:
    // 0 or a Windows error number.
    int open(const std::wstring& path);
    uint64_t size() const override { return size_; }
    bool readAt(uint64_t offset, void* buffer, size_t length) override;

private:
    platform::File file_;
    uint64_t size_ = 0;
    uint64_t position_ = UINT64_MAX;  // where the next read starts, to save a seek
};

// A forward reader over a source through a 64 KiB window: small header reads stay cheap.
class ByteStream {
public:
    virtual ~ByteStream() = default;
    // Exactly `length` bytes, or false at the end or on a failure.
    virtual bool read(void* buffer, size_t length) = 0;
    virtual bool skip(uint64_t length) = 0;
    virtual uint64_t position() const = 0;
};

class SourceCursor final : public ByteStream {
public:
    SourceCursor(ByteSource& source, uint64_t start) : source_(source), position_(start) {}
    bool read(void* buffer, size_t length) override;
    bool skip(uint64_t length) override;
    uint64_t position() const override { return position_; }
    uint64_t remaining() const { return position_ < source_.size() ? source_.size() - position_ : 0; }

private:
    ByteSource& source_;
    uint64_t position_;
    std::vector<uint8_t> window_;
    uint64_t windowStart_ = 0;
};

}  // namespace qm::extract
