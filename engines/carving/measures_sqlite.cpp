// An SQLite database is its page size times its page count, both in its header; the count
// holds only when the header's "valid for" number equals its change counter.
#include "engines/carving/file_window.h"
#include "engines/carving/measures.h"

namespace qm {

using namespace carving;
namespace {

uint64_t SqliteLength(FileWindow& window, ByteView first) {
    if (!first.has(0, 100)) return 0;
    uint64_t pageSize = BigEndianN(first, 16, 2);
    if (pageSize == 1) pageSize = 65536;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0) return 0;
    const uint64_t pages = BigEndianN(first, 28, 4);
    if (pages == 0 || BigEndianN(first, 92, 4) != BigEndianN(first, 24, 4)) return 0;
    const uint64_t length = pageSize * pages;
    return window.Holds(length) ? length : 0;
}

}  // namespace

uint64_t MeasureSqlitePages(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, 4 * kGiB, SqliteLength, MeasureNextHeader4G);
}

}  // namespace qm
