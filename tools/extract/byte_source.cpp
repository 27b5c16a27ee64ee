#include "tools/extract/byte_source.h"

#include <algorithm>
#include <cstring>

namespace qm::extract {

bool ByteSource::readBlock(uint64_t offset, size_t length, std::vector<uint8_t>& out) {
    out.clear();
    if (!contains(offset, length)) return false;
    out.resize(length);
    if (length == 0 || readAt(offset, out.data(), length)) return true;
    out.clear();
    return false;
}

bool MemorySource::readAt(uint64_t offset, void* buffer, size_t length) {
    if (!contains(offset, length)) return false;
    if (length) std::memcpy(buffer, data_ + offset, length);
    return true;
}

int FileSource::open(const std::wstring& path) {
    position_ = UINT64_MAX;
    if (int rc = file_.open(path, platform::OpenMode::ReadExisting); rc != 0) return rc;
    return file_.size(size_);
}

bool FileSource::readAt(uint64_t offset, void* buffer, size_t length) {
    if (!contains(offset, length)) return false;
    if (length == 0) return true;
    if (position_ != offset) {
        position_ = UINT64_MAX;
        if (file_.seek(offset) != 0) return false;
    }
    size_t got = 0;
    const int rc = platform::readFully(file_, buffer, length, got);
    position_ = rc == 0 ? offset + got : UINT64_MAX;
    return rc == 0 && got == length;
}

namespace {
constexpr size_t kWindow = 64 * 1024;
}

bool SourceCursor::read(void* buffer, size_t length) {
    if (!source_.contains(position_, length)) return false;
    auto* out = static_cast<uint8_t*>(buffer);
    if (length >= kWindow) {
        if (!source_.readAt(position_, out, length)) return false;
        position_ += length;
        return true;
    }
    const uint64_t windowEnd = windowStart_ + window_.size();
    if (position_ < windowStart_ || position_ + length > windowEnd) {
        const uint64_t n = std::min<uint64_t>(kWindow, source_.size() - position_);
        if (!source_.readBlock(position_, static_cast<size_t>(n), window_)) {
            window_.clear();
            return false;
        }
        windowStart_ = position_;
    }
    std::memcpy(out, window_.data() + (position_ - windowStart_), length);
    position_ += length;
    return true;
}

bool SourceCursor::skip(uint64_t length) {
    if (!source_.contains(position_, length)) return false;
    position_ += length;
    return true;
}

}  // namespace qm::extract
