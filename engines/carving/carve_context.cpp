#include "engines/carving/carve_context.h"

#include <algorithm>
#include <cstring>

namespace qm {

uint8_t* CarveContext::ReadAheadBuffer() {
    if (readAhead_.size() < kReadAheadBytes) readAhead_.resize(kReadAheadBytes);
    return readAhead_.data();
}

uint8_t* CarveContext::Grow(std::vector<uint8_t>& buffer, size_t bytes) {
    if (buffer.size() < bytes) buffer.resize(bytes);
    return buffer.data();
}

uint32_t ReadSectorsClamped(CarveContext& ctx, uint64_t first, uint32_t count, uint8_t* dest, bool& failed) {
    failed = false;
    if (!ctx.CanRead() || count == 0) return 0;
    const uint64_t total = ctx.MediumSectors();
    if (first >= total) return 0;
    const uint32_t wanted = static_cast<uint32_t>(std::min<uint64_t>(count, total - first));
    uint32_t got = 0;
    const int rc = ctx.source->ReadSectors(wanted, dest, first, ctx.sectorSize, got);
    if (rc != 0 || got < wanted) failed = true;
    return std::min(got, wanted);
}

bool ReadFileBytes(CarveContext& ctx, uint64_t baseSector, uint64_t offset, size_t length, uint8_t* dest,
                   bool forDetector) {
    if (!ctx.CanRead() || length == 0) return length == 0;
    const uint32_t s = ctx.sectorSize;
    const uint64_t skip = offset / s;
    if (baseSector > UINT64_MAX - skip) return false;
    const uint64_t first = baseSector + skip;
    const size_t within = static_cast<size_t>(offset % s);
    if (length > SIZE_MAX - within - s) return false;
    const uint64_t sectors = (within + length + s - 1) / s;
    if (sectors > UINT32_MAX) return false;
    const size_t bytes = static_cast<size_t>(sectors) * s;
    uint8_t* buffer = forDetector ? ctx.DetectorScratch(bytes) : ctx.MeasureScratch(bytes);
    bool failed = false;
    if (ReadSectorsClamped(ctx, first, static_cast<uint32_t>(sectors), buffer, failed) != sectors) return false;
    std::memcpy(dest, buffer + within, length);
    return true;
}

int ReportReadAhead(CarveContext& ctx, uint64_t sectorsReadAhead) {
    const CarveProgress& p = ctx.progress;
    if (p.callback == nullptr) return 0;
    const uint64_t done = p.sectorsDone + sectorsReadAhead;
    uint64_t percent = 0;
    if (p.totalSectors != 0)
        percent = done <= UINT64_MAX / 100 ? done * 100 / p.totalSectors : done / p.totalSectors * 100;
    const int step = static_cast<int>(std::min<uint64_t>(percent, 1000)) + 10;
    ctx.callbackResult = p.callback(p.userData, step, p.scale, p.secondsLeft, done, p.totalSectors, p.filesFound, 0);
    return ctx.callbackResult;
}

}  // namespace qm
