#include "engines/carving/next_header_rule.h"

#include <algorithm>

#include "engines/carving/byte_search.h"
#include "engines/carving/carve_context.h"
#include "engines/carving/file_system_structure.h"

namespace qm {

using namespace carving;

size_t ReadAheadChunk::LastMarkerStart() const { return newStartFound ? newStart : kNotFound; }

bool IsNewStart(CarveContext& ctx, ByteView sector, const RowMask& claimRows) {
    return AnyRowClaims(ctx, sector, claimRows) || IsFileSystemStructure(ctx, sector);
}

uint64_t RunNextHeaderRule(CarveContext& ctx, uint64_t limit, const ChunkInspector& inspect, const RowMask* claimRows) {
    const uint32_t s = ctx.sectorSize;
    uint64_t length = s;
    if (!ctx.CanRead() || ctx.startSector == UINT64_MAX) return length;
    const RowMask rows = claimRows ? *claimRows : AllRows();
    const uint64_t budget = limit / s;
    const uint32_t perChunk = kReadAheadBytes / s;
    uint8_t* buffer = ctx.ReadAheadBuffer();
    uint64_t next = ctx.startSector + 1;
    uint64_t readAhead = 0;
    while (readAhead < budget) {
        const uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(perChunk, budget - readAhead));
        bool failed = false;
        const uint32_t got = ReadSectorsClamped(ctx, next, want, buffer, failed);
        if (got == 0) break;
        readAhead += got;
        if (ReportReadAhead(ctx, readAhead) != 0) break;

        uint32_t before = got;
        for (uint32_t i = 0; i < got; ++i) {
            ctx.currentSector = next + i;
            if (IsNewStart(ctx, ByteView(buffer + static_cast<size_t>(i) * s, s), rows)) {
                before = i;
                break;
            }
        }
        ReadAheadChunk chunk;
        chunk.bytes = ByteView(buffer, static_cast<size_t>(got) * s);
        chunk.fileOffset = (next - ctx.startSector) * s;
        chunk.newStart = static_cast<size_t>(before) * s;
        chunk.newStartFound = before < got;
        length += static_cast<uint64_t>(before) * s;
        const bool stop = inspect && inspect(chunk, length);
        if (stop || chunk.newStartFound || failed || got < want) break;
        next += got;
    }
    return length;
}

}  // namespace qm
