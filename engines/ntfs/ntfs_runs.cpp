#include "engines/ntfs/ntfs_runs.h"

#include "engines/ntfs/ntfs_geometry.h"

namespace qm {
namespace {

uint64_t readUnsigned(ByteView v, size_t at, unsigned bytes) {
    uint64_t value = 0;
    for (unsigned i = 0; i < bytes; ++i) value |= static_cast<uint64_t>(v.u8(at + i)) << (8 * i);
    return value;
}

int64_t readSigned(ByteView v, size_t at, unsigned bytes) {
    uint64_t value = readUnsigned(v, at, bytes);
    if (bytes > 0 && bytes < 8 && (v.u8(at + bytes - 1) & 0x80) != 0) value |= ~0ull << (8 * bytes);
    return static_cast<int64_t>(value);
}

}  // namespace

void decodeRuns(ByteView attribute, const NtfsVolumeGeometry&, RunList& runs) {
    // The whole run list lies inside the attribute, whatever the attribute's length: a long
    // list (a fragmented file) is decoded like a short one.
    const size_t alen = attribute.u32(0x04);
    const size_t end = alen < attribute.size() ? alen : attribute.size();
    size_t pos = attribute.u16(0x20);
    while (pos < end) {
        const uint8_t h = attribute.u8(pos);
        if (h == 0) break;
        const unsigned lenSize = h & 0x0F;
        const unsigned offSize = h >> 4;
        if (lenSize > 7 || offSize > 7) break;
        if (pos + 1 + lenSize + offSize > end) break;  // a run cut off by the attribute's end
        DataRun run;
        run.lengthClusters = readUnsigned(attribute, pos + 1, lenSize) & 0xFFFFFFFFull;
        run.sparse = offSize == 0;
        run.lcnDelta = run.sparse ? 0 : readSigned(attribute, pos + 1 + lenSize, offSize);
        runs.push_back(run);
        pos += 1 + lenSize + offSize;
    }
}

void appendExtent(RunList& runs, const RunList& extent) {
    int64_t lastStart = 0;
    for (const DataRun& run : runs) lastStart += run.lcnDelta;
    bool first = true;
    for (DataRun run : extent) {
        if (first && !run.sparse) {
            run.lcnDelta -= lastStart;
            first = false;
        }
        runs.push_back(run);
    }
}

std::vector<int64_t> runStartClusters(const RunList& runs) {
    std::vector<int64_t> starts;
    starts.reserve(runs.size());
    int64_t lcn = 0;
    for (const DataRun& run : runs) {
        lcn += run.lcnDelta;
        starts.push_back(lcn);
    }
    return starts;
}

uint64_t totalClusters(const RunList& runs) {
    uint64_t total = 0;
    for (const DataRun& run : runs) total += run.lengthClusters;
    return total;
}

}  // namespace qm
