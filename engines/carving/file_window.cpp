#include "engines/carving/file_window.h"

#include <algorithm>

#include "engines/carving/carve_context.h"

namespace qm {

FileWindow::FileWindow(CarveContext& ctx, uint64_t limit) : ctx_(ctx) {
    const uint64_t total = ctx.MediumSectors();
    if (ctx.startSector >= total) return;
    const uint64_t sectors = total - ctx.startSector;
    const uint64_t medium = sectors <= UINT64_MAX / ctx.sectorSize ? sectors * ctx.sectorSize : UINT64_MAX;
    reach_ = std::min(limit, medium);
}

size_t FileWindow::Available(uint64_t offset, size_t wanted) const {
    if (offset >= reach_) return 0;
    return static_cast<size_t>(std::min<uint64_t>(wanted, reach_ - offset));
}

ByteView FileWindow::Bytes(uint64_t offset, size_t length) {
    if (cancelled_ || length > kMaxRun || offset > reach_ || length > reach_ - offset) return {};
    if (offset >= bufferOffset_ && offset - bufferOffset_ + length <= bufferBytes_)
        return ByteView(buffer_.data() + (offset - bufferOffset_), length);

    const uint32_t s = ctx_.sectorSize;
    const uint64_t skip = offset / s;
    if (ReportReadAhead(ctx_, skip) != 0) {
        cancelled_ = true;
        return {};
    }
    if (buffer_.size() < kReadAheadBytes) buffer_.resize(kReadAheadBytes);
    bool failed = false;
    const uint32_t got = ReadSectorsClamped(ctx_, ctx_.startSector + skip, kReadAheadBytes / s, buffer_.data(), failed);
    bufferOffset_ = skip * s;
    bufferBytes_ = static_cast<size_t>(got) * s;
    const size_t within = static_cast<size_t>(offset - bufferOffset_);
    if (within + length > bufferBytes_) return {};
    return ByteView(buffer_.data() + within, length);
}

uint64_t WalkOrFallback(CarveContext& ctx, ByteView first, uint64_t limit, StructureWalk walk, MeasureFn fallback) {
    FileWindow window(ctx, limit);
    const uint64_t length = walk(window, first);
    if (window.Cancelled()) return ctx.sectorSize;
    return length != 0 ? length : fallback(ctx, first);
}

uint64_t BigEndianN(ByteView view, size_t offset, size_t bytes) {
    if (bytes == 0 || bytes > 8 || !view.has(offset, bytes)) return 0;
    uint64_t value = 0;
    for (size_t i = 0; i < bytes; ++i) value = (value << 8) | view.u8(offset + i);
    return value;
}

}  // namespace qm
